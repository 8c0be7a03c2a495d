// The data view: a click on a block row dumps the block's real bytes out of
// a running target, or puts the one note or error line in their place, and
// always leaves the window in data mode with its controls usable.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <utility>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "blockdata/DumpLines.h"
#include "support/DataViewFixture.h"
#include "support/TableRows.h"
#include "support/TargetProcess.h"
#include "target/BlockPattern.h"

namespace {
TEST_F(DataView, DumpsTheTargetsBytesUnderTheHeaderOfTheSelectedNode) {
  const uint64_t base = OpenPrivateHeap();
  ASSERT_GT(dlg->m_blockList.GetItemCount(), 0);
  // A block of one full row, one with a partial last row, a text block and
  // one that holds every byte value.
  const std::vector<std::string> disableAndEnable = {"-1", "-1010", "-1011", "-1000", "+1", "+1010", "+1011", "+1000"};
  for (int index : {0, 1, 5, 7}) {
    const KnownBlock* block = Report().FindBlock(index);
    ASSERT_NE(block, nullptr) << index;
    const int row = FindRow(dlg->m_blockList, 1, Addr(block->address));
    ASSERT_NE(row, -1) << index;
    EXPECT_EQ(CellText(dlg->m_blockList, row, 4), "Allocated");
    EnableRecorder enables(dlg.Hwnd());
    const std::vector<std::string> lines = ClickBlockRow(row);
    EXPECT_EQ(lines, ExpectedDump(base, block->address, ExpectedBlockBytes(index, block->size))) << index;
    EXPECT_EQ(enables.Take(), disableAndEnable);
    ExpectDataModeAndControlsUsable(dlg);
  }
  SaveScreenshot(dlg.Hwnd(), "data-view-dump");
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

TEST_F(DataView, FreeRowGivesTheNoteWithoutReading) {
  OpenPrivateHeap();
  // Block 3, freed by the target, lies free between blocks 2 and 4 (fails
  // when the system's free block items are shown allocated or left out).
  ASSERT_TRUE(TargetBlockFreed(3) && Report().FindBlock(2) && Report().FindBlock(4));
  const int row = FindRow(dlg->m_blockList, 1, Addr(Report().FindBlock(2)->address)) + 1;
  ASSERT_GT(row, 0);
  EXPECT_EQ(CellText(dlg->m_blockList, row, 4), "Free");
  EXPECT_LT(CellText(dlg->m_blockList, row, 1), Addr(Report().FindBlock(4)->address));
  EnableRecorder enables(dlg.Hwnd());
  EXPECT_EQ(ClickBlockRow(row), std::vector<std::string>{kFreeBlockNote});
  EXPECT_EQ(enables.Take(), std::vector<std::string>{}) << "a free block disables nothing";
  ExpectDataModeAndControlsUsable(dlg);

  // Case and surrounding white space do not matter, and nothing is read:
  // the address is one whose read fails.
  PutBlockRow(*dlg, Report().unreadableAddress, 0x40, "  fReE ");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kFreeBlockNote});
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(DataView, HeaderShowsNodeZeroWithNoNodeRowSelected) {
  ClearSelection(dlg->m_nodeList);
  ASSERT_EQ(dlg->m_nodeList.GetNextItem(-1, LVNI_SELECTED), -1);
  const KnownBlock* block = Report().FindBlock(2);
  ASSERT_NE(block, nullptr);
  PutBlockRow(*dlg, block->address, block->size, "Allocated");
  const std::vector<std::string> lines = ClickBlockRow();
  EXPECT_EQ(lines, ExpectedDump(0, block->address, ExpectedBlockBytes(2, block->size)));
  ASSERT_GE(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("Heap Node Address= " + Addr(0) + ", ", 0), 0u) << lines[0];

  // Rows as long as the row's size says, not the block's: 16 bytes are one
  // row, 17 bytes two, the second a single byte and 47 filler spaces.
  for (uint32_t size : {16u, 17u}) {
    PutBlockRow(*dlg, block->address, size, "Allocated");
    EXPECT_EQ(ClickBlockRow(), ExpectedDump(0, block->address, ExpectedBlockBytes(2, size))) << size;
  }
  const std::vector<std::string> seventeen = ListBoxLines(dlg->m_dataList);
  ASSERT_EQ(seventeen.size(), 4u);
  EXPECT_EQ(seventeen[2].size(), 77u);
  EXPECT_EQ(seventeen[3].size(), 62u);
  EXPECT_EQ(seventeen[3].substr(14, 47), std::string(47, ' '));
}

TEST_F(DataView, SizeCapComesBeforeTheProcessIsOpened) {
  const uint64_t unreadable = Report().unreadableAddress;
  PutBlockRow(*dlg, unreadable, 0x00FFFFFF, "Allocated");
  const std::vector<std::string> atCap = ClickBlockRow();
  ASSERT_EQ(atCap.size(), 1u);
  EXPECT_NE(atCap[0], kDumpSizeExceeded);
  EXPECT_EQ(atCap[0], kDumpReadFailed);
  ExpectDataModeAndControlsUsable(dlg);

  PutBlockRow(*dlg, unreadable, 0x01000000, "Allocated");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpSizeExceeded});
  PutBlockRow(*dlg, unreadable, 0xFFFFFFFF, "Allocated");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpSizeExceeded});
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(DataView, UnreadableAddressGivesTheReadErrorLine) {
  PutBlockRow(*dlg, Report().unreadableAddress, 0x100, "Allocated");
  EnableRecorder enables(dlg.Hwnd());
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpReadFailed});
  EXPECT_EQ(enables.Take().size(), 8u);
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

// Later Windows 11 builds write 72-byte heap records from offset 8 of the
// list; what the user sees must not change.
TEST_F(DataView, TaggedHeapRecordsGiveTheSameTablesAndDump) {
  struct Seen {
    std::vector<std::vector<std::string>> nodes, blocks;
    std::vector<std::string> dump;
  };
  const KnownBlock* block = Report().FindBlock(5);
  ASSERT_NE(block, nullptr);
  auto inspect = [&] {
    Seen seen;
    EXPECT_TRUE(dlg.ChooseProcessId(TargetId()));
    seen.nodes = AllRows(dlg->m_nodeList);
    OpenPrivateHeap();
    seen.blocks = AllRows(dlg->m_blockList);
    const int row = FindRow(dlg->m_blockList, 1, Addr(block->address));
    if (row != -1) seen.dump = ClickBlockRow(row);
    return seen;
  };
  const Seen untagged = inspect();
  ASSERT_GT(untagged.blocks.size(), 200u);
  ASSERT_EQ(untagged.dump,
            ExpectedDump(Report().heaps.at(0).handle, block->address, ExpectedBlockBytes(block->index, block->size)));

  // Told by the process heap in the header, or by the build when the header
  // names none. The suite's scenario comes back whatever happens here.
  struct Restore {
    SubstituteScenario saved = SubstituteScenarioInUse();
    ~Restore() { SetSubstituteScenario(saved); }
  } restore;
  for (const bool headerTells : {true, false}) {
    SubstituteScenario tagged = restore.saved;
    tagged.taggedRecords = true;
    tagged.processHeapUnknown = !headerTells;
    SetSubstituteScenario(tagged);
    dlg->m_systemBuildNumber = headerTells ? 7601 : 22621;
    const Seen seen = inspect();
    EXPECT_EQ(seen.nodes, untagged.nodes) << headerTells;
    EXPECT_EQ(seen.blocks, untagged.blocks) << headerTells;
    EXPECT_EQ(seen.dump, untagged.dump) << headerTells;
  }
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

// A target of its own, ended after it was chosen: the combo still names it.
TEST(DataViewEndedTarget, OpenFailsAndTheSizeCheckStillComesFirst) {
  std::optional<TargetProcess> target = TargetProcess::Start("", 10);
  ASSERT_TRUE(target.has_value()) << TargetStartError();
  SetSubstituteScenario({});
  LiveDialog dlg;
  dlg.UseSubstituteService();
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  const KnownBlock block = target->Report().blocks.at(0);
  target->Terminate();

  DialogWatcher watcher;
  for (const auto& [size, line] :
       {std::pair<uint32_t, const char*>{block.size, kDumpOpenFailed}, {0x01000000, kDumpSizeExceeded}}) {
    PutBlockRow(*dlg, block.address, size, "Allocated");
    dlg->EnterTableMode();
    dlg.ClickRow(dlg->m_blockList, 0);
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), std::vector<std::string>{line});
    ExpectDataModeAndControlsUsable(dlg);
  }
  EXPECT_TRUE(watcher.Boxes().empty());
}
}  // namespace
