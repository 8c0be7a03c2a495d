// CWinApp: the one application object. AfxWinMain runs InitInstance and,
// when it returns FALSE, ends without a message loop.
#pragma once

#include "framework/Wnd.h"

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  virtual int Run();

  // Names the per-user settings key; the program reads and writes nothing.
  void SetRegistryKey(LPCSTR key) { m_pszRegistryKey = key; }
  void OnHelp() {}

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPCSTR m_pszAppName = nullptr;
  LPCSTR m_pszRegistryKey = nullptr;

  DECLARE_MESSAGE_MAP()

 private:
  char m_moduleName[MAX_PATH] = {};
  friend int AfxWinMain(HINSTANCE, int);
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module whose resources the program loads: the exe itself.
inline HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }
int AfxWinMain(HINSTANCE instance, int showCommand);
