#include "framework/Dialog.h"

#include <windowsx.h>

#include "framework/WinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_BN_CLICKED(IDOK, &CDialog::HandleOK)
ON_BN_CLICKED(IDCANCEL, &CDialog::HandleCancel)
ON_WM_DPICHANGED()
END_MESSAGE_MAP()

CDialog::~CDialog() {
  if (m_modeless && m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

HWND CDialog::OwnerWindow() const {
  if (m_pParentWnd != nullptr) return m_pParentWnd->m_hWnd;
  // Like the framework this mimics: a dialog other than the main window is
  // owned by the main window.
  CWnd* main = AfxGetMainWnd();
  return main != nullptr && main != this ? main->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(), &AfxDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(CWnd* parent) {
  if (parent != nullptr) m_pParentWnd = parent;
  m_modeless = true;
  return ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(), &AfxDlgProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::CenterWindow() {
  // Over the owner when there is one, else over the screen's work area.
  RECT area;
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner))
    ::GetWindowRect(owner, &area);
  else
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT rect;
  GetWindowRect(&rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  int x = (area.left + area.right - width) / 2;
  int y = (area.top + area.bottom - height) / 2;
  x = x < 0 ? 0 : x;
  y = y < 0 ? 0 : y;
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialog::OnDpiChanged(UINT dpi, const RECT* suggested) {
  if (m_dpiChangeInDefault) {
    Default();
    return;
  }
  // The dialog manager's own handling first (where the system scales
  // dialogs, it lays out the template's controls and their font again),
  // so that the sizes made below are the last word.
  m_dpiChangeInDefault = true;
  ::DefDlgProcA(m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(suggested));
  m_dpiChangeInDefault = false;
  if (suggested != nullptr)
    SetWindowPos(nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  const UINT old = m_dpi;
  if (dpi == 0 || dpi == old) return;
  m_dpi = dpi;
  OnDpiScaled(old);
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Attach(hWnd);
    // Found here on every later message (see SubclassWindow).
    ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    dialog->CenterWindow();
    dialog->m_dpi = WindowDpi(hWnd);
    return dialog->OnInitDialog();
  }
  auto* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
  if (wnd == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    wnd->Detach();
    return FALSE;
  }
  LRESULT result = 0;
  if (!wnd->OnWndMsg(message, wParam, lParam, &result)) return FALSE;
  // Messages with a result go back either directly or through DWLP_MSGRESULT.
  return SetDlgMsgResult(hWnd, message, result);
}
