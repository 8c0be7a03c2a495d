// A heap query that waits: the dialog's thread keeps answering while the
// substitute service holds its answer back, the caption says so after half
// a second, Escape stops the wait, another process chosen replaces it, the
// window can be closed, and a late or timed-out answer is told as such. A
// wait that was stopped never puts anything into a table.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "heap/QueryAnswer.h"
#include "heap/TableText.h"
#include "support/BlockTableFixture.h"
#include "support/SubstituteFixture.h"
#include "support/TableRows.h"

namespace {

// Runs `work` on a second thread while the test's thread is inside a
// handler; at the end of the scope it is told to stop and joined, also
// when an assertion left the scope early. Messages the thread sends to the
// dialog are handled meanwhile, so it can always finish.
class Meanwhile {
 public:
  explicit Meanwhile(std::function<void(const std::atomic<bool>& stop)> work)
      : m_thread([this, work = std::move(work)] {
          work(m_stop);
          m_finished = true;
        }) {}
  Meanwhile(const Meanwhile&) = delete;
  Meanwhile& operator=(const Meanwhile&) = delete;
  ~Meanwhile() {
    m_stop = true;
    while (!m_finished) PumpMessages(5);
    m_thread.join();
  }

 private:
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_finished{false};
  std::thread m_thread;
};

const std::string kNodeWaiting = WaitingCaptionText(kNodeCaptionText);
const std::string kBlockWaiting = WaitingCaptionText(kBlockCaptionText);

int EnabledButtons(HWND dialog) { return EnabledCount(dialog, {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA}); }

ULONGLONG Now() { return ::GetTickCount64(); }

// What a second thread sees of the dialog while a handler runs: the
// slowest answer to WM_NULL, and every caption text it read.
struct Watch {
  ULONGLONG slowestMs = 0;
  int unanswered = 0;
  std::vector<std::string> captions;
  // Taken once, a second into the wait, for a person to look at.
  std::string screenshot;

  void Run(HWND dialog, HWND caption, const std::atomic<bool>& stop) {
    const ULONGLONG begin = Now();
    while (!stop) {
      if (!screenshot.empty() && Now() - begin >= 1000) {
        RECT rect;
        ::GetWindowRect(dialog, &rect);
        SaveScreenRect(rect, screenshot);
        screenshot.clear();
      }
      const ULONGLONG start = Now();
      DWORD_PTR result = 0;
      if (!::SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++unanswered;
      slowestMs = std::max(slowestMs, Now() - start);
      const std::string text = WindowText(caption);
      if (captions.empty() || captions.back() != text) captions.push_back(text);
      ::Sleep(50);
    }
  }
};

class QueryWait : public SubstituteFixture {
 protected:
  void TearDown() override {
    // A stopped wait's worker ends when its query returns.
    EXPECT_TRUE(WaitForSubstituteIdle(15000));
    SubstituteFixture::TearDown();
  }
  SubstituteScenario Scenario(uint32_t delayMs, int blocks = 30) {
    SubstituteScenario scenario;
    scenario.heaps = {HeapOfBlocks(0x00150000, blocks), HeapOfBlocks(0x00250000, 2)};
    scenario.answerDelayMs = delayMs;
    return scenario;
  }
  bool ChooseOwn() { return dlg.ChooseProcessId(::GetCurrentProcessId()); }
};

// Fails when the query runs on the dialog's thread again: WM_NULL waits
// two seconds for an answer then.
TEST_F(QueryWait, DialogAnswersWhileTheQueryWaitsAndTheCaptionSaysSo) {
  SetSubstituteScenario(Scenario(2000));
  DialogWatcher boxes;
  Watch watch;
  watch.screenshot = "main-dialog-waiting-for-the-process";
  const ULONGLONG start = Now();
  {
    Meanwhile meanwhile([&](const auto& stop) { watch.Run(dlg.Hwnd(), dlg->m_nodeCaption.m_hWnd, stop); });
    ASSERT_TRUE(ChooseOwn());
    PumpMessages(150);  // the watcher reads the caption once more
  }
  EXPECT_GE(Now() - start, 1900u);
  EXPECT_EQ(watch.unanswered, 0);
  EXPECT_LE(watch.slowestMs, 200u);
  EXPECT_EQ(watch.captions, (std::vector<std::string>{kNodeCaptionText, kNodeWaiting, kNodeCaptionText}))
      << ::testing::PrintToString(watch.captions);
  EXPECT_EQ(WindowText(dlg->m_nodeCaption.m_hWnd), kNodeCaptionText);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
  EXPECT_EQ(CellText(dlg->m_nodeList, 1, 2), "3");
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  EXPECT_EQ(SubstituteCountersNow().queryFlags, std::vector<uint32_t>{0x14});

  // The block table's query, and each step of the buffer's growth, wait
  // the same way; the growth steps each wait 400 ms.
  SubstituteScenario growing = Scenario(400);
  growing.commitNeeded = 32u << 20;
  SetSubstituteScenario(growing);
  ResetSubstituteCounters();
  Watch blockWatch;
  blockWatch.screenshot = "block-table-waiting-for-the-process";
  {
    Meanwhile meanwhile([&](const auto& stop) { blockWatch.Run(dlg.Hwnd(), dlg->m_blockCaption.m_hWnd, stop); });
    dlg.ClickRow(dlg->m_nodeList, 0);
    PumpMessages(150);
  }
  EXPECT_EQ(blockWatch.unanswered, 0);
  EXPECT_LE(blockWatch.slowestMs, 200u);
  EXPECT_NE(std::find(blockWatch.captions.begin(), blockWatch.captions.end(), kBlockWaiting),
            blockWatch.captions.end())
      << ::testing::PrintToString(blockWatch.captions);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kBlockCaptionText);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 30);
  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.createCommits, (std::vector<uint32_t>{0, 16u << 20, 32u << 20}));
  EXPECT_EQ(counters.creations, counters.destructions);
  EXPECT_TRUE(boxes.Boxes().empty());
}

// An answer that comes at once shows no waiting text at all.
TEST_F(QueryWait, QuickAnswerSetsNoCaptionText) {
  SetSubstituteScenario(Scenario(0));
  Watch watch;
  {
    Meanwhile meanwhile([&](const auto& stop) { watch.Run(dlg.Hwnd(), dlg->m_nodeCaption.m_hWnd, stop); });
    ASSERT_TRUE(ChooseOwn());
    PumpMessages(150);  // the watcher reads at least once more
  }
  EXPECT_EQ(watch.captions, std::vector<std::string>{kNodeCaptionText});
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
}

// Fails when an abandoned worker's answer reaches a table: the rows of the
// stopped query's scenario would replace the later ones.
TEST_F(QueryWait, EscapeStopsTheWaitAndItsAnswerIsDropped) {
  SubstituteScenario slow = Scenario(1500);
  slow.heaps.push_back(HeapOfBlocks(0x00350000, 1));  // three heaps: the stopped answer's
  SetSubstituteScenario(slow);
  DialogWatcher boxes;
  const ULONGLONG start = Now();
  {
    Meanwhile meanwhile([&](const auto&) {
      ::Sleep(700);
      ::PostMessageA(dlg->m_processCombo.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    ASSERT_TRUE(ChooseOwn());
  }
  EXPECT_LT(Now() - start, 1400u);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  EXPECT_EQ(WindowText(dlg->m_nodeCaption.m_hWnd), kNodeCaptionText);
  EXPECT_TRUE(dlg->IsWindowVisible());
  EXPECT_FALSE(dlg->Ended());

  // The same process again, answered at once, while the first still waits.
  SetSubstituteScenario(Scenario(0));
  ASSERT_TRUE(ChooseOwn());
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
  EXPECT_EQ(SubstituteQueriesInFlight(), 1);
  ASSERT_TRUE(WaitForSubstituteIdle(5000));
  PumpMessages(100);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);

  // Escape in the block table's wait: that table stays empty, the five
  // controls come back, and the same heap can be listed again.
  SetSubstituteScenario(Scenario(1500));
  {
    Meanwhile meanwhile([&](const auto&) {
      ::Sleep(700);
      ::PostMessageA(dlg->m_blockList.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    dlg.ClickRow(dlg->m_nodeList, 0);
  }
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kBlockCaptionText);
  EXPECT_EQ(EnabledCount(dlg.Hwnd(), {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_PROCESS_COMBO, IDC_NODE_LIST}), 5);
  SetSubstituteScenario(Scenario(0, 5));
  dlg.ClickRow(dlg->m_nodeList, 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 5);
  ASSERT_TRUE(WaitForSubstituteIdle(5000));
  PumpMessages(100);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 5);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(QueryWait, AnotherProcessChosenWhileWaitingIsQueriedInstead) {
  IdleChild child;
  ASSERT_TRUE(child.Running());
  dlg.ClickButton(IDOK);  // the child joins the list
  SubstituteScenario scenario = Scenario(3000);
  scenario.delayOnlyProcessId = ::GetCurrentProcessId();
  SetSubstituteScenario(scenario);
  DialogWatcher boxes;
  const ULONGLONG start = Now();
  {
    Meanwhile meanwhile([&](const auto&) {
      ::Sleep(700);
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "[%u]", child.ProcessId());
      const HWND combo = dlg->m_processCombo.m_hWnd;
      const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        char text[512] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        if (std::string(text).find(suffix) == std::string::npos) continue;
        ::SendMessageA(combo, CB_SETCURSEL, i, 0);
        ::SendMessageA(dlg.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK),
                       reinterpret_cast<LPARAM>(combo));
        break;
      }
    });
    ASSERT_TRUE(ChooseOwn());
  }
  EXPECT_LT(Now() - start, 2500u);
  EXPECT_EQ(SubstituteCountersNow().queryProcessIds,
            (std::vector<uint32_t>{::GetCurrentProcessId(), child.ProcessId()}));
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
  EXPECT_EQ(WindowText(dlg->m_nodeCaption.m_hWnd), kNodeCaptionText);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  EXPECT_TRUE(boxes.Boxes().empty());
  ASSERT_TRUE(WaitForSubstituteIdle(5000));
  PumpMessages(100);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
}

TEST_F(QueryWait, ClosingTheWindowEndsTheWaitAtOnce) {
  SetSubstituteScenario(Scenario(3000));
  DialogWatcher boxes;
  const ULONGLONG start = Now();
  {
    Meanwhile meanwhile([&](const auto&) {
      ::Sleep(700);
      ::PostMessageA(dlg.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ASSERT_TRUE(ChooseOwn());
  }
  EXPECT_LT(Now() - start, 1500u);
  EXPECT_TRUE(dlg->Ended());
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

// No fallback query for a process that did not answer, and the message
// says what to do; a success without heaps that came at once says nothing.
TEST_F(QueryWait, NoAnswerInTimeIsToldAndNotAskedAgain) {
  SubstituteScenario timedOut = Scenario(0);
  timedOut.failingFlags = {{0x14, kQueryStatusTimeout}};
  SetSubstituteScenario(timedOut);
  DialogWatcher boxes;
  ASSERT_TRUE(ChooseOwn());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, kNoAnswerText);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(SubstituteCountersNow().queryFlags, std::vector<uint32_t>{0x14});
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);

  SubstituteScenario late = Scenario(static_cast<uint32_t>(kNoAnswerAfterMs) + 100);
  late.heapsPointerNull = true;
  SetSubstituteScenario(late);
  ResetSubstituteCounters();
  boxes.Clear();
  ASSERT_TRUE(ChooseOwn());
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kNoAnswerText});
  EXPECT_EQ(SubstituteCountersNow().queries, 1);
  EXPECT_EQ(WindowText(dlg->m_nodeCaption.m_hWnd), kNodeCaptionText);

  // The block table's query likewise.
  SetSubstituteScenario(Scenario(0));
  ASSERT_TRUE(ChooseOwn());
  SetSubstituteScenario(timedOut);
  boxes.Clear();
  dlg.ClickRow(dlg->m_nodeList, 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kNoAnswerText});
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(EnabledCount(dlg.Hwnd(), {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_PROCESS_COMBO, IDC_NODE_LIST}), 5);

  // The system waits for the items without a limit, so the dialog gives
  // up by itself (fails when the item wait hangs the table or walks on).
  SubstituteScenario slowItems = Scenario(1500);
  slowItems.itemClass = true;
  SetSubstituteScenario(slowItems);
  dlg->m_itemAnswerLimitMs = 300;
  PutStaleBlockRow(*dlg);
  ResetSubstituteCounters();
  boxes.Clear();
  const ULONGLONG start = Now();
  dlg.ClickRow(dlg->m_nodeList, 0);
  EXPECT_LT(Now() - start, 1200u);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, kNoAnswerText);
  EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kBlockCaptionText);
  EXPECT_EQ(EnabledCount(dlg.Hwnd(), {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA, IDC_PROCESS_COMBO, IDC_NODE_LIST}), 5);
  ASSERT_TRUE(WaitForSubstituteIdle(5000));
  EXPECT_EQ(SubstituteCountersNow().queries, 0) << "no 0x14 query once given up";
}

// The system's stand-in says the process is frozen: nothing is queried.
LONG WINAPI FrozenProcessInfo(HANDLE, ULONG infoClass, void* info, ULONG size, ULONG* returned) {
  if (infoClass != 0 || size != ExtendedBasicInfoSize(kProgramWidth)) return static_cast<LONG>(0xC0000004);
  auto* bytes = static_cast<uint8_t*>(info);
  if (GetWord(LayoutOf(kProgramWidth, false), bytes) != size) return static_cast<LONG>(0xC0000004);
  bytes[ExtendedBasicInfoFlags(kProgramWidth)] = 0x10;
  *returned = size;
  return 0;
}
LONG WINAPI FailingProcessInfo(HANDLE, ULONG, void*, ULONG, ULONG*) { return static_cast<LONG>(0xC0000003); }

TEST_F(QueryWait, FrozenProcessIsNotQueried) {
  SetSubstituteScenario(Scenario(0));
  ASSERT_TRUE(ChooseOwn());
  dlg.ClickRow(dlg->m_nodeList, 0);
  ASSERT_GT(dlg->m_blockList.GetItemCount(), 0);
  ResetSubstituteCounters();
  dlg->m_pfnNtQueryInformationProcess = &FrozenProcessInfo;
  DialogWatcher boxes;
  ASSERT_TRUE(ChooseOwn());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, kFrozenText);
  EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(SubstituteCountersNow().queries, 0);
  EXPECT_EQ(SubstituteCountersNow().creations, 0);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);

  // A system that can't tell: queried as ever.
  dlg->m_pfnNtQueryInformationProcess = &FailingProcessInfo;
  boxes.Clear();
  ASSERT_TRUE(ChooseOwn());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
}

}  // namespace
