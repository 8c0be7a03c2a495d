// The heap node table: confirming a process fills one row per heap from a
// fresh query, falls back to the heap summary, reports failures, and always
// leaves the dialog in table mode with empty block and data views.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/SubstituteFixture.h"
#include "SubstituteHeapQuery.h"
#include "support/TableRows.h"

namespace {
using Row = std::vector<std::string>;

// How many of the three buttons a handler disables are enabled right now.
int EnabledButtons(HWND dialog) { return EnabledCount(dialog, {IDOK, IDC_CLOSE_DATA, IDC_SAVE_DATA}); }

SubstituteHeap Heap(uint64_t base, uint32_t flags, uint64_t allocated, uint64_t committed, size_t entries) {
  SubstituteHeap heap;
  heap.baseAddress = base;
  heap.flags = flags;
  heap.bytesAllocated = allocated;
  heap.bytesCommitted = committed;
  heap.entryOverhead = 8;
  heap.entries.assign(entries, SubstituteEntry{0x20, 0x0001, 0});
  return heap;
}

SubstituteScenario ThreeHeaps() {
  SubstituteScenario scenario;
  scenario.heaps = {Heap(0x00000ABC, 0x00000002, 0x000001F0, 0x00010000, 0),
                    Heap(0x7FFE0000, 0x50000062, 0xDEADBEEF, 0xFFFFFFFF, 3),
                    Heap(0x00150000, 0x00000000, 0x00000000, 0x00001000, 25)};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  return scenario;
}

// Something in each of the three views and data mode on, so a test sees
// whether the handler cleared them and came back to table mode.
void FillViewsAndEnterDataMode(LiveDialog& dlg) {
  PutStaleNodeRow(*dlg);
  PutStaleBlockRow(*dlg);
  dlg->ShowDataMessage("stale line");
  dlg->EnterDataMode();
}

void ExpectEmptyTableMode(LiveDialog& dlg) {
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 0);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_nodeCaption.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataCaption.IsWindowVisible());
  EXPECT_FALSE(dlg->m_closeDataButton.IsWindowVisible());
  EXPECT_FALSE(dlg->m_saveDataButton.IsWindowVisible());
}

class NodeTable : public SubstituteFixture {
 protected:
  bool ChooseOwnProcess() { return dlg.ChooseProcessId(::GetCurrentProcessId()); }
};

TEST_F(NodeTable, ThreeHeapsFillRowsInListOrderWithExactTexts) {
  SetSubstituteScenario(ThreeHeaps());
  dlg->m_blockCaption.SetWindowText("caption of an earlier fill");
  FillViewsAndEnterDataMode(dlg);
  DialogWatcher watcher;
  ASSERT_TRUE(ChooseOwnProcess());

  EXPECT_TRUE(watcher.Boxes().empty());
  const std::vector<Row> expected = {{"1", Addr(0x00000abc), "0", "0x00010000", "0x000001f0", "0x00000002"},
                                     {"2", Addr(0x7ffe0000), "3", "0xffffffff", "0xdeadbeef", "0x50000062"},
                                     {"3", Addr(0x00150000), "25", "0x00001000", "0x00000000", "0x00000000"}};
  EXPECT_EQ(AllRows(dlg->m_nodeList), expected);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 0);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_saveDataButton.IsWindowVisible());
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), "caption of an earlier fill");
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);

  SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queryFlags, std::vector<uint32_t>{0x14});
  EXPECT_EQ(counters.queryProcessIds, std::vector<uint32_t>{::GetCurrentProcessId()});
  EXPECT_EQ(counters.creations, 1);
  EXPECT_EQ(counters.destructions, 1);

  // Every confirmation queries afresh; nothing of the previous table stays.
  SubstituteScenario one;
  one.heaps = {Heap(0x00ABCDEF, 0x00001002, 0x10, 0x20, 7)};
  SetSubstituteScenario(one);
  ASSERT_TRUE(ChooseOwnProcess());
  EXPECT_EQ(AllRows(dlg->m_nodeList),
            (std::vector<Row>{{"1", Addr(0x00abcdef), "7", "0x00000020", "0x00000010", "0x00001002"}}));
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queries, 2);
  EXPECT_EQ(counters.destructions, 2);
}

TEST_F(NodeTable, FailedFullQueryFallsBackToTheSummary) {
  SubstituteScenario scenario = ThreeHeaps();
  scenario.failingFlags = {{0x14, static_cast<int32_t>(0xC0000017)}};
  SetSubstituteScenario(scenario);
  DialogWatcher watcher;
  ASSERT_TRUE(ChooseOwnProcess());

  EXPECT_TRUE(watcher.Boxes().empty());
  ASSERT_EQ(dlg->m_nodeList.GetItemCount(), 3);
  EXPECT_EQ(RowTexts(dlg->m_nodeList, 1), (Row{"2", Addr(0x7ffe0000), "3", "0xffffffff", "0xdeadbeef", "0x50000062"}));
  EXPECT_EQ(CellText(dlg->m_nodeList, 2, 2), "25");
  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queryFlags, (std::vector<uint32_t>{0x14, 0x04}));
  EXPECT_EQ(counters.creations, 1) << "the second query goes into the same buffer";
  EXPECT_EQ(counters.destructions, 1);
}

TEST_F(NodeTable, BothQueriesFailingReportTheSecondStatusWithButtonsDisabled) {
  SubstituteScenario scenario = ThreeHeaps();
  scenario.failingFlags = {{0x14, static_cast<int32_t>(0xC0000017)}, {0x04, static_cast<int32_t>(0xC000022A)}};
  scenario.lastErrorOnFailure = 0x57;  // must not be what the message shows
  SetSubstituteScenario(scenario);
  FillViewsAndEnterDataMode(dlg);
  int enabledWhileShown = -1;
  DialogWatcher watcher([&](HWND) {
    enabledWhileShown = EnabledButtons(dlg.Hwnd());
    return false;
  });
  ASSERT_TRUE(ChooseOwnProcess());

  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Failed to query process heap information, error = 0xc000022a");
  EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(enabledWhileShown, 0) << "Refresh, close and save stay disabled until the report is done";
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  ExpectEmptyTableMode(dlg);
  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queryFlags, (std::vector<uint32_t>{0x14, 0x04}));
  EXPECT_EQ(counters.creations, 1);
  EXPECT_EQ(counters.destructions, 1);

  // A status of any sign is a failure; a positive one is printed as it is.
  scenario.failingFlags = {{0x14, 1}, {0x04, 0x00000103}};
  SetSubstituteScenario(scenario);
  watcher.Clear();
  ASSERT_TRUE(ChooseOwnProcess());
  EXPECT_EQ(watcher.Texts(), std::vector<std::string>{"Failed to query process heap information, error = 0x00000103"});
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
}

TEST_F(NodeTable, BufferThatCannotBeCreatedIsReportedAndNothingIsQueried) {
  SubstituteScenario scenario = ThreeHeaps();
  scenario.createFails = true;
  SetSubstituteScenario(scenario);
  FillViewsAndEnterDataMode(dlg);
  int enabledWhileShown = -1;
  DialogWatcher watcher([&](HWND) {
    enabledWhileShown = EnabledButtons(dlg.Hwnd());
    return false;
  });
  ASSERT_TRUE(ChooseOwnProcess());

  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Failed to create debug buffer for heap storage due to insufficient memory");
  EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(enabledWhileShown, 0);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  ExpectEmptyTableMode(dlg);
  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.failedCreations, 1);
  EXPECT_EQ(counters.queries, 0);
  EXPECT_EQ(counters.destructions, 0);
}

TEST_F(NodeTable, QueryWithoutHeapInformationGivesAnEmptyTableSilently) {
  SubstituteScenario scenario = ThreeHeaps();
  scenario.heapsPointerNull = true;
  SetSubstituteScenario(scenario);
  FillViewsAndEnterDataMode(dlg);
  DialogWatcher watcher;
  ASSERT_TRUE(ChooseOwnProcess());

  EXPECT_TRUE(watcher.Boxes().empty());
  ExpectEmptyTableMode(dlg);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  EXPECT_EQ(SubstituteCountersNow().destructions, 1);
}

// A heap whose memory holds the segment heap's signature shows the sum of
// its busy entries as "Allocated" (the record's value is not its total);
// a heap without the signature keeps the record's value, and so does a
// segment heap when only the summary could be had.
TEST_F(NodeTable, SegmentHeapShowsTheSumOfItsBusyEntries) {
  const size_t span = 0x10000;
  void* const pages = ::VirtualAlloc(nullptr, 2 * span, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(pages, nullptr);
  const uint64_t segmentBase = reinterpret_cast<uintptr_t>(pages);
  const uint64_t otherBase = segmentBase + span;
  const uint32_t signature = 0xDDEEDDEE;
  std::memcpy(static_cast<uint8_t*>(pages) + (sizeof(void*) == 8 ? 0x10 : 0x8), &signature, 4);
  // The other heap holds the signature at the other width's place only.
  std::memcpy(static_cast<uint8_t*>(pages) + span + (sizeof(void*) == 8 ? 0x8 : 0x10), &signature, 4);

  SubstituteScenario scenario;
  scenario.heaps = {Heap(segmentBase, 0x2, 0x1234, 0x40000, 0), Heap(otherBase, 0x2, 0x5678, 0x40000, 0)};
  for (SubstituteHeap& heap : scenario.heaps)
    heap.entries = {{0x10000, 0x0002, heap.baseAddress + 0x580}, {0x20, 0x0001, 0}, {0x40, 0x0100, 0},
                    {0x300, 0x0101, 0}, {0x1000, 0x0003, 0}};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  SetSubstituteScenario(scenario);
  ASSERT_TRUE(ChooseOwnProcess());
  EXPECT_EQ(CellText(dlg->m_nodeList, 0, 4), "0x00000320");
  EXPECT_EQ(CellText(dlg->m_nodeList, 1, 4), "0x00005678");
  EXPECT_EQ(CellText(dlg->m_nodeList, 0, 3), "0x00040000");  // committed as the record says

  scenario.failingFlags = {{0x14, static_cast<int32_t>(0xC0000017)}};
  SetSubstituteScenario(scenario);
  ASSERT_TRUE(ChooseOwnProcess());
  EXPECT_EQ(CellText(dlg->m_nodeList, 0, 4), "0x00001234");
  ::VirtualFree(pages, 0, MEM_RELEASE);
}

// A header click sorts the heaps by that column's value, the next click the
// other way round, ties in walk order both ways; each row keeps all its
// texts and the selection stays with its row; a click on a sorted row lists
// the heap it shows, and a new fill is in walk order with no arrow.
TEST_F(NodeTable, HeaderClicksSortTheHeapsUntilTheNextFill) {
  SubstituteScenario scenario = ThreeHeaps();
  scenario.heaps.push_back(Heap(0x00AB0000, 0x00000002, 0x00000010, 0x00010000, 3));
  SetSubstituteScenario(scenario);
  DialogWatcher watcher;
  ASSERT_TRUE(ChooseOwnProcess());
  CListCtrl& list = dlg->m_nodeList;
  const std::vector<Row> walk = AllRows(list);
  ASSERT_EQ(walk.size(), 4u);
  const auto shown = [&](std::initializer_list<int> walkIndexes) {
    std::vector<Row> rows;
    for (int w : walkIndexes) rows.push_back(walk[static_cast<size_t>(w)]);
    return rows;
  };
  SelectRow(list, 1);
  EXPECT_EQ(SortArrows(list), "------");
  const int queries = SubstituteCountersNow().queries;

  // No of Blocks 0, 3, 25, 3: by value ("25" would come before "3" as text).
  ClickHeader(list, 2);
  EXPECT_EQ(AllRows(list), shown({0, 1, 3, 2}));
  EXPECT_EQ(SortArrows(list), "--^---");
  EXPECT_EQ(CellText(list, ShownSelection(list), 0), "2");
  ClickHeader(list, 2);
  EXPECT_EQ(AllRows(list), shown({2, 1, 3, 0}));
  EXPECT_EQ(SortArrows(list), "--v---");
  EXPECT_EQ(CellText(list, ShownSelection(list), 0), "2");
  ClickHeader(list, 2);
  EXPECT_EQ(AllRows(list), shown({0, 1, 3, 2}));
  EXPECT_EQ(SortArrows(list), "--^---");
  // Another header starts ascending: Allocated 0x1f0, 0xdeadbeef, 0, 0x10.
  ClickHeader(list, 4);
  EXPECT_EQ(AllRows(list), shown({2, 3, 0, 1}));
  EXPECT_EQ(SortArrows(list), "----^-");
  EXPECT_EQ(list.SendMessage(LVM_GETSELECTEDCOUNT), 1);
  EXPECT_EQ(CellText(list, ShownSelection(list), 0), "2");
  EXPECT_EQ(SubstituteCountersNow().queries, queries) << "sorting queries nothing";

  // The top row now is the heap of 25 blocks.
  dlg.ClickRow(list, 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 25);

  ASSERT_TRUE(ChooseOwnProcess());
  EXPECT_EQ(AllRows(list), walk);
  EXPECT_EQ(SortArrows(list), "------");
  ClickHeader(list, 4);
  EXPECT_EQ(SortArrows(list), "----^-") << "a new fill's first sort is ascending";
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

// Wine's own service, as the program resolves it at start-up.
TEST(NodeTableRealService, ResolvedFunctionsRunWithoutAMessage) {
  IdleChild child;  // before the dialog, so the drop-down lists it
  ASSERT_TRUE(child.Running());
  LiveDialog dlg;
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  ASSERT_NE(ntdll, nullptr);
  const auto address = [](auto function) { return reinterpret_cast<uintptr_t>(function); };
  EXPECT_EQ(address(dlg->m_pfnRtlCreateQueryDebugBuffer),
            address(::GetProcAddress(ntdll, "RtlCreateQueryDebugBuffer")));
  EXPECT_EQ(address(dlg->m_pfnRtlDestroyQueryDebugBuffer),
            address(::GetProcAddress(ntdll, "RtlDestroyQueryDebugBuffer")));
  EXPECT_EQ(address(dlg->m_pfnRtlQueryProcessDebugInformation),
            address(::GetProcAddress(ntdll, "RtlQueryProcessDebugInformation")));
  ASSERT_NE(dlg->m_pfnRtlCreateQueryDebugBuffer, nullptr);
  ASSERT_NE(dlg->m_pfnRtlDestroyQueryDebugBuffer, nullptr);
  ASSERT_NE(dlg->m_pfnRtlQueryProcessDebugInformation, nullptr);

  // What the service itself answers for this process and for another one.
  uint32_t ownHeaps = 0;
  for (uint32_t pid : {static_cast<uint32_t>(::GetCurrentProcessId()), child.ProcessId()}) {
    void* buffer = dlg->m_pfnRtlCreateQueryDebugBuffer(0, 0);
    ASSERT_NE(buffer, nullptr);
    const int32_t status = dlg->m_pfnRtlQueryProcessDebugInformation(pid, 0x14, buffer);
    uint32_t heaps = 0;
    uintptr_t list = 0;
    std::memcpy(&list, static_cast<const char*>(buffer) + LayoutOf(kProgramWidth, false).heapsPointer, sizeof list);
    if (status == 0 && list != 0) std::memcpy(&heaps, reinterpret_cast<const void*>(list), 4);
    dlg->m_pfnRtlDestroyQueryDebugBuffer(buffer);
    std::printf("real heap query of process %u: status 0x%.8x, heap list %s, %u heaps\n", static_cast<unsigned>(pid),
                static_cast<unsigned>(status), list ? "present" : "absent", static_cast<unsigned>(heaps));
    EXPECT_EQ(status, 0) << pid;
    if (pid == ::GetCurrentProcessId()) ownHeaps = heaps;
  }

  DialogWatcher watcher;
  ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
  EXPECT_EQ(static_cast<uint32_t>(dlg->m_nodeList.GetItemCount()), ownHeaps);
  EXPECT_EQ(EnabledButtons(dlg.Hwnd()), 3);
  ASSERT_TRUE(dlg.ChooseProcessId(child.ProcessId()));
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}
}  // namespace
