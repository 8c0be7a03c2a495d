#include "controls/QorButton.h"

#include <cstring>

#include "framework/WinApp.h"

BEGIN_MESSAGE_MAP(CQorButton, CButton)
END_MESSAGE_MAP()

CQorButton::~CQorButton() {
  if (m_hImageIcon != nullptr) ::DestroyIcon(m_hImageIcon);
}

void CQorButton::SetImage(UINT iconId, int cx, int cy) {
  if (m_hImageIcon != nullptr) ::DestroyIcon(m_hImageIcon);
  // No load flags: the icon is the button's own, not a shared one.
  m_hImageIcon =
      static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconId), IMAGE_ICON, cx, cy, 0));
  if (m_hImageIcon == nullptr) return;
  m_sizeImage = {cx, cy};
  RedrawIfCreated();
}

void CQorButton::SetImagePos(int x, int y) {
  m_ptImage = {x, y};
  m_bAutoLayout = FALSE;
  RedrawIfCreated();
}

void CQorButton::SetTextPos(int x, int y) {
  m_bAutoLayout = FALSE;
  m_ptText = {x, y};
  RedrawIfCreated();
}

void CQorButton::RedrawIfCreated() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CQorButton::DrawItem(LPDRAWITEMSTRUCT item) {
  RECT rect;
  ::CopyRect(&rect, &item->rcItem);
  const int shift = (item->itemState & ODS_SELECTED) ? 1 : 0;
  const UINT frameState = shift ? DFCS_PUSHED : 0;
  const UINT effect = (item->itemState & ODS_DISABLED) ? DSS_DISABLED : 0;
  const bool focusOnly = item->itemAction == ODA_FOCUS;
  HDC dc = item->hDC;

  if (!focusOnly) {
    ::DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | frameState);
    char caption[512] = {};
    GetWindowText(caption, sizeof caption);
    RECT client;
    GetClientRect(&client);
    const ButtonLayout layout{
        m_bAutoLayout != FALSE, {m_ptImage.x, m_ptImage.y}, {m_ptText.x, m_ptText.y},        m_nImageMargin,
        m_nTextMargin,          m_hImageIcon != nullptr,    {m_sizeImage.cx, m_sizeImage.cy}};
    if (m_hImageIcon != nullptr) {
      const LayoutPoint at = ImagePosition(layout, client.right, client.bottom, item->rcItem.left, caption[0] != '\0');
      ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_hImageIcon), 0, at.x + shift, at.y + shift,
                   m_sizeImage.cx, m_sizeImage.cy, DST_ICON | effect);
    }
    if (caption[0] != '\0') {
      SIZE extent{};
      ::GetTextExtentPoint32A(dc, caption, static_cast<int>(std::strlen(caption)), &extent);
      const LayoutPoint at = CaptionPosition(layout, client.right, client.bottom, {extent.cx, extent.cy});
      ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption), 0, at.x + shift, at.y + shift, 0, 0,
                   DST_PREFIXTEXT | effect);
    }
  }

  // The focus rectangle inverts: drawn when focus comes, drawn again (so
  // erased) when it goes. A disabled button neither draws nor erases it.
  const bool focusChanged = ((item->itemState ^ m_nLastState) & ODS_FOCUS) != 0;
  const bool focusedRedraw = !focusOnly && (item->itemState & ODS_FOCUS);
  if (!(item->itemState & ODS_DISABLED) && (focusChanged || focusedRedraw)) DrawFocus(dc, rect);
  m_nLastState = item->itemState;
}

void CQorButton::DrawFocus(HDC dc, const RECT& rect) const {
  const int inset = FocusInset(rect.right - rect.left, rect.bottom - rect.top);
  RECT focus = rect;
  ::InflateRect(&focus, -inset, -inset);
  ::DrawFocusRect(dc, &focus);
}
