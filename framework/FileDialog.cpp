#include "framework/FileDialog.h"

#include <algorithm>
#include <cstdio>

#include "framework/WinApp.h"

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : m_bOpenFileDialog(openFileDialog) {
  if (fileName != nullptr) std::snprintf(m_fileName, sizeof m_fileName, "%s", fileName);
  if (filter != nullptr) {
    m_filter = filter;
    std::replace(m_filter.begin(), m_filter.end(), '|', '\0');
  }
  if (defaultExtension != nullptr) m_defaultExtension = defaultExtension;
  CWnd* owner = parent != nullptr ? parent : AfxGetMainWnd();
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = owner != nullptr ? owner->m_hWnd : nullptr;
  m_ofn.hInstance = AfxGetResourceHandle();
  m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
  m_ofn.lpstrFile = m_fileName;
  m_ofn.nMaxFile = MAX_PATH;
  m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
  m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
  const BOOL accepted = s_answer != nullptr ? s_answer(m_ofn)
                        : m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn)
                                            : ::GetSaveFileNameA(&m_ofn);
  return accepted ? IDOK : IDCANCEL;
}
