// CFileDialog: the system's Open or Save As dialog.
#pragma once

#include <string>

#include "framework/Wnd.h"
// After <windows.h>: the lean build leaves the common dialogs out of it.
#include <commdlg.h>

class CFileDialog {
 public:
  // filter: "Name|pattern|...||", split at each vertical bar.
  CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension = nullptr, LPCSTR fileName = nullptr,
              DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr, CWnd* parent = nullptr);
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;
  virtual ~CFileDialog() = default;

  virtual INT_PTR DoModal();
  std::string GetPathName() const { return m_fileName; }

  // For tests that repeat a save many times: an answer given in place of the
  // system dialog (Wine's Save As dialog keeps handles of its own open after
  // every accepted name, which would hide the program's own). Null restores
  // the system dialog.
  using Answer = BOOL (*)(OPENFILENAMEA& ofn);
  static void SetAnswerForTests(Answer answer) { s_answer = answer; }

  OPENFILENAMEA m_ofn{};

 private:
  BOOL m_bOpenFileDialog;
  std::string m_filter;
  std::string m_defaultExtension;
  char m_fileName[MAX_PATH] = {};
  static inline Answer s_answer = nullptr;
};
