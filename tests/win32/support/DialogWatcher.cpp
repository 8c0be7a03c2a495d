#include "DialogWatcher.h"

namespace {
DialogWatcher* g_watcher = nullptr;

bool IsDialogClass(HWND window) {
  char name[16] = {};
  ::GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}

// Which standard icon a message box shows: compared with the system's icons.
UINT MessageBoxIcon(HWND box) {
  HWND iconItem = ::GetDlgItem(box, 0x440);
  if (iconItem == nullptr) return 0;
  auto icon = reinterpret_cast<HICON>(::SendMessageA(iconItem, STM_GETICON, 0, 0));
  if (icon == nullptr) return 0;
  if (icon == ::LoadIconA(nullptr, IDI_HAND)) return MB_ICONERROR;
  if (icon == ::LoadIconA(nullptr, IDI_ASTERISK)) return MB_ICONINFORMATION;
  if (icon == ::LoadIconA(nullptr, IDI_EXCLAMATION)) return MB_ICONWARNING;
  if (icon == ::LoadIconA(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
  return 0xFFFF;
}
}  // namespace

std::string WindowText(HWND window) {
  char text[4096] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

bool IsMessageBox(HWND window) { return IsDialogClass(window) && ::GetDlgItem(window, 0xFFFF) != nullptr; }

DialogWatcher::DialogWatcher() : DialogWatcher(Handler{}) {}

DialogWatcher::DialogWatcher(Handler handler) : m_handler(std::move(handler)) {
  m_outer = g_watcher;
  g_watcher = this;
  m_hook = ::SetWindowsHookExA(WH_CBT, &DialogWatcher::HookProc, nullptr, ::GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
  if (m_hook != nullptr) ::UnhookWindowsHookEx(m_hook);
  g_watcher = m_outer;
}

std::vector<std::string> DialogWatcher::Texts() const {
  std::vector<std::string> texts;
  for (const auto& box : m_boxes) texts.push_back(box.text);
  return texts;
}

LRESULT CALLBACK DialogWatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_watcher != nullptr) g_watcher->OnActivate(reinterpret_cast<HWND>(wParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogWatcher::OnActivate(HWND window) {
  if (!IsDialogClass(window)) return;
  // Activation comes again when a box regains focus; each box is taken once.
  if (::GetPropA(window, "Tarnwick.Caught") != nullptr) return;
  ::SetPropA(window, "Tarnwick.Caught", reinterpret_cast<HANDLE>(1));
  if (m_handler && m_handler(window)) return;
  if (IsMessageBox(window)) {
    CaughtMessageBox box;
    box.caption = WindowText(window);
    box.text = WindowText(::GetDlgItem(window, 0xFFFF));
    box.icon = MessageBoxIcon(window);
    m_boxes.push_back(box);
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    return;
  }
  ++m_otherDialogs;
}
