// The application object and the program's entry point.
#include "framework/WinApp.h"
#include "shell/TarnwickDlg.h"

class CTarnwickApp : public CWinApp {
 public:
  CTarnwickApp() : CWinApp(nullptr) {}
  BOOL InitInstance() override;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTarnwickApp, CWinApp)
ON_COMMAND(0xE146 /* ID_HELP */, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CTarnwickApp theApp;

BOOL CTarnwickApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  CWinApp::InitInstance();
  SetRegistryKey("Local AppWizard-Generated Applications");

  CTarnwickDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) { return AfxWinMain(instance, showCommand); }
