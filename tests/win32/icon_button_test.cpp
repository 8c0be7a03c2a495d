// The owner-drawn icon buttons, drawn into a memory DC with hand-made draw
// requests and checked by their pixels: where the icon and the caption land,
// the pressed shift, the greyed look, and the focus rectangle that comes and
// goes with focus-only requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "LiveDialog.h"

namespace {
// A 32-bit top-down DIB section of a button's size in a memory DC, with the
// button's font and the colours of the dialog's WM_CTLCOLORBTN default (text
// in the window-text colour on the face colour), as the button control hands
// the DC to its parent.
class Canvas {
 public:
  Canvas(int width, int height, HFONT font) : m_width(width), m_height(height) {
    m_dc = ::CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<uint32_t*>(bits);
    m_oldBitmap = ::SelectObject(m_dc, m_bitmap);
    if (font != nullptr) m_oldFont = ::SelectObject(m_dc, font);
    ::SetTextColor(m_dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(m_dc, ::GetSysColor(COLOR_BTNFACE));
  }
  ~Canvas() {
    if (m_oldFont != nullptr) ::SelectObject(m_dc, m_oldFont);
    ::SelectObject(m_dc, m_oldBitmap);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return m_dc; }
  // Pixels as COLORREF values (0x00BBGGRR).
  std::vector<COLORREF> Pixels() const {
    ::GdiFlush();
    std::vector<COLORREF> pixels;
    for (int i = 0; i < m_width * m_height; ++i) {
      const uint32_t p = m_bits[i];
      pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    return pixels;
  }
  void Fill(COLORREF colour) {
    ::GdiFlush();
    const uint32_t p = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < m_width * m_height; ++i) m_bits[i] = p;
  }

 private:
  int m_width;
  int m_height;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  HGDIOBJ m_oldFont = nullptr;
  uint32_t* m_bits = nullptr;
};

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool empty = true;
};

// The pixels in which two images of the given width differ.
std::vector<POINT> DiffPixels(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int width) {
  std::vector<POINT> points;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) points.push_back({static_cast<LONG>(i) % width, static_cast<LONG>(i) / width});
  return points;
}

// The smallest box holding every pixel in which two images differ.
Box DiffBox(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int width) {
  Box box;
  for (const POINT& p : DiffPixels(a, b, width)) {
    const int x = p.x, y = p.y;
    if (box.empty) box = {x, y, x + 1, y + 1, false};
    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1), false};
  }
  return box;
}

SIZE ClientSize(HWND window) {
  RECT rect;
  ::GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)); }

void Draw(CQorButton& button, Canvas& canvas, UINT action, UINT state) {
  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(::GetDlgCtrlID(button.m_hWnd));
  item.itemAction = action;
  item.itemState = state;
  item.hwndItem = button.m_hWnd;
  item.hDC = canvas.Dc();
  ::GetClientRect(button.m_hWnd, &item.rcItem);
  button.DrawItem(&item);
}

// A full draw of the button on a fresh canvas of its size and font, after
// the button has seen `previous` in a focus-only request elsewhere (by
// default the same state, so no focus change toggles anything here).
std::vector<COLORREF> FullDraw(CQorButton& button, UINT state, UINT previous) {
  const SIZE size = ClientSize(button.m_hWnd);
  Canvas scratch(size.cx, size.cy, nullptr);
  Draw(button, scratch, ODA_FOCUS, previous);
  Canvas canvas(size.cx, size.cy, FontOf(button.m_hWnd));
  canvas.Fill(RGB(255, 0, 255));
  Draw(button, canvas, ODA_DRAWENTIRE, state);
  return canvas.Pixels();
}
std::vector<COLORREF> FullDraw(CQorButton& button, UINT state) { return FullDraw(button, state, state); }

// A hidden owner-drawn button of our own on the dialog, with the dialog's font.
class OwnButton {
 public:
  OwnButton(HWND dialog, const char* caption, int width, int height) {
    m_hwnd = ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | BS_OWNERDRAW, 0, 0, width, height, dialog,
                               reinterpret_cast<HMENU>(2001), nullptr, nullptr);
    ::SendMessageA(m_hwnd, WM_SETFONT, ::SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
    button.SubclassWindow(m_hwnd);
  }
  ~OwnButton() {
    button.UnsubclassWindow();
    ::DestroyWindow(m_hwnd);
  }
  OwnButton(const OwnButton&) = delete;
  OwnButton& operator=(const OwnButton&) = delete;
  CQorButton button;

 private:
  HWND m_hwnd = nullptr;
};

// The icon's size, or 0 by 0 once the handle is no longer a live icon.
SIZE IconSize(HICON icon) {
  ICONINFO info = {};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return {0, 0};
  BITMAP bitmap = {};
  ::GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);  // the button icons are all in colour
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return {bitmap.bmWidth, bitmap.bmHeight};
}

// Where the icon's drawn pixels lie when it is drawn at (0, 0) on the face colour.
Box OpaqueBoxOfIcon(HICON icon) {
  const SIZE size = IconSize(icon);
  Canvas plain(size.cx, size.cy, nullptr), drawn(size.cx, size.cy, nullptr);
  plain.Fill(::GetSysColor(COLOR_BTNFACE));
  drawn.Fill(::GetSysColor(COLOR_BTNFACE));
  ::DrawStateA(drawn.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 0, 0, size.cx, size.cy, DST_ICON);
  return DiffBox(plain.Pixels(), drawn.Pixels(), size.cx);
}

bool IsSystemColour(COLORREF c) {
  for (int index : {COLOR_BTNFACE, COLOR_3DHILIGHT, COLOR_3DLIGHT, COLOR_3DSHADOW, COLOR_3DDKSHADOW})
    if (c == ::GetSysColor(index)) return true;
  return false;
}

constexpr UINT kNoSuchIcon = 9999;
}  // namespace

TEST(IconButton, DialogButtonsCarryTheirOwnIconsAt20By20) {
  LiveDialog dlg;
  for (CQorButton* button : {&dlg->m_refreshButton, &dlg->m_closeDataButton, &dlg->m_saveDataButton}) {
    const SIZE size = IconSize(button->Image());
    EXPECT_EQ(size.cx, 20);
    EXPECT_EQ(size.cy, 20);
  }
  EXPECT_NE(dlg->m_closeDataButton.Image(), dlg->m_saveDataButton.Image());
  // Loaded without sharing: a second dialog gets icons of its own.
  LiveDialog second;
  EXPECT_NE(second->m_refreshButton.Image(), dlg->m_refreshButton.Image());
}

TEST(IconButton, IconAndCaptionSitAtTheirPlacesAndShiftOneWhenPressed) {
  LiveDialog dlg;
  CQorButton& refresh = dlg->m_refreshButton;
  const SIZE size = ClientSize(refresh.m_hWnd);
  // Twins of the Refresh button: one whose icon fails to load, one without caption.
  OwnButton noIcon(dlg.Hwnd(), "&Refresh", size.cx, size.cy);
  noIcon.button.SetImage(kNoSuchIcon, 20, 20);
  noIcon.button.SetImagePos(4, 2);
  noIcon.button.SetTextPos(30, 4);
  OwnButton noCaption(dlg.Hwnd(), "", size.cx, size.cy);
  noCaption.button.SetImage(IDI_REFRESH, 20, 20);
  noCaption.button.SetImagePos(4, 2);
  noCaption.button.SetTextPos(30, 4);

  const Box opaque = OpaqueBoxOfIcon(refresh.Image());
  ASSERT_FALSE(opaque.empty);
  for (int shift : {0, 1}) {
    const UINT state = shift ? ODS_SELECTED : 0;
    const std::vector<COLORREF> full = FullDraw(refresh, state);
    const Box icon = DiffBox(full, FullDraw(noIcon.button, state), size.cx);
    EXPECT_EQ(icon.left, opaque.left + 4 + shift);
    EXPECT_EQ(icon.top, opaque.top + 2 + shift);
    EXPECT_EQ(icon.right, opaque.right + 4 + shift);
    EXPECT_EQ(icon.bottom, std::min<int>(opaque.bottom + 2 + shift, size.cy));

    // The caption from x = 30, the ampersand not drawn: as wide as "Refresh".
    const Box caption = DiffBox(full, FullDraw(noCaption.button, state), size.cx);
    ASSERT_FALSE(caption.empty);
    EXPECT_GE(caption.left, 30 + shift);
    EXPECT_LE(caption.left, 32 + shift);
    EXPECT_GE(caption.top, 4 + shift);
    // Ink against ink: "Refresh" drawn plainly in the button's font (its
    // advance width adds side bearings that depend on the font at hand).
    Canvas plain(size.cx, size.cy, FontOf(refresh.m_hWnd)), drawn(size.cx, size.cy, FontOf(refresh.m_hWnd));
    plain.Fill(::GetSysColor(COLOR_BTNFACE));
    drawn.Fill(::GetSysColor(COLOR_BTNFACE));
    ::SetBkMode(drawn.Dc(), TRANSPARENT);
    ::TextOutA(drawn.Dc(), 0, 0, "Refresh", 7);
    const Box ink = DiffBox(plain.Pixels(), drawn.Pixels(), size.cx);
    SIZE text{};
    ::GetTextExtentPoint32A(drawn.Dc(), "Refresh", 7, &text);
    ASSERT_FALSE(ink.empty);
    EXPECT_NEAR(caption.right - caption.left, ink.right - ink.left, 1);
    EXPECT_LE(caption.bottom, 4 + shift + text.cy + 1);
  }

  // The two small buttons draw their icon alone, at (0, 0).
  dlg->EnterDataMode();
  for (CQorButton* button : {&dlg->m_closeDataButton, &dlg->m_saveDataButton}) {
    const SIZE small = ClientSize(button->m_hWnd);
    OwnButton twin(dlg.Hwnd(), "", small.cx, small.cy);
    twin.button.SetImagePos(0, 0);
    const Box own = OpaqueBoxOfIcon(button->Image());
    for (int shift : {0, 1}) {
      const UINT state = shift ? ODS_SELECTED : 0;
      const Box icon = DiffBox(FullDraw(*button, state), FullDraw(twin.button, state), small.cx);
      EXPECT_EQ(icon.left, own.left + shift);
      EXPECT_EQ(icon.top, own.top + shift);
    }
  }

  // Pressed, the frame is sunken: its top-left edge is no longer the light one.
  const COLORREF raised = FullDraw(refresh, 0)[static_cast<size_t>(size.cx + 1)];
  const COLORREF sunken = FullDraw(refresh, ODS_SELECTED)[static_cast<size_t>(size.cx + 1)];
  EXPECT_LT(GetRValue(sunken) + GetGValue(sunken), GetRValue(raised) + GetGValue(raised));
}

TEST(IconButton, AutomaticLayoutCentresALoneIconAndPutsItLeftOfACaption) {
  LiveDialog dlg;
  OwnButton lone(dlg.Hwnd(), "", 40, 30), bare(dlg.Hwnd(), "", 40, 30);
  lone.button.SetImage(IDI_SAVE_DATA, 20, 20);
  const Box own = OpaqueBoxOfIcon(lone.button.Image());
  Box icon = DiffBox(FullDraw(lone.button, 0), FullDraw(bare.button, 0), 40);
  EXPECT_EQ(icon.left, own.left + 10);
  EXPECT_EQ(icon.top, own.top + 5);
  // With a caption the icon sits 4 pixels from the left, still centred in height.
  OwnButton captioned(dlg.Hwnd(), "Go", 80, 30), captionOnly(dlg.Hwnd(), "Go", 80, 30);
  captioned.button.SetImage(IDI_SAVE_DATA, 20, 20);
  icon = DiffBox(FullDraw(captioned.button, 0), FullDraw(captionOnly.button, 0), 80);
  EXPECT_EQ(icon.left, own.left + 4);
  EXPECT_EQ(icon.top, own.top + 5);
}

TEST(IconButton, FocusOnlyRequestsDrawAndEraseTheFocusRectangle) {
  LiveDialog dlg;
  CQorButton& refresh = dlg->m_refreshButton;
  const SIZE size = ClientSize(refresh.m_hWnd);
  Canvas canvas(size.cx, size.cy, FontOf(refresh.m_hWnd));
  Draw(refresh, canvas, ODA_FOCUS, 0);  // the system may have left it focused
  Draw(refresh, canvas, ODA_DRAWENTIRE, 0);
  const std::vector<COLORREF> unfocused = canvas.Pixels();

  Draw(refresh, canvas, ODA_FOCUS, ODS_FOCUS);
  const std::vector<COLORREF> focused = canvas.Pixels();
  const Box ring = DiffBox(unfocused, focused, size.cx);
  EXPECT_TRUE(ring.left == 3 && ring.top == 3 && ring.right == size.cx - 3 && ring.bottom == size.cy - 3);
  for (const POINT& p : DiffPixels(unfocused, focused, size.cx))  // an outline, nothing inside
    EXPECT_TRUE(p.x == 3 || p.y == 3 || p.x == size.cx - 4 || p.y == size.cy - 4) << p.x << "," << p.y;

  // The same state again changes nothing; losing focus erases the rectangle.
  Draw(refresh, canvas, ODA_FOCUS, ODS_FOCUS);
  EXPECT_EQ(canvas.Pixels(), focused);
  Draw(refresh, canvas, ODA_FOCUS, 0);
  EXPECT_EQ(canvas.Pixels(), unfocused);

  // A full redraw of a focused button: frame, then the rectangle once, whether
  // focus is new or was there before; a focus-only loss then erases it.
  EXPECT_EQ(FullDraw(refresh, ODS_FOCUS, 0), focused);
  EXPECT_EQ(FullDraw(refresh, ODS_FOCUS, ODS_FOCUS), focused);
  canvas.Fill(RGB(255, 0, 255));
  Draw(refresh, canvas, ODA_DRAWENTIRE, ODS_FOCUS);
  Draw(refresh, canvas, ODA_FOCUS, 0);
  EXPECT_EQ(canvas.Pixels(), unfocused);

  // The inset is 3, or a quarter of the smaller side of a small button.
  for (const auto& [height, inset] : {std::pair{12, 3}, std::pair{10, 2}, std::pair{6, 1}}) {
    OwnButton small(dlg.Hwnd(), "", 20, height);
    Canvas smallCanvas(20, height, nullptr);
    Draw(small.button, smallCanvas, ODA_DRAWENTIRE, 0);
    const std::vector<COLORREF> before = smallCanvas.Pixels();
    Draw(small.button, smallCanvas, ODA_FOCUS, ODS_FOCUS);
    const Box r = DiffBox(before, smallCanvas.Pixels(), 20);
    EXPECT_TRUE(r.left == inset && r.top == inset && r.right == 20 - inset && r.bottom == height - inset) << height;
  }
}

TEST(IconButton, DisabledButtonIsGreyedAndNeverTouchesTheFocusRectangle) {
  LiveDialog dlg;
  CQorButton& refresh = dlg->m_refreshButton;
  const SIZE size = ClientSize(refresh.m_hWnd);
  const std::vector<COLORREF> normal = FullDraw(refresh, 0);
  const std::vector<COLORREF> disabled = FullDraw(refresh, ODS_DISABLED);
  // The icon's own colours are there when enabled; greyed, only the system's
  // 3-D colours remain, and the caption changes too.
  EXPECT_FALSE(std::all_of(normal.begin(), normal.end(), IsSystemColour));
  EXPECT_TRUE(std::all_of(disabled.begin(), disabled.end(), IsSystemColour));
  const Box changed = DiffBox(normal, disabled, size.cx);
  EXPECT_LT(changed.left, 24);
  EXPECT_GT(changed.right, 40);

  EXPECT_EQ(FullDraw(refresh, ODS_DISABLED | ODS_FOCUS), disabled);
  Canvas canvas(size.cx, size.cy, FontOf(refresh.m_hWnd));
  Draw(refresh, canvas, ODA_DRAWENTIRE, ODS_DISABLED);
  Draw(refresh, canvas, ODA_FOCUS, ODS_DISABLED | ODS_FOCUS);
  EXPECT_EQ(canvas.Pixels(), disabled);
  Draw(refresh, canvas, ODA_FOCUS, ODS_DISABLED);
  EXPECT_EQ(canvas.Pixels(), disabled);
}

TEST(IconButton, SetImageReleasesTheIconItReplacesAndAFailedLoadLeavesNone) {
  LiveDialog dlg;
  OwnButton own(dlg.Hwnd(), "Go", 60, 24);
  own.button.SetImage(IDI_REFRESH, 20, 20);
  const HICON first = own.button.Image();
  ASSERT_EQ(IconSize(first).cx, 20);
  own.button.SetImage(IDI_SAVE_DATA, 16, 16);
  const HICON second = own.button.Image();
  EXPECT_EQ(IconSize(second).cx, 16);
  EXPECT_EQ(IconSize(first).cx, 0);

  own.button.SetImage(kNoSuchIcon, 20, 20);
  EXPECT_EQ(own.button.Image(), nullptr);
  EXPECT_EQ(IconSize(second).cx, 0);

  // Without an icon the frame and caption are drawn as usual.
  OwnButton blank(dlg.Hwnd(), "", 60, 24);
  blank.button.SetImage(kNoSuchIcon, 20, 20);
  const std::vector<COLORREF> drawn = FullDraw(own.button, 0);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), RGB(255, 0, 255)), 0);
  const Box caption = DiffBox(drawn, FullDraw(blank.button, 0), 60);
  EXPECT_FALSE(caption.empty);
  EXPECT_GT(caption.left, 4);

  // Each setting repaints a live button; a load that fails changes nothing.
  CQorButton& refresh = dlg->m_refreshButton;
  for (int step = 0; step < 4; ++step) {
    PumpMessages();
    ::ValidateRect(refresh.m_hWnd, nullptr);
    if (step == 0) refresh.SetImage(IDI_REFRESH, 20, 20);
    if (step == 1) refresh.SetImagePos(4, 2);
    if (step == 2) refresh.SetTextPos(30, 4);
    if (step == 3) refresh.SetImage(kNoSuchIcon, 20, 20);
    EXPECT_EQ(::GetUpdateRect(refresh.m_hWnd, nullptr, FALSE) != FALSE, step < 3) << step;
  }

  // The destructor releases the icon it holds.
  auto owned = std::make_unique<CQorButton>();
  owned->SetImage(IDI_CLOSE_DATA, 20, 20);
  const HICON held = owned->Image();
  EXPECT_EQ(IconSize(held).cx, 20);
  owned.reset();
  EXPECT_EQ(IconSize(held).cx, 0);
}

namespace {
// The button's pixels as they are on the screen.
std::vector<COLORREF> OnScreen(HWND button) {
  const SIZE size = ClientSize(button);
  Canvas canvas(size.cx, size.cy, nullptr);
  HDC screen = ::GetDC(button);
  ::BitBlt(canvas.Dc(), 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
  ::ReleaseDC(button, screen);
  return canvas.Pixels();
}

UINT FocusState(HWND button) { return ::GetFocus() == button ? ODS_FOCUS : 0; }
}  // namespace

// The system's own draw requests reach DrawItem through the dialog, and the
// window looks as the screenshots in the artifacts folder show.
TEST(IconButton, SystemDrawRequestsReachTheButtonsAndScreenshotsShowThem) {
  LiveDialog dlg;
  CQorButton& refresh = dlg->m_refreshButton;
  ::SetForegroundWindow(dlg.Hwnd());
  PumpMessages(100);
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), "buttons-normal"));
  EXPECT_EQ(OnScreen(refresh.m_hWnd), FullDraw(refresh, FocusState(refresh.m_hWnd)));

  refresh.SendMessage(BM_SETSTATE, TRUE);
  PumpMessages(50);
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), "buttons-refresh-pressed"));
  EXPECT_EQ(OnScreen(refresh.m_hWnd), FullDraw(refresh, ODS_SELECTED | FocusState(refresh.m_hWnd)));
  refresh.SendMessage(BM_SETSTATE, FALSE);

  dlg->EnterDataMode();
  PumpMessages(50);
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), "buttons-data-mode"));
  for (CQorButton* button : {&dlg->m_closeDataButton, &dlg->m_saveDataButton})
    EXPECT_EQ(OnScreen(button->m_hWnd), FullDraw(*button, FocusState(button->m_hWnd)));

  for (CQorButton* button : {&refresh, &dlg->m_closeDataButton, &dlg->m_saveDataButton}) button->EnableWindow(FALSE);
  PumpMessages(50);
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), "buttons-disabled"));
  EXPECT_EQ(OnScreen(refresh.m_hWnd), FullDraw(refresh, ODS_DISABLED));
}
