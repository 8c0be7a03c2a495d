// Driving the copy commands as a user does: a control's context menu opened
// with the mouse or the keyboard, looked at while it is open and left by an
// item's mnemonic or Escape; keys typed with Ctrl held; the clipboard read,
// set and held open by another thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/Afx.h"

struct SeenMenu {
  bool opened = false;
  std::vector<std::string> items;
  std::vector<bool> enabled;
  RECT popup = {};  // screen pixels
};

enum class MenuWay { RightClick, ShiftF10, AppsKey };

// Opens the menu of `control` (right-click at `at`, client pixels; or a key
// with the control focused), calls look(popup) while it is open, then
// chooses the item that reads `item` when given (arrow keys and Enter: items
// without a mnemonic), else types `choose` (an item's mnemonic), or Escape
// when it is 0.
SeenMenu UseContextMenu(HWND control, MenuWay way, char choose, POINT at = {},
                        const std::function<void(HWND)>& look = {}, const std::string& item = {});

// Ctrl held in this thread's key state while `key` goes down and up in
// `control`, posted and pumped as typing arrives; `alt` holds Alt too.
void TypeWithCtrl(HWND control, UINT key, bool alt = false);

// The clipboard's CF_TEXT, or nothing when it holds none.
std::optional<std::string> ClipboardText();
void SetClipboardText(const std::string& text);

// Keeps the clipboard open from another thread while it lives.
class ClipboardHolder {
 public:
  ClipboardHolder();
  ~ClipboardHolder();
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;
  bool Holding() const { return m_holding; }

 private:
  HANDLE m_opened = nullptr;
  HANDLE m_release = nullptr;
  HANDLE m_thread = nullptr;
  bool m_holding = false;
};
