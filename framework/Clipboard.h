// Owners for putting text on the clipboard: the movable global memory the
// text is written into, freed unless the clipboard took it, and the open
// clipboard, closed on every path.
#pragma once

#include "framework/Wnd.h"

class CGlobalText {
 public:
  CGlobalText() = default;
  CGlobalText(const CGlobalText&) = delete;
  CGlobalText& operator=(const CGlobalText&) = delete;
  ~CGlobalText() {
    Unlock();
    if (m_hGlobal != nullptr) ::GlobalFree(m_hGlobal);
  }

  // size bytes, locked for writing; null when the memory can't be had.
  char* Allocate(size_t size) {
    m_hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, size);
    m_text = m_hGlobal != nullptr ? static_cast<char*>(::GlobalLock(m_hGlobal)) : nullptr;
    return m_text;
  }
  // Unlocked and no longer freed here: the clipboard owns it now.
  HGLOBAL Detach() {
    Unlock();
    HGLOBAL memory = m_hGlobal;
    m_hGlobal = nullptr;
    return memory;
  }

 private:
  void Unlock() {
    if (m_text != nullptr) ::GlobalUnlock(m_hGlobal);
    m_text = nullptr;
  }

  HGLOBAL m_hGlobal = nullptr;
  char* m_text = nullptr;
};

class CClipboard {
 public:
  explicit CClipboard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
  CClipboard(const CClipboard&) = delete;
  CClipboard& operator=(const CClipboard&) = delete;
  ~CClipboard() {
    if (m_open) ::CloseClipboard();
  }

  bool IsOpen() const { return m_open; }
  // Replaces the clipboard's content with the text (CF_TEXT); the clipboard
  // takes the memory only when it accepts it.
  bool SetText(CGlobalText& text) {
    if (!m_open || !::EmptyClipboard()) return false;
    HGLOBAL memory = text.Detach();
    if (::SetClipboardData(CF_TEXT, memory) != nullptr) return true;
    ::GlobalFree(memory);
    return false;
  }

 private:
  bool m_open;
};
