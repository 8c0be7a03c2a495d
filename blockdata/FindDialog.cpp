#include "blockdata/FindDialog.h"

#include <string>

#include "shell/DialogTables.h"
#include "shell/resource.h"

namespace {
constexpr int kKindButtons[] = {IDC_FIND_ADDRESS, IDC_FIND_BYTES, IDC_FIND_TEXT};
}  // namespace

BEGIN_MESSAGE_MAP(CFindBlockDlg, CDialog)
END_MESSAGE_MAP()

CFindBlockDlg::CFindBlockDlg(CWnd* owner, FindQuery query) : CDialog(IDD_FIND_BLOCK, owner), m_query(std::move(query)) {}

BOOL CFindBlockDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::CheckRadioButton(m_hWnd, IDC_FIND_ADDRESS, IDC_FIND_TEXT, kKindButtons[static_cast<int>(m_query.kind)]);
  HWND input = GetDlgItem(IDC_FIND_INPUT);
  ::SetWindowTextA(input, m_query.text.c_str());
  ::SendMessageA(input, EM_SETSEL, 0, -1);
  ::SetFocus(input);
  return FALSE;  // the focus is set
}

void CFindBlockDlg::OnOK() {
  FindQuery query;
  for (int kind = 0; kind < 3; ++kind)
    if (::IsDlgButtonChecked(m_hWnd, kKindButtons[kind]) == BST_CHECKED) query.kind = static_cast<FindKind>(kind);
  HWND input = GetDlgItem(IDC_FIND_INPUT);
  query.text.resize(static_cast<size_t>(::GetWindowTextLengthA(input)) + 1);
  query.text.resize(static_cast<size_t>(::GetWindowTextA(input, query.text.data(), static_cast<int>(query.text.size()))));
  if (const char* problem = FindInputProblem(query, kProgramWidth)) {
    MessageBox(problem, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    ::SendMessageA(input, EM_SETSEL, 0, -1);
    ::SetFocus(input);
    return;
  }
  m_query = std::move(query);
  EndDialog(IDOK);
}
