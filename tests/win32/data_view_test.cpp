// The data view: a click on a block row dumps the block's real bytes out of
// a running target, or puts the one note or error line in their place, and
// always leaves the window in data mode with its controls usable; a block
// too big to keep is read where its lines are shown; a row's pointers lead
// to the blocks they point into, and Alt+Left back.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <optional>
#include <utility>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "blockdata/DumpLines.h"
#include "CopyDriver.h"
#include "heap/HeapItems.h"
#include "support/DataViewFixture.h"
#include "support/SubstituteFixture.h"
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

// The first read decides, whatever the size (fails when a block beyond the
// size read whole is refused, or its failed start shows as rows).
TEST_F(DataView, UnreadableStartGivesTheReadErrorLineWhateverTheSize) {
  for (const uint64_t size : {0x100ull, 0x00FFFFFFull, 0x01000000ull, 0xFFFFFFFFull}) {
    PutBlockRow(*dlg, Report().unreadableAddress, size, "Allocated");
    EnableRecorder enables(dlg.Hwnd());
    EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpReadFailed}) << size;
    EXPECT_EQ(enables.Take().size(), 8u);
    ExpectDataModeAndControlsUsable(dlg);
  }
  EXPECT_TRUE(watcher.Boxes().empty());
}

// The pointer block's first row points at block 7 and 3 bytes into block 12
// (and, in a 32-bit process, at freed block 3). Fails when words are read
// at the wrong width or byte order, a pointer into a block's middle or into
// a free block is taken wrongly, the block's index is not its row's, "Go to"
// neither selects nor dumps, or Alt+Left loses the step back.
TEST_F(DataView, GoToFollowsAPointerOfTheSelectedRowAndAltLeftGoesBack) {
  const uint64_t base = OpenPrivateHeap();
  const KnownBlock* at = Report().FindBlock(kPointsAtBlock);
  const KnownBlock* into = Report().FindBlock(kPointsIntoBlock);
  ASSERT_TRUE(at && into && Report().pointerBlock);
  const int from = FindRow(dlg->m_blockList, 1, Addr(Report().pointerBlock));
  const int intoRow = FindRow(dlg->m_blockList, 1, Addr(into->address));
  ASSERT_TRUE(from >= 0 && intoRow >= 0);
  const std::string goInto =
      "Go to " + Addr(into->address + kPointsIntoOffset) + " (block " + CellText(dlg->m_blockList, intoRow, 0) + ")";
  dlg->m_blockList.EnsureVisible(from, FALSE);
  const std::vector<std::string> pointers = ClickBlockRow(from);
  ASSERT_EQ(pointers.size(), sizeof(void*) == 8 ? 4u : 3u);
  RECT line;
  dlg->m_dataList.GetItemRect(2, &line, LVIR_BOUNDS);
  const SeenMenu menu = UseContextMenu(
      dlg->m_dataList, MenuWay::RightClick, 0, {line.left + 20, (line.top + line.bottom) / 2},
      [&](HWND popup) {
        ::UpdateWindow(popup);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 150, 0);  // till the painted menu is on the screen
        RECT window;
        ::GetWindowRect(dlg.Hwnd(), &window);  // the menu opens inside it
        SaveScreenRect(window, "data-view-go-to-menu");
      },
      goInto);
  const int atRow = FindRow(dlg->m_blockList, 1, Addr(at->address));
  EXPECT_EQ(menu.items,
            (std::vector<std::string>{
                "&Copy\tCtrl+C", "Copy &All", "",
                "Go to " + Addr(at->address) + " (block " + CellText(dlg->m_blockList, atRow, 0) + ")", goInto}));
  EXPECT_EQ(ShownSelection(dlg->m_blockList), intoRow);
  EXPECT_EQ(ShownSelection(dlg->m_dataList), -1) << "a line of the dump before stays selected";
  EXPECT_TRUE(RowInView(dlg->m_blockList, intoRow));
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), ExpectedDump(base, into->address, ExpectedBlockBytes(12, into->size)));
  ::PostMessageA(dlg->m_dataList.m_hWnd, WM_SYSKEYDOWN, VK_LEFT, 1 | (1 << 29));
  PumpMessages();
  EXPECT_EQ(ShownSelection(dlg->m_blockList), from);
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), pointers);
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
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
TEST(DataViewEndedTarget, OpenFailsWhateverTheSize) {
  std::optional<TargetProcess> target = TargetProcess::Start("", 10);
  ASSERT_TRUE(target.has_value()) << TargetStartError();
  SetSubstituteScenario({});
  LiveDialog dlg;
  dlg.UseSubstituteService();
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  const KnownBlock block = target->Report().blocks.at(0);
  target->Terminate();

  DialogWatcher watcher;
  for (const uint32_t size : {block.size, 0x01000000u}) {
    PutBlockRow(*dlg, block.address, size, "Allocated");
    dlg->EnterTableMode();
    dlg.ClickRow(dlg->m_blockList, 0);
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), std::vector<std::string>{kDumpOpenFailed});
    ExpectDataModeAndControlsUsable(dlg);
  }
  EXPECT_TRUE(watcher.Boxes().empty());
}
bool ReadFails(uintptr_t address) {
  uint8_t byte = 0;
  return !::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<void*>(address), &byte, 1, nullptr);
}

// Allocations [0, gone), [gone, gone + 64 KiB) and the rest, end to end.
struct PiecedBlock {
  std::vector<void*> pieces;
  ~PiecedBlock() {
    for (void* piece : pieces) ::VirtualFree(piece, 0, MEM_RELEASE);
  }
};

// Wine reads whatever it has mapped, freed or not: a read fails only where
// nothing is. So the block goes to a region not committed where reads fail
// (a real reservation refuses the pieces), and its middle piece can go.
bool PlaceBlock(uintptr_t size, uintptr_t gone, PiecedBlock& block) {
  MEMORY_BASIC_INFORMATION region{};
  for (uintptr_t at = 0x10000; ::VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) != 0;) {
    const uintptr_t place = (reinterpret_cast<uintptr_t>(region.BaseAddress) + 0xFFFF) & ~uintptr_t{0xFFFF};
    at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (region.State == MEM_COMMIT || place + size > at || !ReadFails(place) || !ReadFails(place + size - 1)) continue;
    for (const auto& [from, to] : {std::pair{uintptr_t{0}, gone}, {gone, gone + 0x10000}, {gone + 0x10000, size}})
      if (void* piece = ::VirtualAlloc(reinterpret_cast<void*>(place + from), to - from, MEM_RESERVE | MEM_COMMIT,
                                       PAGE_READWRITE))
        block.pieces.push_back(piece);
    if (block.pieces.size() == 3) return true;
    PiecedBlock{std::exchange(block.pieces, {})};  // no room there: released
  }
  return false;
}

// A block beyond the size read whole, in this process's own memory, is read
// in windows where its rows are shown. Fails when a window is read at the
// wrong offset or the last partial row is lost, when memory freed after the
// first read spoils its whole window, passes for bytes or leaves the caption
// as it was (or cut), or when "Copy All" offers what is not kept.
using DataViewOwnBlock = SubstituteFixture;
TEST_F(DataViewOwnBlock, BigBlockIsReadWhereShownAndWhatCantBeReadShowsAsQuestionMarks) {
  constexpr uint64_t kSize = 0x01800123;  // 24 MiB, then 3 bytes
  constexpr uint64_t kGone = 0x00930000;  // 64 KiB inside the window at 9 MiB
  PiecedBlock block;
  ASSERT_TRUE(PlaceBlock(kSize, kGone, block));
  auto* bytes = static_cast<uint8_t*>(block.pieces[0]);
  for (uint64_t at = 0; at < kSize; ++at) bytes[at] = static_cast<uint8_t>(at + (at >> 12) * 3 + (at >> 20) * 5);
  SubstituteScenario scenario;
  scenario.heaps = {SubstituteHeap{}};
  scenario.heaps[0].baseAddress = 0x00150000;
  scenario.heaps[0].items = {
      {kHeapItemBlock, reinterpret_cast<uintptr_t>(bytes), kSize, 0, kItemBlockBusy | kItemBlockLarge, 0x20}};
  scenario.heaps[0].entries = EntriesFromItems(scenario.heaps[0].items);
  scenario.onlyProcessId = ::GetCurrentProcessId();
  scenario.itemClass = true;
  SetSubstituteScenario(scenario);
  ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
  dlg.ClickRow(dlg->m_nodeList, 0);
  dlg.ClickRow(dlg->m_blockList, 0);
  const int lines = 2 + static_cast<int>(kSize / 16) + 1;
  ASSERT_EQ(dlg->m_dataList.GetItemCount(), lines);
  const auto row = [&](uint64_t offset, size_t count) {
    char text[kDumpRowCapacity];
    FormatDumpRow(static_cast<uint32_t>(offset), bytes + offset, count, text);
    return std::string(text);
  };
  const auto shown = [&](int line) {
    dlg->m_dataList.EnsureVisible(line, FALSE);
    PumpMessages(50);
    EXPECT_TRUE(RowInView(dlg->m_dataList, line)) << line;
    return CellText(dlg->m_dataList, line, 0);
  };

  ASSERT_TRUE(::VirtualFree(std::exchange(block.pieces[1], nullptr), 0, MEM_RELEASE) &&
              ReadFails(kGone + reinterpret_cast<uintptr_t>(bytes)));
  EXPECT_EQ(shown(lines - 1), row(0x01800120, 3));
  EXPECT_EQ(WindowText(dlg->m_dataCaption.m_hWnd), "Heap data of the selected block");
  const int gone = 2 + static_cast<int>(kGone / 16);
  EXPECT_EQ(shown(gone), "00930000h  ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ??   ????????????????");
  EXPECT_EQ(CellText(dlg->m_dataList, gone - 1, 0), row(kGone - 16, 16));
  EXPECT_EQ(CellText(dlg->m_dataList, gone + 0x1000, 0), row(kGone + 0x10000, 16));
  const std::string caption = "Heap data of the selected block - some bytes could not be read";
  EXPECT_EQ(WindowText(dlg->m_dataCaption.m_hWnd), caption);
  // On one line, short of the data buttons.
  RECT captionRect, button;
  dlg->m_dataCaption.GetWindowRect(&captionRect);
  dlg->m_saveDataButton.GetWindowRect(&button);
  HDC dc = ::GetDC(dlg->m_dataCaption.m_hWnd);
  ::SelectObject(dc, reinterpret_cast<HFONT>(dlg->m_dataCaption.SendMessage(WM_GETFONT)));
  SIZE text{};
  ::GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
  ::ReleaseDC(dlg->m_dataCaption.m_hWnd, dc);
  EXPECT_TRUE(captionRect.right - captionRect.left >= text.cx && captionRect.right <= button.left);
  SaveScreenshot(dlg.Hwnd(), "data-view-unreadable");

  // "Copy" copies the line clicked; "Copy All" is greyed: the dump isn't kept.
  RECT line;
  dlg->m_dataList.GetItemRect(gone - 1, &line, LVIR_BOUNDS);
  const SeenMenu menu =
      UseContextMenu(dlg->m_dataList, MenuWay::RightClick, 'c', {line.left + 20, (line.top + line.bottom) / 2});
  ASSERT_GE(menu.enabled.size(), 2u);
  EXPECT_TRUE(menu.enabled[0] && !menu.enabled[1]);
  EXPECT_EQ(ClipboardText(), row(kGone - 16, 16) + "\r\n");
}
}  // namespace
