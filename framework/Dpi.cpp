#include "framework/Dpi.h"

#include "framework/Gdi.h"

namespace {
using PfnGetDpiForWindow = UINT(WINAPI*)(HWND);

PfnGetDpiForWindow GetDpiForWindowEntry() {
  // Looked up, not imported: the program must start on Windows 7.
  static const auto entry = reinterpret_cast<PfnGetDpiForWindow>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return entry;
}
}  // namespace

UINT WindowDpi(HWND window) {
  if (const PfnGetDpiForWindow entry = GetDpiForWindowEntry(); entry != nullptr) {
    if (const UINT dpi = entry(window); dpi != 0) return dpi;
  }
  const CWindowDC screen(nullptr);
  const int dpi = screen.GetSafeHdc() != nullptr ? ::GetDeviceCaps(screen.GetSafeHdc(), LOGPIXELSY) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}
