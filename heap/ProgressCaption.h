// A caption that tells the progress of a long job on the dialog's own
// thread (the block-table fill, a search). Its redraw is off while the job
// runs and it is painted at most every kPaintInterval, so that a fast job
// isn't slowed by painting; the last text is painted at the end.
#pragma once

#include "framework/Controls.h"

class ProgressCaption {
 public:
  static constexpr DWORD kPaintInterval = 30;

  // firstPaintAfter: how long the first text waits to be painted (a job
  // that ends sooner shows none).
  explicit ProgressCaption(CStatic& caption, DWORD firstPaintAfter = 0)
      : m_caption(caption), m_lastPaint(::GetTickCount() - kPaintInterval + firstPaintAfter) {
    m_caption.SetRedraw(FALSE);
  }
  ProgressCaption(const ProgressCaption&) = delete;
  ProgressCaption& operator=(const ProgressCaption&) = delete;
  ~ProgressCaption() { Paint(); }

  // Whether a text set now would be painted now.
  bool PaintDue() const { return ::GetTickCount() - m_lastPaint >= kPaintInterval; }

  void SetText(const char* text) {
    m_caption.SetWindowText(text);
    if (!PaintDue()) return;
    m_lastPaint = ::GetTickCount();
    Paint();
    m_caption.SetRedraw(FALSE);
  }

 private:
  void Paint() {
    m_caption.SetRedraw(TRUE);
    m_caption.Invalidate();
    m_caption.UpdateWindow();
    // Looking at the queue keeps the window responsive during a long job,
    // and Wine puts what was painted on the screen when a look finds
    // nothing. Only sent messages are looked for: the disabled controls
    // leave paint messages pending, and with them in view every look would
    // find something. Nothing is removed from the queue.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }

  CStatic& m_caption;
  DWORD m_lastPaint;
};
