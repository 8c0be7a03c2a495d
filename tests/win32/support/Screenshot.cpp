// Screenshots for a person to look at: the window's screen pixels as a
// 24-bit BMP (scripts/test turns them into PNG).
#include <cstdio>
#include <vector>

#include "LiveDialog.h"

namespace {
template <class T>
void Put(std::vector<uint8_t>& out, T value) {
  for (size_t i = 0; i < sizeof value; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
}  // namespace

bool SaveScreenshot(HWND window, const std::string& name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  PumpMessages(150);
  RECT rect;
  ::GetWindowRect(window, &rect);
  return SaveScreenRect(rect, name);
}

bool SaveScreenRect(const RECT& wanted, const std::string& name) {
  // Only the screen's pixels can be read: under Wine a rectangle running
  // off it reads as black throughout.
  const RECT desktop{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT rect;
  if (!::IntersectRect(&rect, &wanted, &desktop)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::GdiFlush();

  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t pixels = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  Put<uint32_t>(file, 54 + pixels);
  Put<uint32_t>(file, 0);
  Put<uint32_t>(file, 54);
  file.insert(file.end(), reinterpret_cast<uint8_t*>(&info.bmiHeader),
              reinterpret_cast<uint8_t*>(&info.bmiHeader) + sizeof info.bmiHeader);
  file.insert(file.end(), static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + pixels);

  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);

  const std::string path = ArtifactsDir() + "\\" + name + ".bmp";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(file.data(), file.size(), 1, out) == 1;
  return std::fclose(out) == 0 && written;
}
