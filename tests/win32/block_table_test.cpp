// The block table: a click on a heap node lists that heap's blocks from a
// fresh query, reports failed queries with their own status, and gives the
// five controls it disables back on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "DialogWatcher.h"
#include "blockdata/DumpLines.h"
#include "LiveDialog.h"
#include "support/BlockTableFixture.h"
#include "support/CaptionWatch.h"
#include "support/SubstituteFixture.h"
#include "support/TableRows.h"
#include "SubstituteHeapQuery.h"
#include "TargetProcess.h"

namespace {
using Row = std::vector<std::string>;

using blocktable::CaptionWatch;
using blocktable::EnabledControls;
using blocktable::kCaption;
using blocktable::Progress;


TEST_F(BlockTable, ClickListsTheBlocksOfTheFirstHeapWithTheClickedBase) {
  ChooseWith({Heap(0x00150000, {Segment(0x00150580), Block(0x20, 0x0001), Block(0x30, 0x0100)}),
              Heap(0x00150000, {Segment(0x00990000), Block(0x40, 0x0001)}),
              Heap(0x00AB0000, {Block(0x10, 0x0200), Block(0x18, 0x0004), Block(0x08, 0x0020), Block(0x28, 0x0101)})});
  ASSERT_EQ(dlg->m_nodeList.GetItemCount(), 3);
  DialogWatcher watcher;

  // Row 2 carries the same base as row 1: the heap earlier in the list wins.
  ClickNode(1);
  EXPECT_EQ(dlg->m_nodeList.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(NumberRows(dlg->m_blockList),
            (std::vector<Row>{{"1", Addr(0x00150588), "0x00000020", "FIXED", "Allocated"},
                              {"2", Addr(0x001505a8), "0x00000030", "Not applicable", "Free"}}));
  SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queryFlags, std::vector<uint32_t>{0x14});
  EXPECT_EQ(counters.queryProcessIds, std::vector<uint32_t>{::GetCurrentProcessId()});
  EXPECT_EQ(counters.destructions, 1);

  // Entry 0 a block: addresses count from 0; each kind comes from the
  // block's own flags, so flags 0x0004 (no busy bit) read free after a
  // fixed block.
  ClickNode(2);
  EXPECT_EQ(NumberRows(dlg->m_blockList),
            (std::vector<Row>{{"1", Addr(0x00000000), "0x00000010", "FIXED", "Allocated"},
                              {"2", Addr(0x00000010), "0x00000018", "Not applicable", "Free"},
                              {"3", Addr(0x00000028), "0x00000008", "FIXED", "Allocated"},
                              {"4", Addr(0x00000030), "0x00000028", "FIXED", "Allocated"}}));
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kCaption);
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queries, 2) << "every click queries afresh";
  EXPECT_EQ(counters.destructions, 2);
}

TEST_F(BlockTable, WorkedExampleGivesThreeRowsAndNoneForSegments) {
  ChooseWith({Heap(0x00150000, {{0x00040000, 0x0002, 0x00150580},
                                {0x00000020, 0x0001, 0},
                                {0x00000040, 0x0000, 0},
                                {0x00100000, 0x0002, 0x00A00040},
                                {0x000F0000, 0x0100, 0}})});
  CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
  DialogWatcher watcher;
  ClickNode(0);

  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(NumberRows(dlg->m_blockList),
            (std::vector<Row>{{"1", Addr(0x00150588), "0x00000020", "FIXED", "Allocated"},
                              {"2", Addr(0x001505a8), "0x00000040", "Not applicable", "Free"},
                              {"3", Addr(0x00a00048), "0x000f0000", "Not applicable", "Free"}}));
  EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
}

TEST_F(BlockTable, ClicksThatFindNoBlocksLeaveAnEmptyTableSilently) {
  ChooseWith({HeapOfBlocks(0x00150000, 3), Heap(0x00250000, {}), Heap(0x00350000, {Segment(1), Segment(2)})});
  DialogWatcher watcher;
  ClickNode(0);
  ASSERT_EQ(dlg->m_blockList.GetItemCount(), 3);

  // A heap without entries, and one of segment entries only.
  for (int node : {1, 2}) {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(node);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0) << node;
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption}) << node;
  }

  // The heaps change between the choice and the click: no base matches.
  ClickNode(0);
  ASSERT_EQ(dlg->m_blockList.GetItemCount(), 3);
  SubstituteScenario moved = SubstituteScenarioInUse();
  for (SubstituteHeap& heap : moved.heaps) heap.baseAddress += 0x1000;
  SetSubstituteScenario(moved);
  {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(0);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
  }

  // A click with no row selected does nothing at all.
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  dlg->m_nodeList.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PutStaleBlockRow(*dlg);
  const int queriesBefore = SubstituteCountersNow().queries;
  NMHDR click = {dlg->m_nodeList.m_hWnd, IDC_NODE_LIST, static_cast<UINT>(NM_CLICK)};
  ::SendMessageA(dlg.Hwnd(), WM_NOTIFY, IDC_NODE_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(SubstituteCountersNow().queries, queriesBefore);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 1);

  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
}

TEST_F(BlockTable, FailuresAreReportedWithTheTableEmptyAndTheCaptionAsItWas) {
  ChooseWith({HeapOfBlocks(0x00150000, 30)});
  ClickNode(0);
  ASSERT_EQ(dlg->m_blockList.GetItemCount(), 30);
  dlg->m_blockCaption.SetWindowText("caption before the failure");

  int enabledWhileShown = -1;
  DialogWatcher watcher([&](HWND) {
    enabledWhileShown = EnabledControls(dlg.Hwnd());
    return false;
  });
  // The query's own status, not the thread's last error code.
  SubstituteScenario scenario = SubstituteScenarioInUse();
  scenario.failingFlags = {{0x14, static_cast<int32_t>(0xC000009A)}};
  scenario.lastErrorOnFailure = 0x000004C7;
  SetSubstituteScenario(scenario);
  ResetSubstituteCounters();
  ClickNode(0);
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Failed to query process heap information, error = 0xc000009a");
  EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(enabledWhileShown, 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), "caption before the failure");
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
  SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queryFlags, std::vector<uint32_t>{0x14}) << "no second query with other flags";
  EXPECT_EQ(counters.destructions, 1);

  // The buffer can't be created.
  scenario.failingFlags.clear();
  scenario.createFails = true;
  SetSubstituteScenario(scenario);
  watcher.Clear();
  enabledWhileShown = -1;
  PutStaleBlockRow(*dlg);
  ResetSubstituteCounters();
  ClickNode(0);
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Failed to create debug buffer for heap storage");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(enabledWhileShown, 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), "caption before the failure");
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queries, 0);
  EXPECT_EQ(counters.destructions, 0);

  // The system's extended call fails: its own status, and no 0x14 query
  // in its place (fails when a failure other than a missing class falls
  // back to the walk, or is taken for an empty heap).
  scenario.createFails = false;
  scenario.itemClass = true;
  scenario.itemStatus = static_cast<int32_t>(0xC0000022);
  SetSubstituteScenario(scenario);
  watcher.Clear();
  PutStaleBlockRow(*dlg);
  ResetSubstituteCounters();
  ClickNode(0);
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Failed to query process heap information, error = 0xc0000022");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.itemQueries, 1);
  EXPECT_EQ(counters.queries + counters.creations, 0);
}

// A 64-bit process's heaps lie above 4 GiB: the node row's base is read
// back whole to find the heap again, and every address keeps its upper half.
TEST_F(BlockTable, HeapsAboveFourGiBKeepTheirWholeAddresses) {
  if (sizeof(void*) != 8) GTEST_SKIP() << "a 32-bit process has no addresses above 4 GiB";
  // Two heaps whose bases differ only above bit 31: a base cut to 32 bits
  // would find the first heap for the second row.
  ChooseWith({Heap(0x000001E5F0A00000, {Segment(0x000001E5F0A00740), Block(0x30, 0x0001)}),
              Heap(0x000002E5F0A00000, {Segment(0x000002E5F0A00740), Block(0x1'0000'0010, 0x0001),
                                        Block(0x40, 0x0100)})});
  EXPECT_EQ(CellText(dlg->m_nodeList, 1, 1), "0x000002e5f0a00000");
  ClickNode(1);
  EXPECT_EQ(NumberRows(dlg->m_blockList),
            (std::vector<Row>{{"1", "0x000002e5f0a00748", "0x100000010", "FIXED", "Allocated"},
                              {"2", "0x000002e6f0a00758", "0x00000040", "Not applicable", "Free"}}));
}

TEST_F(BlockTable, TaggedRecordsListTheSameNodesAndBlocks) {
  const std::vector<SubstituteHeap> heaps = {Heap(0x00150000, {{0x00040000, 0x0002, 0x00150580},
                                                               {0x00000020, 0x0001, 0},
                                                               {0x00000040, 0x0000, 0},
                                                               {0x00100000, 0x0002, 0x00A00040},
                                                               {0x000F0000, 0x0100, 0}}),
                                             Heap(0x00AB0000, {Block(0x10, 0x0200), Block(0x18, 0x0100)})};
  const std::vector<Row> nodes = {{"1", Addr(0x00150000), "5", "0x00000000", "0x00000000", "0x00000002"},
                                  {"2", Addr(0x00ab0000), "2", "0x00000000", "0x00000000", "0x00000002"}};
  const std::vector<Row> first = {{"1", Addr(0x00150588), "0x00000020", "FIXED", "Allocated"},
                                  {"2", Addr(0x001505a8), "0x00000040", "Not applicable", "Free"},
                                  {"3", Addr(0x00a00048), "0x000f0000", "Not applicable", "Free"}};
  const std::vector<Row> second = {{"1", Addr(0x00000000), "0x00000010", "FIXED", "Allocated"},
                                   {"2", Addr(0x00000010), "0x00000018", "Not applicable", "Free"}};
  // The header's process heap tells the layout whatever the build; without
  // it, the build does.
  struct Case {
    bool tagged, processHeapUnknown;
    uint32_t build;
  };
  DialogWatcher watcher;
  for (const Case& c :
       {Case{false, false, 22621}, Case{true, false, 7601}, Case{true, true, 22621}, Case{false, true, 22000}}) {
    SCOPED_TRACE(::testing::Message() << "tagged " << c.tagged << ", process heap unknown " << c.processHeapUnknown
                                      << ", build " << c.build);
    SubstituteScenario scenario;
    scenario.heaps = heaps;
    scenario.onlyProcessId = ::GetCurrentProcessId();
    scenario.taggedRecords = c.tagged;
    scenario.processHeapUnknown = c.processHeapUnknown;
    SetSubstituteScenario(scenario);
    dlg->m_systemBuildNumber = c.build;
    ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
    EXPECT_EQ(AllRows(dlg->m_nodeList), nodes);
    ClickNode(0);
    EXPECT_EQ(NumberRows(dlg->m_blockList), first);
    ClickNode(1);
    EXPECT_EQ(NumberRows(dlg->m_blockList), second);
  }
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

TEST_F(BlockTable, RunningOutOfRoomGrowsTheBufferUpToItsLargest) {
  constexpr uint32_t MiB = 1u << 20;
  // 256 MiB is all a 32-bit program's address space can hold; a 64-bit one
  // goes on to 2 GiB.
  std::vector<uint32_t> allSizes = {0};
  for (uint64_t size = 16 * MiB; size <= (sizeof(void*) == 8 ? 2048 : 256) * uint64_t{MiB}; size *= 2)
    allSizes.push_back(static_cast<uint32_t>(size));
  const std::string noRoom = "Failed to query process heap information, error = 0xc0000017";
  ChooseWith({HeapOfBlocks(0x00150000, 30)});
  SubstituteScenario scenario = SubstituteScenarioInUse();
  scenario.commitNeeded = 64 * MiB;
  SetSubstituteScenario(scenario);
  DialogWatcher watcher;

  // The node table does not grow: its summary-only fallback answers.
  ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
  ASSERT_EQ(dlg->m_nodeList.GetItemCount(), 1);
  SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.createCommits, std::vector<uint32_t>{0});
  EXPECT_EQ(counters.queryFlags, (std::vector<uint32_t>{0x14, 0x04}));

  // The block table asks again in buffers of 16, 32 and 64 MiB.
  ResetSubstituteCounters();
  ClickNode(0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 30);
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.createCommits, (std::vector<uint32_t>{0, 16 * MiB, 32 * MiB, 64 * MiB}));
  EXPECT_EQ(counters.queryFlags, (std::vector<uint32_t>{0x14, 0x14, 0x14, 0x14}));
  EXPECT_EQ(counters.destructions, 4);
  EXPECT_EQ(LiveSubstituteBuffers(), 0);

  // Never room enough: after the largest size the last status is reported.
  scenario.commitNeeded = UINT32_MAX;
  SetSubstituteScenario(scenario);
  ResetSubstituteCounters();
  ClickNode(0);
  EXPECT_EQ(watcher.Texts(), std::vector<std::string>{noRoom});
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.createCommits, allSizes);
  EXPECT_EQ(counters.destructions, static_cast<int>(allSizes.size()));

  // A bigger buffer that can't be had ends the growth with the same report.
  scenario.largestCreatableCommit = 32 * MiB;
  SetSubstituteScenario(scenario);
  ResetSubstituteCounters();
  watcher.Clear();
  ClickNode(0);
  EXPECT_EQ(watcher.Texts(), std::vector<std::string>{noRoom});
  counters = SubstituteCountersNow();
  EXPECT_EQ(counters.createCommits, (std::vector<uint32_t>{0, 16 * MiB, 32 * MiB, 64 * MiB}));
  EXPECT_EQ(counters.failedCreations, 1);
  EXPECT_EQ(counters.destructions, 3);
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
}

// The target's real private heap, described by the substitute: the rows
// are the system's block items, so every row is one of the target's own
// busy or free blocks at its real address and data size, in its walk order,
// and no uncommitted range or region makes one. Once the target has ended,
// a click can't open it for the system's call.
TEST(BlockTableRealTarget, PrivateHeapRowsAreTheTargetsBlocks) {
  std::optional<TargetProcess> target = TargetProcess::Start("");
  ASSERT_TRUE(target.has_value()) << TargetStartError();
  const TargetReport& report = target->Report();
  const TargetReport::Heap* privateHeap = report.FindHeap("private");
  ASSERT_NE(privateHeap, nullptr);
  SetSubstituteScenario(ScenarioFromReport(report));

  {
    LiveDialog dlg;  // after the target has started, so the drop-down lists it
    dlg.UseSubstituteService();
    DialogWatcher watcher;
    ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
    const int node = FindRow(dlg->m_nodeList, 1, Addr(privateHeap->handle));
    ASSERT_NE(node, -1);
    ResetSubstituteCounters();
    dlg.ClickRow(dlg->m_nodeList, node);

    std::vector<Row> expected;
    for (const WalkEntry& entry : privateHeap->entries) {
      if (entry.flags & 0x0003) continue;  // a region or an uncommitted range, not a block
      const bool busy = (entry.flags & 0x0004) != 0;
      expected.push_back({std::to_string(expected.size() + 1), Addr(entry.data), Hex(entry.size),
                          busy ? "FIXED" : "Not applicable", busy ? "Allocated" : "Free"});
    }
    const std::vector<Row> rows = NumberRows(dlg->m_blockList);
    EXPECT_EQ(rows, expected);
    int known = 0;
    for (const KnownBlock& block : report.blocks) {
      if (block.heap != privateHeap->handle) continue;
      ++known;
      bool found = false;
      for (const Row& row : rows)
        found = found || (row[1] == Addr(block.address) && row[2] == Hex(block.size) && row[4] == "Allocated");
      EXPECT_TRUE(found) << "known block " << block.index;
    }
    EXPECT_GE(known, 250);
    // The system's items, not the 0x14 query and its walk.
    SubstituteCounters counters = SubstituteCountersNow();
    EXPECT_EQ(counters.itemQueries, 1);
    EXPECT_EQ(counters.itemProcessIds, std::vector<uint32_t>{target->ProcessId()});
    EXPECT_EQ(counters.itemHeaps, std::vector<uint64_t>{privateHeap->handle});
    EXPECT_EQ(counters.queries, 0);
    EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());

    // Fails when a target that can't be opened is asked anyway or leaves
    // the old rows standing.
    target->Terminate();
    ResetSubstituteCounters();
    dlg.ClickRow(dlg->m_nodeList, node);
    EXPECT_EQ(watcher.Texts(), std::vector<std::string>{"Failed to open target process due to insufficient rights"});
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
    EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);
    counters = SubstituteCountersNow();
    EXPECT_EQ(counters.itemQueries + counters.queries, 0);
  }
  EXPECT_EQ(LiveSubstituteBuffers(), 0);
  EXPECT_EQ(SubstituteMisuses(), 0);
  SetSubstituteScenario({});
}
}  // namespace
