// The dialog's side of a heap query on a worker: its thread keeps handling
// messages (painting, moving, keys) until the answer is in, Escape stops
// the wait, or the window ends.
#include <algorithm>

#include "heap/QueryAnswer.h"
#include "heap/QueryWorker.h"
#include "shell/TarnwickDlg.h"

namespace {
// A caption is sized for its own text; the longer waiting text gets the
// width of the tables below it, and the caption its own size back after.
class CaptionSize {
 public:
  CaptionSize(CWnd& dialog, CStatic& caption) : m_dialog(dialog), m_caption(caption) {
    m_caption.GetWindowRect(&m_own);
    MapToDialog(m_own);
  }
  CaptionSize(const CaptionSize&) = delete;
  CaptionSize& operator=(const CaptionSize&) = delete;

  void Widen(const CWnd& table) {
    RECT tableRect;
    table.GetWindowRect(&tableRect);
    MapToDialog(tableRect);
    if (tableRect.right > m_own.right) Resize(tableRect.right - m_own.left);
  }
  void Restore() { Resize(m_own.right - m_own.left); }

 private:
  void MapToDialog(RECT& rect) const {
    ::MapWindowPoints(nullptr, m_dialog.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
  }
  void Resize(int width) {
    m_caption.SetWindowPos(nullptr, 0, 0, width, m_own.bottom - m_own.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  CWnd& m_dialog;
  CStatic& m_caption;
  RECT m_own;
};
}  // namespace

bool CTarnwickDlg::WaitForAnswer(PendingQuery& pending, CStatic& caption, const char* ownText, uint32_t limitMs) {
  if (!pending.Started()) return true;  // its outcome says no buffer came
  CaptionSize captionSize(*this, caption);
  PendingQuery* const outer = m_waitingQuery;
  m_waitingQuery = &pending;
  const ULONGLONG start = ::GetTickCount64();
  bool captionShown = false;
  const HANDLE answer = pending.AnswerEvent();
  while (!pending.Stopped()) {
    DWORD timeout = INFINITE;
    const ULONGLONG waited = ::GetTickCount64() - start;
    if (limitMs != 0) {
      if (waited >= limitMs) {
        pending.GiveUp();
        break;
      }
      timeout = static_cast<DWORD>(limitMs - waited);
    }
    if (!captionShown) {
      if (waited >= kWaitingCaptionAfterMs) {
        captionSize.Widen(m_blockList);
        caption.SetWindowText(WaitingCaptionText(ownText).c_str());
        captionShown = true;
      } else {
        timeout = std::min(timeout, static_cast<DWORD>(kWaitingCaptionAfterMs - waited));
      }
    }
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &answer, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_OBJECT_0 + 1) HandleMessagesWhileWaiting(pending);
  }
  m_waitingQuery = outer;
  if (captionShown) {
    caption.SetWindowText(ownText);
    captionSize.Restore();
  }
  return !pending.Stopped();
}

void CTarnwickDlg::HandleMessagesWhileWaiting(PendingQuery& pending) {
  MSG msg;
  while (!pending.Stopped() && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
      pending.Stop();
      return;
    }
    const bool ours = msg.hwnd == m_hWnd || ::IsChild(m_hWnd, msg.hwnd);
    if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      pending.Stop();  // the wait only; the window stays
      return;
    }
    if (!::IsDialogMessageA(m_hWnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    // Closed meanwhile: the program ends without waiting for the answer.
    if (Ended() || !::IsWindow(m_hWnd)) pending.Stop();
  }
}

bool CTarnwickDlg::ProcessIsFrozen(uint32_t processId) {
  if (m_pfnNtQueryInformationProcess == nullptr) return false;
  const ProcessHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return false;
  uint8_t info[kLargestExtendedBasicInfoSize];
  PrepareExtendedBasicInfo(kProgramWidth, info);
  ULONG returned = 0;
  const LONG status = m_pfnNtQueryInformationProcess(process.Get(), kProcessBasicInformationClass, info,
                                                     ExtendedBasicInfoSize(kProgramWidth), &returned);
  return SaysFrozen(kProgramWidth, status, info, returned);
}

bool CTarnwickDlg::ReportFailedAnswer(const QueryOutcome& outcome, const char* noBufferText) {
  if (!outcome.created) {
    Report(noBufferText);
    return true;
  }
  // A failure names the query's own status: the native call does not set
  // the last error.
  switch (JudgeQueryAnswer(outcome.status, outcome.hasHeapList, outcome.queryMs)) {
    case QueryAnswer::NoAnswerInTime:
      Report(kNoAnswerText, MB_ICONINFORMATION);
      return true;
    case QueryAnswer::Failed:
      Report(HeapQuery::FailureText(outcome.status).c_str());
      return true;
    case QueryAnswer::Heaps:
      break;
  }
  return false;
}
