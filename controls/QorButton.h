// CQorButton: an owner-drawn push button with a small icon and, optionally,
// its caption beside it. It owns its icon.
#pragma once

#include "controls/ButtonLayout.h"
#include "framework/Controls.h"

class CQorButton : public CButton {
 public:
  CQorButton() = default;
  ~CQorButton() override;

  // Loads icon resource `iconId` at cx by cy pixels; the previous icon is released.
  void SetImage(UINT iconId, int cx, int cy);
  void SetImagePos(int x, int y);
  void SetTextPos(int x, int y);
  void DrawItem(LPDRAWITEMSTRUCT item) override;

  HICON Image() const { return m_hImageIcon; }

  DECLARE_MESSAGE_MAP()

 private:
  void RedrawIfCreated();
  void DrawFocus(HDC dc, const RECT& rect) const;

  BOOL m_bAutoLayout = TRUE;
  POINT m_ptImage{};
  POINT m_ptText{};
  int m_nImageMargin = 4;
  int m_nTextMargin = 8;
  HICON m_hImageIcon = nullptr;
  SIZE m_sizeImage{};
  UINT m_nLastState = 0;
};
