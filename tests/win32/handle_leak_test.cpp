// Every path of an inspection releases what it took: after many rounds of
// debug privilege / refresh / choose / click node / click block / save, with
// an ended target and an unreadable block among them, the process holds no
// more kernel handles and no query buffer than before. The file name is
// given in place of the Save As dialog: Wine's dialog itself keeps about one
// handle open per accepted name, with or without this program (the road
// through the real dialog is the inspection-road test).
#include <gtest/gtest.h>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/TableRows.h"
#include "SaveAsDriver.h"
#include "framework/FileDialog.h"
#include "support/HandleCount.h"
#include "support/SubstituteHeapQuery.h"
#include "support/TargetProcess.h"
#include "support/TargetReport.h"

namespace {
std::string g_answer;

BOOL AnswerSaveAs(OPENFILENAMEA& ofn) {
  std::snprintf(ofn.lpstrFile, ofn.nMaxFile, "%s", g_answer.c_str());
  return TRUE;
}

// Saves the selected block; returns the number of message boxes it raised.
size_t Save(LiveDialog& dlg, const std::string& path) {
  g_answer = path;
  DialogWatcher boxes;
  dlg.ClickButton(IDC_SAVE_DATA);
  return boxes.Boxes().size();
}

struct AnswerInstead {
  AnswerInstead() { CFileDialog::SetAnswerForTests(&AnswerSaveAs); }
  ~AnswerInstead() { CFileDialog::SetAnswerForTests(nullptr); }
};

// One round of the whole road on the target's first heap.
size_t InspectAndSave(LiveDialog& dlg, uint32_t processId, const std::string& path) {
  dlg.ChooseProcessId(processId);
  if (dlg->m_nodeList.GetItemCount() > 0) dlg.ClickRow(dlg->m_nodeList, 0);
  if (dlg->m_blockList.GetItemCount() > 1) dlg.ClickRow(dlg->m_blockList, 1);
  return Save(dlg, path);
}
}  // namespace

TEST(HandleLeaks, HundredRoundsIncludingFailuresHoldNoMoreHandles) {
  std::optional<TargetProcess> target = TargetProcess::Start("");
  ASSERT_TRUE(target) << TargetStartError();
  SubstituteScenario scenario = ScenarioFromReport(target->Report());
  LiveDialog dlg;
  dlg.UseSubstituteService();
  saving::ScratchFolder folder;
  const std::string path = folder.Path("round.bin");
  const AnswerInstead answer;
  DialogWatcher boxes;

  size_t failures = 0;
  const auto round = [&](int n) {
    SetSubstituteScenario(scenario);
    // The privilege step opens the program's token; a refresh opens every
    // running process.
    dlg->EnableDebugPrivilege();
    dlg.ClickButton(IDOK);
    failures += InspectAndSave(dlg, target->ProcessId(), path);
    if (n % 10 == 9) {
      // An unreadable block: the dump and the save both fail to read.
      PutBlockRow(*dlg, target->Report().unreadableAddress, 0x100, "Allocated");
      dlg.ClickRow(dlg->m_blockList, 0);
      failures += Save(dlg, path);
    }
  };
  // Ten rounds warm up what Wine creates once and keeps (window classes,
  // the message box's resources).
  for (int n = 0; n < 10; ++n) round(n);
  PumpMessages(50);
  const int before = OpenKernelHandles();
  failures = 0;
  for (int n = 0; n < 100; ++n) round(n);
  PumpMessages(50);
  EXPECT_EQ(OpenKernelHandles(), before);

  // The target ends: opening it fails on every path. (Ending it changes the
  // handles the test's own target object holds, so counting restarts.)
  dlg.ChooseProcessId(target->ProcessId());
  if (dlg->m_nodeList.GetItemCount() > 0) dlg.ClickRow(dlg->m_nodeList, 0);
  if (dlg->m_blockList.GetItemCount() > 1) SelectRow(dlg->m_blockList, 1);
  target->Terminate();
  PumpMessages(50);
  const int afterEnd = OpenKernelHandles();
  for (int round = 0; round < 10; ++round) {
    if (dlg->m_blockList.GetItemCount() > 1) dlg.ClickRow(dlg->m_blockList, 1);
    failures += Save(dlg, path);
  }
  // A refresh no longer finds it and empties the views.
  dlg.ClickButton(IDOK);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  PumpMessages(50);

  EXPECT_EQ(OpenKernelHandles(), afterEnd);
  EXPECT_EQ(LiveSubstituteBuffers(), 0);
  EXPECT_EQ(SubstituteMisuses(), 0);
  EXPECT_EQ(failures, 20u);  // ten unreadable blocks, ten saves from the ended target
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"round.bin"});
}

// Waits stopped by Escape leave their workers to end by themselves: once
// every query has returned, no handle, thread or buffer is left.
TEST(HandleLeaks, StoppedWaitsHoldNothingOnceTheirQueriesReturn) {
  SubstituteScenario scenario;
  SubstituteHeap heap;
  heap.baseAddress = 0x00150000;
  heap.entries.assign(30, SubstituteEntry{0x20, 0x0001, 0});
  scenario.heaps = {heap};
  LiveDialog dlg;
  dlg.UseSubstituteService();
  DialogWatcher boxes;
  const auto rounds = [&](int count) {
    for (int n = 0; n < count; ++n) {
      scenario.answerDelayMs = 0;
      SetSubstituteScenario(scenario);
      dlg.ChooseProcessId(::GetCurrentProcessId());
      // Escape waits in the queue: the next wait stops at its first look.
      scenario.answerDelayMs = 300;
      SetSubstituteScenario(scenario);
      ::PostMessageA(dlg->m_nodeList.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      dlg.ClickRow(dlg->m_nodeList, 0);
      ::PostMessageA(dlg->m_processCombo.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      dlg.ChooseProcessId(::GetCurrentProcessId());
    }
    EXPECT_TRUE(WaitForSubstituteIdle(10000));
    PumpMessages(100);
  };
  // A worker ends a moment after its buffer is destroyed, closing its two
  // events as it goes: the count is taken once it has settled (on a loaded
  // machine that takes seconds).
  const auto settledHandles = [](int expected) {
    int now = OpenKernelHandles();
    for (int i = 0; i < 1000 && now != expected; ++i) {
      ::Sleep(10);
      now = OpenKernelHandles();
    }
    return now;
  };
  rounds(3);
  ::Sleep(200);
  const int before = OpenKernelHandles();
  rounds(20);
  EXPECT_EQ(settledHandles(before), before);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(LiveSubstituteBuffers(), 0);
  EXPECT_EQ(SubstituteMisuses(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
  SetSubstituteScenario({});
}
