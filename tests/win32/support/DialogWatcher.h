// Catches the dialogs a handler opens on the test's own thread (message
// boxes, the Save As dialog, the About box) through a CBT hook, so a test
// can read them and close them without a second thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Afx.h"

struct CaughtMessageBox {
  std::string caption;
  std::string text;
  UINT icon = 0;  // MB_ICONERROR, MB_ICONINFORMATION or 0, from the box's icon
};

class DialogWatcher {
 public:
  // A handler gets each newly activated dialog window (class #32770) and
  // returns true when it dealt with it. Message boxes not taken by a handler
  // are recorded and closed with OK.
  using Handler = std::function<bool(HWND)>;

  DialogWatcher();
  explicit DialogWatcher(Handler handler);
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;
  ~DialogWatcher();

  const std::vector<CaughtMessageBox>& Boxes() const { return m_boxes; }
  std::vector<std::string> Texts() const;
  int OtherDialogs() const { return m_otherDialogs; }
  void Clear() { m_boxes.clear(); }

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  void OnActivate(HWND window);

  HHOOK m_hook = nullptr;
  Handler m_handler;
  std::vector<CaughtMessageBox> m_boxes;
  int m_otherDialogs = 0;
  DialogWatcher* m_outer = nullptr;
};

// True when the window is a message box: a dialog with the static text item.
bool IsMessageBox(HWND window);
std::string WindowText(HWND window);
