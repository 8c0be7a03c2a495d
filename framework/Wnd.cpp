#include "framework/Wnd.h"

namespace {
// The window property that links an HWND to its CWnd.
constexpr const char* kWndProperty = "Tarnwick.CWnd";

bool IsKeyboardMessage(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

BOOL WalkPreTranslateTree(MSG* msg) {
  for (HWND hWnd = msg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (wnd != nullptr && wnd->PreTranslateMessage(msg)) return TRUE;
    if ((::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return FALSE;
}
}  // namespace

CWnd::~CWnd() {
  if (m_pfnSuper != nullptr)
    UnsubclassWindow();
  else if (m_hWnd != nullptr)
    Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kWndProperty)) : nullptr;
}

void CWnd::Attach(HWND hWnd) {
  m_hWnd = hWnd;
  ::SetPropA(hWnd, kWndProperty, this);
}

void CWnd::Detach() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd) && FromHandlePermanent(m_hWnd) == this)
    ::RemovePropA(m_hWnd, kWndProperty);
  m_hWnd = nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (hWnd == nullptr || m_hWnd != nullptr) return FALSE;
  Attach(hWnd);
  // The window procedure finds the object here on every message: reading a
  // window long is local, a property lookup is a server round trip in Wine.
  ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_pfnSuper =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc)));
  return TRUE;
}

HWND CWnd::UnsubclassWindow() {
  HWND hWnd = m_hWnd;
  if (hWnd != nullptr && m_pfnSuper != nullptr && ::IsWindow(hWnd)) {
    ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
  }
  m_pfnSuper = nullptr;
  Detach();
  return hWnd;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (wnd == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    WNDPROC super = wnd->m_pfnSuper;
    wnd->UnsubclassWindow();
    return super ? ::CallWindowProcA(super, hWnd, message, wParam, lParam)
                 : ::DefWindowProcA(hWnd, message, wParam, lParam);
  }
  return wnd->WindowProc(message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsKeyboardMessage(message)) {
    MSG msg = {m_hWnd, message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    const DWORD at = ::GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (WalkPreTranslateTree(&msg)) return 0;
  }
  LRESULT result = 0;
  if (OnWndMsg(message, wParam, lParam, &result)) return result;
  return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CWnd::Default() {
  if (m_pfnSuper != nullptr)
    return ::CallWindowProcA(m_pfnSuper, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
  // A dialog: its default processing is the dialog manager's, reached by
  // telling the dialog procedure that the message was not handled.
  m_passToDefault = true;
  return 0;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    CWnd* child = item && item->CtlType != ODT_MENU ? FromHandlePermanent(item->hwndItem) : nullptr;
    if (child != nullptr && child->OnChildNotify(message, wParam, lParam, result)) return true;
  }
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, wParam, lParam);
  if (entry == nullptr) return false;

  const CurrentMessage outer = m_current;
  const bool outerPass = m_passToDefault;
  m_current = {message, wParam, lParam};
  m_passToDefault = false;
  *result = 0;
  const AfxHandler& handler = entry->handler;
  switch (entry->nSig) {
    case AfxSig::vv:
      (this->*handler.pfn)();
      break;
    case AfxSig::vNotify:
      (this->*handler.pfnNotify)(reinterpret_cast<NMHDR*>(lParam), result);
      break;
    case AfxSig::vSysCommand:
      (this->*handler.pfnSysCommand)(static_cast<UINT>(wParam), lParam);
      break;
    case AfxSig::hCursor:
      *result = reinterpret_cast<LRESULT>((this->*handler.pfnCursor)());
      break;
    case AfxSig::vContextMenu:
      (this->*handler.pfnContextMenu)(FromHandlePermanent(reinterpret_cast<HWND>(wParam)),
                                      POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      break;
    case AfxSig::vDpiChanged:
      (this->*handler.pfnDpiChanged)(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      break;
    case AfxSig::End:
      break;
  }
  const bool handled = !m_passToDefault;
  m_current = outer;
  m_passToDefault = outerPass;
  return handled;
}
