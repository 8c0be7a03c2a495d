// Copying what the tables and the dump show: the context menu of the two
// tables and the data list, Ctrl+C, and the clipboard's text byte for byte.
// A right-click or a copy never queries, reads or switches the mode.
#include <gtest/gtest.h>

#include "CopyDriver.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/SubstituteFixture.h"
#include "support/TableRows.h"

namespace {
using Strings = std::vector<std::string>;
using Flags = std::vector<bool>;

constexpr char kBefore[] = "what the clipboard held before";
const Strings kItems = {"&Copy\tCtrl+C", "Copy &All"};
// The block table's menu also finds a block.
const Strings kBlockItems = {"&Copy\tCtrl+C",   "Copy &All",    "&Find...\tCtrl+F",      "Block &Sizes...",
                             "Block &Types...", "&Mark Blocks", "C&hanges Since Mark..."};

// The block table as copied: its Contents cells as the table shows them
// (they tell what this process holds at the made-up addresses).
std::string BlockLine(const CListCtrl& blocks, int row, const std::string& numbers) {
  return numbers + "\t" + CellText(blocks, row, 5) + "\r\n";
}
std::string BlockTable(const CListCtrl& blocks) {
  return "Block Index\tBlock Address\tBlock Size\tAllocation Type\tStatus\tContents\r\n" +
         BlockLine(blocks, 0, "1\t" + Addr(0x00150588) + "\t0x00000020\tFIXED\tAllocated") +
         BlockLine(blocks, 1, "2\t" + Addr(0x001505a8) + "\t0x00000040\tNot applicable\tFree") +
         BlockLine(blocks, 2, "3\t" + Addr(0x00a00048) + "\t0x000f0000\tFIXED\tAllocated");
}

SubstituteHeap Heap(uint64_t base, uint32_t flags, uint64_t allocated, uint64_t committed,
                    std::vector<SubstituteEntry> entries) {
  SubstituteHeap heap;
  heap.baseAddress = base;
  heap.flags = flags;
  heap.bytesAllocated = allocated;
  heap.bytesCommitted = committed;
  heap.entryOverhead = 8;
  heap.entries = std::move(entries);
  return heap;
}

POINT RowCentre(const CListCtrl& list, int row) {
  RECT rect;
  list.GetItemRect(row, &rect, LVIR_LABEL);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ClearSelection(CListCtrl& list) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

std::string Lines(const Strings& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Two heaps of this process; the first one's node row clicked, so the block
// table holds its three blocks. Counters start afresh, the clipboard holds
// a text of its own.
class Copy : public SubstituteFixture {
 protected:
  void SetUp() override {
    SubstituteFixture::SetUp();
    SubstituteScenario scenario;
    scenario.heaps = {Heap(0x00150000, 0x00000002, 0x00012000, 0x00140000,
                           {{0x00040000, 0x0002, 0x00150580},
                            {0x00000020, 0x0001, 0},
                            {0x00000040, 0x0100, 0},
                            {0x00100000, 0x0002, 0x00A00040},
                            {0x000F0000, 0x0001, 0}}),
                      Heap(0x00AB0000, 0x50000062, 0xDEADBEEF, 0xFFFFFFFF, {})};
    scenario.onlyProcessId = ::GetCurrentProcessId();
    SetSubstituteScenario(scenario);
    ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
    dlg.ClickRow(dlg->m_nodeList, 0);
    ASSERT_EQ(dlg->m_blockList.GetItemCount(), 3);
    ResetSubstituteCounters();
    SetClipboardText(kBefore);
  }

  // Nothing but the clipboard and a selection may change: no query, no
  // table refilled, no mode switched, no message.
  void ExpectNothingElseHappened(bool dataMode) {
    const SubstituteCounters counters = SubstituteCountersNow();
    EXPECT_EQ(counters.creations + counters.queries + counters.failedCreations, 0);
    EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 2);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 3);
    EXPECT_EQ(dlg->m_dataList.IsWindowVisible(), dataMode);
    EXPECT_EQ(dlg->m_nodeList.IsWindowVisible(), !dataMode);
    EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
  }

  DialogWatcher watcher;
};

TEST_F(Copy, RightClickSelectsARowAndCopyPutsItsCellsAsShown) {
  const SeenMenu blocks =
      UseContextMenu(dlg->m_blockList, MenuWay::RightClick, 'c', RowCentre(dlg->m_blockList, 1), [&](HWND popup) {
        RECT window, menu, both;
        ::GetWindowRect(dlg.Hwnd(), &window);
        ::GetWindowRect(popup, &menu);
        ::UnionRect(&both, &window, &menu);
        SaveScreenRect(both, "copy-context-menu");
      });
  ASSERT_TRUE(blocks.opened);
  EXPECT_EQ(blocks.items, kBlockItems);
  EXPECT_EQ(blocks.enabled, (Flags{true, true, true, true, true, true, false}));
  EXPECT_EQ(dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(ClipboardText(),
            BlockLine(dlg->m_blockList, 1, "2\t" + Addr(0x001505a8) + "\t0x00000040\tNot applicable\tFree"));
  ExpectNothingElseHappened(false);

  // A right-click on another heap's node lists none of its blocks.
  const SeenMenu nodes = UseContextMenu(dlg->m_nodeList, MenuWay::RightClick, 'c', RowCentre(dlg->m_nodeList, 1));
  ASSERT_TRUE(nodes.opened);
  EXPECT_EQ(nodes.enabled, (Flags{true, true}));
  EXPECT_EQ(dlg->m_nodeList.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(ClipboardText(), "2\t" + Addr(0x00ab0000) + "\t0\t0xffffffff\t0xdeadbeef\t0x50000062\r\n");
  EXPECT_EQ(CellText(dlg->m_blockList, 0, 1), Addr(0x00150588));
  ExpectNothingElseHappened(false);
}

TEST_F(Copy, CopyAllGivesTheColumnTitlesAndThenEveryRow) {
  ASSERT_TRUE(UseContextMenu(dlg->m_blockList, MenuWay::RightClick, 'a', RowCentre(dlg->m_blockList, 2)).opened);
  EXPECT_EQ(ClipboardText(), BlockTable(dlg->m_blockList));

  // From the keyboard too, with the context-menu key and with Shift+F10.
  ASSERT_TRUE(UseContextMenu(dlg->m_nodeList, MenuWay::AppsKey, 'a').opened);
  EXPECT_EQ(ClipboardText(), Lines({"Node Index\tBase Address\tNo of Blocks\tComitted\tAllocated\tFlags",
                                    "1\t" + Addr(0x00150000) + "\t5\t0x00140000\t0x00012000\t0x00000002",
                                    "2\t" + Addr(0x00ab0000) + "\t0\t0xffffffff\t0xdeadbeef\t0x50000062"}));
  SetClipboardText(kBefore);
  ASSERT_TRUE(UseContextMenu(dlg->m_blockList, MenuWay::ShiftF10, 'a').opened);
  EXPECT_EQ(ClipboardText(), BlockTable(dlg->m_blockList));
  ExpectNothingElseHappened(false);
}

TEST_F(Copy, ItemsAreGreyedWithNoRowSelectedAndWithAnEmptyDataList) {
  ClearSelection(dlg->m_blockList);
  const SeenMenu table = UseContextMenu(dlg->m_blockList, MenuWay::ShiftF10, 0);
  ASSERT_TRUE(table.opened);
  EXPECT_EQ(table.items, kBlockItems);
  EXPECT_EQ(table.enabled, (Flags{false, true, true, true, true, true, false}));
  TypeWithCtrl(dlg->m_blockList, 'C');
  EXPECT_EQ(ClipboardText(), kBefore);

  dlg->EnterDataMode();
  ASSERT_EQ(dlg->m_dataList.GetItemCount(), 0);
  const SeenMenu data = UseContextMenu(dlg->m_dataList, MenuWay::ShiftF10, 0);
  ASSERT_TRUE(data.opened);
  EXPECT_EQ(data.enabled, (Flags{false, false}));
  TypeWithCtrl(dlg->m_dataList, 'C');
  EXPECT_EQ(ClipboardText(), kBefore);
  ExpectNothingElseHappened(true);
}

TEST_F(Copy, DataListCopiesItsSelectedLineOrEveryLineAsItStands) {
  // The worked example's dump of 19 bytes, its four lines as the view
  // writes them (the dump itself is the data view's tests' concern).
  const Strings example = {"Heap Node Address= 0x00150000, Block Address= 0x00150588, Size= 0x00000013", "",
                           "00000000h  00 01 02 03 41 42 43 44 20 7E 7F 80 FF 2E 30 39   ....ABCD ~....09",
                           "00000010h  61 62 0A                                          ab."};
  dlg->EnterDataMode();
  dlg->m_dataLines.ShowDump(
      example[0], 19,
      std::make_unique<KeptDumpBytes>(std::vector<uint8_t>{0x00, 0x01, 0x02, 0x03, 0x41, 0x42, 0x43, 0x44, 0x20, 0x7E,
                                                           0x7F, 0x80, 0xFF, 0x2E, 0x30, 0x39, 0x61, 0x62, 0x0A}));
  dlg->ShowDataLines();
  const std::string dump = Lines(example);

  // A right-click selects the line under it; "Copy" takes that one line.
  const SeenMenu menu = UseContextMenu(dlg->m_dataList, MenuWay::RightClick, 'c', RowCentre(dlg->m_dataList, 3));
  ASSERT_TRUE(menu.opened);
  EXPECT_EQ(menu.items, kItems);
  EXPECT_EQ(menu.enabled, (Flags{true, true}));
  EXPECT_EQ(ClipboardText(), example[3] + "\r\n");
  ASSERT_TRUE(UseContextMenu(dlg->m_dataList, MenuWay::AppsKey, 'a').opened);
  EXPECT_EQ(ClipboardText(), dump);
  TypeWithCtrl(dlg->m_dataList, 'C');
  EXPECT_EQ(ClipboardText(), example[3] + "\r\n");
  // Ctrl+C with no line selected copies them all.
  ClearSelection(dlg->m_dataList);
  SetClipboardText(kBefore);
  TypeWithCtrl(dlg->m_dataList, 'C');
  EXPECT_EQ(ClipboardText(), dump);

  // A right-click on a block row in data mode neither reads nor dumps.
  ASSERT_TRUE(UseContextMenu(dlg->m_blockList, MenuWay::RightClick, 0, RowCentre(dlg->m_blockList, 2)).opened);
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), example);
  EXPECT_EQ(dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED), 2);
  ExpectNothingElseHappened(true);

  // The free block's note is the one line.
  dlg.ClickRow(dlg->m_blockList, 1);
  ASSERT_EQ(ListBoxLines(dlg->m_dataList), Strings{"Note: You have selected the FREE heap block"});
  TypeWithCtrl(dlg->m_dataList, 'C');
  EXPECT_EQ(ClipboardText(), "Note: You have selected the FREE heap block\r\n");
}

TEST_F(Copy, CtrlCCopiesTheSelectedRowOfEachTable) {
  SelectRow(dlg->m_nodeList, 1);
  TypeWithCtrl(dlg->m_nodeList, 'C');
  EXPECT_EQ(ClipboardText(), "2\t" + Addr(0x00ab0000) + "\t0\t0xffffffff\t0xdeadbeef\t0x50000062\r\n");
  // The fill selects no block row: with none, Ctrl+C copies nothing, as
  // "Copy" is greyed then.
  TypeWithCtrl(dlg->m_blockList, 'C');
  EXPECT_EQ(ClipboardText(), "2\t" + Addr(0x00ab0000) + "\t0\t0xffffffff\t0xdeadbeef\t0x50000062\r\n");
  SelectRow(dlg->m_blockList, 0);
  TypeWithCtrl(dlg->m_blockList, 'C');
  EXPECT_EQ(ClipboardText(),
            BlockLine(dlg->m_blockList, 0, "1\t" + Addr(0x00150588) + "\t0x00000020\tFIXED\tAllocated"));

  // Ctrl+Alt (AltGr) with C types a character on many layouts: no copy.
  SetClipboardText(kBefore);
  TypeWithCtrl(dlg->m_blockList, 'C', true);
  EXPECT_EQ(ClipboardText(), kBefore);
  ExpectNothingElseHappened(false);
}

TEST_F(Copy, ClipboardThatCannotBeOpenedIsReportedAndKeepsItsText) {
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    SelectRow(dlg->m_blockList, 0);
    TypeWithCtrl(dlg->m_blockList, 'C');
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    EXPECT_EQ(watcher.Boxes()[0].text, "Failed to copy the text to the clipboard.");
    EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
    EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    watcher.Clear();
  }
  EXPECT_EQ(ClipboardText(), kBefore);
  ExpectNothingElseHappened(false);
}
}  // namespace
