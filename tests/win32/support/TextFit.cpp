#include "TextFit.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <optional>

#include "DialogWatcher.h"

namespace {
// A memory context like the screen's, with a font selected (the system
// font when a control has none), released on every path.
class MemoryDC {
 public:
  explicit MemoryDC(HFONT font) : m_dc(::CreateCompatibleDC(nullptr)) {
    m_oldFont = ::SelectObject(m_dc, font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
  }
  ~MemoryDC() {
    ::SelectObject(m_dc, m_oldFont);
    ::DeleteDC(m_dc);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  operator HDC() const { return m_dc; }

 private:
  HDC m_dc;
  HGDIOBJ m_oldFont;
};

// A 32-bit top-down bitmap selected into a context while it lives.
class SelectedBitmap {
 public:
  SelectedBitmap(HDC dc, int width, int height) : m_dc(dc) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    m_bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
    m_old = ::SelectObject(dc, m_bitmap);
  }
  ~SelectedBitmap() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  uint32_t* Bits() const { return m_bits; }

 private:
  HDC m_dc;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  uint32_t* m_bits = nullptr;
};

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)); }

// The extent DrawText gives the text: on one line, or broken into lines
// `width` pixels wide (a word longer than that widens the result).
SIZE Measure(HDC dc, const std::string& text, UINT flags, int width) {
  RECT rect{0, 0, width, 0};
  ::DrawTextA(dc, text.c_str(), -1, &rect, flags | DT_CALCRECT);
  return {rect.right, rect.bottom};
}

// Static texts of the kinds that show their text as DrawText lays it out:
// SS_LEFT, SS_CENTER and SS_RIGHT break lines at words, the others don't.
std::optional<SIZE> StaticNeeds(DWORD style, const std::string& text, HDC dc, SIZE client) {
  const DWORD type = style & SS_TYPEMASK;
  UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
  if (type <= SS_RIGHT)
    flags |= DT_WORDBREAK;
  else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
    flags |= DT_SINGLELINE;
  else
    return std::nullopt;
  return Measure(dc, text, flags, client.cx);
}

// Where an owner-drawn button's own caption ends. The button draws itself
// twice off the screen, after its text and after none, on a bitmap three
// times its size so that a caption running over is not clipped: the pixels
// that differ are the caption's. A first drawing settles the focus state it
// keeps between drawings. Its frame's edge lies beyond the caption.
SIZE OwnerDrawnNeeds(HWND button, const std::string& text, HDC dc, SIZE client) {
  const int width = client.cx * 3, height = client.cy * 3;
  SelectedBitmap bitmap(dc, width, height);
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  const UINT id = static_cast<UINT>(::GetDlgCtrlID(button));
  const UINT focus = ::GetFocus() == button ? ODS_FOCUS : 0;
  auto draw = [&](const char* caption) {
    std::fill(bitmap.Bits(), bitmap.Bits() + count, 0x00FF00FFu);
    ::SetWindowTextA(button, caption);
    DRAWITEMSTRUCT item = {ODT_BUTTON, id, 0, ODA_DRAWENTIRE, focus, button, dc, {0, 0, client.cx, client.cy}, 0};
    ::SendMessageA(::GetParent(button), WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    ::GdiFlush();
    return std::vector<uint32_t>(bitmap.Bits(), bitmap.Bits() + count);
  };
  draw("");
  const std::vector<uint32_t> with = draw(text.c_str()), without = draw("");
  ::SetWindowTextA(button, text.c_str());
  SIZE reach{0, 0};
  for (size_t i = 0; i < count; ++i) {
    if (with[i] == without[i]) continue;
    reach.cx = std::max<LONG>(reach.cx, static_cast<LONG>(i % static_cast<size_t>(width)) + 1);
    reach.cy = std::max<LONG>(reach.cy, static_cast<LONG>(i / static_cast<size_t>(width)) + 1);
  }
  return {reach.cx + ::GetSystemMetrics(SM_CXEDGE), reach.cy + ::GetSystemMetrics(SM_CYEDGE)};
}

std::optional<SIZE> ButtonNeeds(HWND button, DWORD style, const std::string& text, HDC dc, SIZE client) {
  DWORD type = style & BS_TYPEMASK;
  if (type == BS_OWNERDRAW) return OwnerDrawnNeeds(button, text, dc, client);
  if (style & BS_PUSHLIKE) type = BS_PUSHBUTTON;
  const UINT flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
    // The 2-pixel frame, the focus rectangle inside it, a pixel of air.
    constexpr int kMargin = 4;
    const SIZE label = Measure(dc, text, flags, client.cx - 2 * kMargin);
    return SIZE{label.cx + 2 * kMargin, label.cy + 2 * kMargin};
  }
  const bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                     type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  if (!check) return std::nullopt;
  // The box or circle is 13 pixels at 96 DPI and grows with it; the text
  // starts half a digit's width after it.
  const int glyph = 12 * ::GetDeviceCaps(dc, LOGPIXELSX) / 96 + 1;
  int digit = 0;
  ::GetCharWidth32A(dc, '0', '0', &digit);
  const int before = glyph + digit / 2;
  const SIZE label = Measure(dc, text, flags, client.cx - before);
  return SIZE{label.cx + before, std::max<LONG>(label.cy, glyph)};
}

std::string Line(const std::string& what, const std::string& text, SIZE needs, SIZE has) {
  char sizes[96];
  std::snprintf(sizes, sizeof sizes, " needs %ldx%ld, has %ldx%ld", static_cast<long>(needs.cx),
                static_cast<long>(needs.cy), static_cast<long>(has.cx), static_cast<long>(has.cy));
  return what + " \"" + text + "\"" + sizes;
}

// Each column title against its column's width less the header's margin on
// either side of the text.
void AddCutTitles(HWND list, std::vector<std::string>& cuts) {
  const auto style = static_cast<DWORD>(::GetWindowLongA(list, GWL_STYLE));
  if ((style & LVS_TYPEMASK) != LVS_REPORT || (style & LVS_NOCOLUMNHEADER)) return;
  const auto header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
  MemoryDC dc(FontOf(header));
  const int padding = 2 * static_cast<int>(::SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));
  const int count = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char title[256] = {};
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.pszText = title;
    item.cchTextMax = sizeof title;
    RECT rect = {};
    ::SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
    const SIZE needs = Measure(dc, title, DT_SINGLELINE, 0);
    const SIZE has{item.cxy - padding, rect.bottom - rect.top};
    if (needs.cx > has.cx || needs.cy > has.cy)
      cuts.push_back(Line(std::to_string(::GetDlgCtrlID(list)) + " column " + std::to_string(i), title, needs, has));
  }
}
}  // namespace

std::vector<std::string> CutTexts(HWND window) {
  std::vector<std::string> cuts;
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    char kind[32] = {};
    ::GetClassNameA(child, kind, sizeof kind);
    if (::lstrcmpiA(kind, WC_LISTVIEWA) == 0) AddCutTitles(child, cuts);
    const std::string text = WindowText(child);
    if (text.empty()) continue;
    const auto style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
    RECT client;
    ::GetClientRect(child, &client);
    const SIZE has{client.right, client.bottom};
    MemoryDC dc(FontOf(child));
    std::optional<SIZE> needs;
    if (::lstrcmpiA(kind, "Static") == 0) needs = StaticNeeds(style, text, dc, has);
    if (::lstrcmpiA(kind, "Button") == 0) needs = ButtonNeeds(child, style, text, dc, has);
    if (needs && (needs->cx > has.cx || needs->cy > has.cy))
      cuts.push_back(Line(std::to_string(::GetDlgCtrlID(child)), text, *needs, has));
  }
  return cuts;
}

int ProcessDpi() {
  MemoryDC dc(nullptr);
  return ::GetDeviceCaps(dc, LOGPIXELSY);
}
