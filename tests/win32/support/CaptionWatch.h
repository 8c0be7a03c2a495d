// What the block table's window tests share: the caption's own and progress
// texts, the five controls a fill disables, and a watcher of the texts the
// caption is given.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "LiveDialog.h"

namespace blocktable {
inline constexpr char kCaption[] = "Heap Blocks within the selected Node";

inline int EnabledControls(HWND dialog) {
  return EnabledCount(dialog, {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_PROCESS_COMBO, IDC_NODE_LIST});
}

inline std::string Progress(int done, int total) {
  return std::string(kCaption) + " - processing " + std::to_string(done) + " of " + std::to_string(total) +
         " blocks...";
}

// Records every text the block caption is given, and calls back on each
// progress text. The caption's window procedure is replaced for the
// watcher's lifetime.
class CaptionWatch {
 public:
  explicit CaptionWatch(HWND caption, std::function<void()> onProgress = {})
      : m_caption(caption), m_onProgress(std::move(onProgress)) {
    s_current = this;
    m_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptionWatch::Proc)));
  }
  CaptionWatch(const CaptionWatch&) = delete;
  CaptionWatch& operator=(const CaptionWatch&) = delete;
  ~CaptionWatch() {
    ::SetWindowLongPtrA(m_caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    s_current = nullptr;
  }

  std::vector<std::string> texts;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CaptionWatch& self = *s_current;
    if (message == WM_SETTEXT) {
      const std::string text = reinterpret_cast<const char*>(lParam);
      self.texts.push_back(text);
      if (text != kCaption && self.m_onProgress) self.m_onProgress();
    }
    return ::CallWindowProcA(self.m_previous, window, message, wParam, lParam);
  }

  static inline CaptionWatch* s_current = nullptr;
  HWND m_caption;
  WNDPROC m_previous = nullptr;
  std::function<void()> m_onProgress;
};
}  // namespace blocktable
