#include "CopyDriver.h"

#include <cstring>

#include "LiveDialog.h"

namespace {
struct MenuVisit {
  SeenMenu seen;
  char choose = 0;
  std::string item;  // chosen by its text, when given
  const std::function<void(HWND)>* look = nullptr;
  UINT_PTR timer = 0;
};
MenuVisit* g_visit = nullptr;

BOOL CALLBACK FindPopup(HWND window, LPARAM found) {
  char name[16] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32768") != 0 || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Runs inside the menu's own loop, which dispatches the timer's message;
// until the popup shows it waits for the next tick.
void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
  MenuVisit& visit = *g_visit;
  HWND popup = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindPopup, reinterpret_cast<LPARAM>(&popup));
  if (popup == nullptr || visit.seen.opened) return;
  ::KillTimer(nullptr, visit.timer);
  visit.seen.opened = true;
  ::GetWindowRect(popup, &visit.seen.popup);
  auto menu = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
  // Home selects the first item, each Down the next one that is no separator.
  int chosen = -1, place = -1;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    char text[256] = {};
    ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    visit.seen.items.push_back(text);
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    visit.seen.enabled.push_back((state & MF_GRAYED) == 0);
    if (!(state & MF_SEPARATOR)) ++place;
    if (chosen == -1 && !visit.item.empty() && visit.item == text) chosen = place;
  }
  if (visit.look != nullptr && *visit.look) (*visit.look)(popup);
  if (chosen != -1) {
    ::PostMessageA(popup, WM_KEYDOWN, VK_HOME, 1);
    for (int i = 0; i < chosen; ++i) ::PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 1);
  } else if (visit.choose != 0)
    ::PostMessageA(popup, WM_CHAR, static_cast<WPARAM>(visit.choose), 1);
  else
    ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
}

// This thread's key state with the given keys down (or all up).
void HoldKeys(std::initializer_list<int> keys) {
  BYTE state[256] = {};
  for (int key : keys) state[key] = 0x80;
  ::SetKeyboardState(state);
}
}  // namespace

SeenMenu UseContextMenu(HWND control, MenuWay way, char choose, POINT at, const std::function<void(HWND)>& look,
                        const std::string& item) {
  MenuVisit visit;
  visit.choose = choose;
  visit.item = item;
  visit.look = &look;
  g_visit = &visit;
  visit.timer = ::SetTimer(nullptr, 0, 20, &OnTick);

  if (way == MenuWay::RightClick) {
    // The list view takes the menu's position from the pointer, and waits
    // in its own loop for the button to come up.
    POINT screen = at;
    ::ClientToScreen(control, &screen);
    ::SetCursorPos(screen.x, screen.y);
    PumpMessages(20);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    ::PostMessageA(control, WM_RBUTTONUP, 0, where);
    ::SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, where);
  } else {
    ::SetFocus(control);
    if (way == MenuWay::ShiftF10) {
      HoldKeys({VK_SHIFT});
      ::PostMessageA(control, WM_SYSKEYDOWN, VK_F10, 1);
    } else {
      ::PostMessageA(control, WM_KEYDOWN, VK_APPS, 1);
      ::PostMessageA(control, WM_KEYUP, VK_APPS, 0xC0000001);
    }
  }
  PumpMessages(30);
  HoldKeys({});
  ::KillTimer(nullptr, visit.timer);
  g_visit = nullptr;
  return visit.seen;
}
void TypeWithCtrl(HWND control, UINT key, bool alt) {
  ::SetFocus(control);
  if (alt)
    HoldKeys({VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU});
  else
    HoldKeys({VK_CONTROL, VK_LCONTROL});
  const UINT scan = ::MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  ::PostMessageA(control, WM_KEYDOWN, key, 1 | (scan << 16));
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001 | (scan << 16));
  PumpMessages();
  HoldKeys({});
}

std::optional<std::string> ClipboardText() {
  if (!::OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const auto* chars = static_cast<const char*>(::GlobalLock(data))) {
      text = std::string(chars, strnlen(chars, ::GlobalSize(data)));
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void SetClipboardText(const std::string& text) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
  ::GlobalUnlock(memory);
  if (::OpenClipboard(nullptr)) {
    ::EmptyClipboard();
    if (::SetClipboardData(CF_TEXT, memory) == nullptr) ::GlobalFree(memory);
    ::CloseClipboard();
  } else {
    ::GlobalFree(memory);
  }
}

namespace {
struct HolderEvents {
  HANDLE opened;
  HANDLE release;
  bool* holding;
};

DWORD WINAPI HoldClipboard(void* parameter) {
  const HolderEvents events = *static_cast<HolderEvents*>(parameter);
  *events.holding = ::OpenClipboard(nullptr) != FALSE;
  ::SetEvent(events.opened);
  ::WaitForSingleObject(events.release, INFINITE);
  if (*events.holding) ::CloseClipboard();
  return 0;
}
}  // namespace

ClipboardHolder::ClipboardHolder()
    : m_opened(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_release(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  HolderEvents events{m_opened, m_release, &m_holding};
  m_thread = ::CreateThread(nullptr, 0, &HoldClipboard, &events, 0, nullptr);
  ::WaitForSingleObject(m_opened, 5000);
}

ClipboardHolder::~ClipboardHolder() {
  ::SetEvent(m_release);
  ::WaitForSingleObject(m_thread, 5000);
  ::CloseHandle(m_thread);
  ::CloseHandle(m_release);
  ::CloseHandle(m_opened);
}
