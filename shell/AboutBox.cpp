// The About box and the system-menu item that opens it.
#include "framework/WinApp.h"
#include "shell/TarnwickDlg.h"

namespace {
class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()
}  // namespace

void CTarnwickDlg::AddAboutItem() {
  HMENU menu = GetSystemMenu(FALSE);
  if (menu == nullptr) return;
  char text[256] = {};
  if (::LoadStringA(AfxGetResourceHandle(), IDS_ABOUTBOX, text, sizeof text) <= 0 || text[0] == '\0') return;
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void CTarnwickDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  Default();
}
