// The About box and the system-menu item that opens it.
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "shell/TarnwickDlg.h"

namespace {
// The emblem, drawn for 96 DPI, stretched to the DPI with halftoning into a
// 24-bit bitmap (a static control keeps a 24-bit image as given, where it
// would copy a 32-bit one).
void MakeScaledLogo(UINT dpi, CBitmap& out) {
  CBitmap source;
  source.Attach(static_cast<HBITMAP>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_ABOUT_LOGO),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP own{};
  if (source == nullptr || ::GetObjectA(source, sizeof own, &own) == 0) return;
  const int width = ScaleForDpi(own.bmWidth, dpi);
  const int height = ScaleForDpi(own.bmHeight, dpi);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const CWindowDC screen(nullptr);
  void* bits = nullptr;
  out.Attach(::CreateDIBSection(screen.GetSafeHdc(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (out == nullptr) return;
  CMemoryDC from(screen.GetSafeHdc());
  CMemoryDC to(screen.GetSafeHdc());
  from.Select(source);
  to.Select(out);
  ::SetStretchBltMode(to.GetSafeHdc(), HALFTONE);
  ::SetBrushOrgEx(to.GetSafeHdc(), 0, 0, nullptr);
  ::StretchBlt(to.GetSafeHdc(), 0, 0, width, height, from.GetSafeHdc(), 0, 0, own.bmWidth, own.bmHeight, SRCCOPY);
}

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (Dpi() != kDefaultDpi) ShowLogo();
    return TRUE;
  }
  void OnDpiScaled(UINT) override { ShowLogo(); }
  // The control lets go of a scaled bitmap before the dialog ends, so only
  // this object deletes it.
  void OnOK() override {
    if (m_logo != nullptr) SetLogo(nullptr);
    CDialog::OnOK();
  }
  void OnCancel() override {
    if (m_logo != nullptr) SetLogo(nullptr);
    CDialog::OnCancel();
  }
  DECLARE_MESSAGE_MAP()

 private:
  void ShowLogo() {
    CBitmap scaled;
    MakeScaledLogo(Dpi(), scaled);
    if (scaled == nullptr) return;
    const HBITMAP before = SetLogo(scaled);
    // The one the control loaded from the template is the dialog's to delete;
    // an earlier scaled one is deleted by the assignment below.
    if (before != nullptr && before != m_logo) ::DeleteObject(before);
    m_logo.Attach(scaled.Detach());
  }
  HBITMAP SetLogo(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(
        ::SendDlgItemMessageA(m_hWnd, IDC_ABOUT_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }

  CBitmap m_logo;
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
