// What holds the memory and what grew, through the real dialogs: Block
// Sizes of a heap with exact rows, Enter and a double-click going to the
// first block of the size and F3 to the next; a mark, a later fill of the
// heap with blocks gone and new, the changes with exact rows and going to
// the new blocks; the menu items greyed when they must be; a mark forgotten
// when another process is chosen. The heap lies over memory of this
// process, so the blocks gone to are dumped for real. Then Block Types and
// the changes by type of the heap target's private heap, whose classes and
// texts its report tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "CopyDriver.h"
#include "DialogWatcher.h"
#include "heap/HeapItems.h"
#include "support/BlockTableFixture.h"
#include "support/TableRows.h"
#include "support/TargetFixture.h"

namespace {
using Row = std::vector<std::string>;

// What a table dialog showed when it opened (whether "By size" was checked);
// it is then answered by choosing row `choose` with Enter (or a
// double-click), or closed when -1. Rows and column titles are read again
// after a switch to the view by type.
struct TableDialogSeen {
  std::string caption, totals;
  bool bySize = false;
  std::vector<Row> rows;
  std::vector<std::string> columns;
};

class TableDialogAnswer {
 public:
  // screenshot: a name for a picture of the dialog before it is answered;
  // byType: "By type" clicked first.
  explicit TableDialogAnswer(int choose, bool doubleClick = false, std::string screenshot = {}, bool byType = false)
      : m_choose(choose),
        m_doubleClick(doubleClick),
        m_byType(byType),
        m_screenshot(std::move(screenshot)),
        m_watcher([this](HWND window) { return OnDialog(window); }) {
    s_current = this;
  }
  ~TableDialogAnswer() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    s_current = nullptr;
  }
  TableDialogAnswer(const TableDialogAnswer&) = delete;
  TableDialogAnswer& operator=(const TableDialogAnswer&) = delete;

  TableDialogSeen seen;
  int opened = 0;

 private:
  bool OnDialog(HWND window) {
    if (IsMessageBox(window) || ::GetDlgItem(window, IDC_TABLE_LIST) == nullptr) return false;
    if (window == m_dialog) return true;  // activated again
    m_dialog = window;
    ++opened;
    seen.caption = WindowText(window);
    seen.totals = WindowText(::GetDlgItem(window, IDC_TABLE_TOTALS));
    seen.bySize = ::IsDlgButtonChecked(window, IDC_BY_SIZE) == BST_CHECKED;
    ReadTable(window);
    // Answered from its own modal loop, once Wine has shown and painted it.
    if (m_timer == 0) m_timer = ::SetTimer(nullptr, 0, 50, &TableDialogAnswer::Tick);
    return true;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TableDialogAnswer* self = s_current;
    if (self == nullptr || !::IsWindow(self->m_dialog) || self->m_done) return;
    const HWND dialog = self->m_dialog;
    if (std::exchange(self->m_byType, false)) {
      ::SendMessageA(::GetDlgItem(dialog, IDC_BY_TYPE), BM_CLICK, 0, 0);
      self->ReadTable(dialog);
      return;
    }
    if (!self->m_screenshot.empty()) {
      if (++self->m_waited < 5) return;
      RECT rect;
      ::GetWindowRect(dialog, &rect);
      SaveScreenRect(rect, std::exchange(self->m_screenshot, {}));
      return;
    }
    self->m_done = true;
    if (self->m_choose < 0) {
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return;
    }
    const HWND list = ::GetDlgItem(dialog, IDC_TABLE_LIST);
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, self->m_choose, reinterpret_cast<LPARAM>(&state));
    ::SendMessageA(list, LVM_SETSELECTIONMARK, 0, self->m_choose);
    if (!self->m_doubleClick) {
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return;
    }
    RECT rect = {};
    rect.left = LVIR_LABEL;
    ::SendMessageA(list, LVM_GETITEMRECT, self->m_choose, reinterpret_cast<LPARAM>(&rect));
    ::PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
  }

  void ReadTable(HWND window) {
    const HWND list = ::GetDlgItem(window, IDC_TABLE_LIST);
    const auto* table = static_cast<const CListCtrl*>(CWnd::FromHandlePermanent(list));
    if (table != nullptr) seen.rows = AllRows(*table);
    char title[64];
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    seen.columns.clear();
    while (::SendMessageA(list, LVM_GETCOLUMNA, seen.columns.size(), reinterpret_cast<LPARAM>(&column)))
      seen.columns.push_back(title);
  }

  static inline TableDialogAnswer* s_current = nullptr;
  int m_choose;
  bool m_doubleClick;
  bool m_byType;
  std::string m_screenshot;
  int m_waited = 0;
  bool m_done = false;
  HWND m_dialog = nullptr;
  UINT_PTR m_timer = 0;
  DialogWatcher m_watcher;
};

void PressF3(LiveDialog& dlg) {
  ::PostMessageA(dlg->m_blockList.m_hWnd, WM_KEYDOWN, VK_F3, 1);
  ::PostMessageA(dlg->m_blockList.m_hWnd, WM_KEYUP, VK_F3, 0xC0000001);
  PumpMessages(50);
}
std::string DumpHeaderAddress(LiveDialog& dlg) {
  const std::vector<std::string> lines = ListBoxLines(dlg->m_dataList);
  return lines.empty() ? "" : lines[0];
}

class LeakHunt : public BlockTable {
 protected:
  void SetUp() override {
    BlockTable::SetUp();
    m_pages = ::VirtualAlloc(nullptr, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(m_pages, nullptr);
    base = reinterpret_cast<uintptr_t>(m_pages);
    // Busy 0x20, 0x40, 0x20, 0x100, free 0x200, busy 0x20, 0x40.
    entries = {Segment(base + 0x580), Block(0x20, 1), Block(0x40, 1), Block(0x20, 1), Block(0x100, 1),
               Block(0x200, 0x100), Block(0x20, 1), Block(0x40, 1)};
    ChooseWith({Heap(base, entries)});
    ClickNode(0);
    ASSERT_EQ(dlg->m_blockList.GetItemCount(), 7);
  }
  void TearDown() override {
    BlockTable::TearDown();
    if (m_pages != nullptr) ::VirtualFree(m_pages, 0, MEM_RELEASE);
  }
  // The address of the block at walk index i.
  uint64_t BlockAt(int i) const {
    uint64_t address = base + 0x588;
    for (int k = 1; k <= i; ++k) address += entries[static_cast<size_t>(k)].size;
    return address;
  }
  std::string Header(int walkIndex) const {
    char text[160];
    FormatDumpHeader(base, BlockAt(walkIndex), entries[static_cast<size_t>(walkIndex) + 1].size, kProgramWidth, text,
                     sizeof text);
    return text;
  }

  uint64_t base = 0;
  std::vector<SubstituteEntry> entries;

 private:
  void* m_pages = nullptr;
};

TEST_F(LeakHunt, BlockSizesGroupTheBusyBlocksAndGoToTheChosenSize) {
  {
    TableDialogAnswer answer(2, false, "block-sizes-dialog");  // the 0x20 group, third by bytes
    dlg->OpenBlockSizes();
    ASSERT_EQ(answer.opened, 1);
    EXPECT_EQ(answer.seen.caption, "Block Sizes");
    EXPECT_EQ(answer.seen.totals,
              "6 busy blocks, 0x000001e0 bytes; 1 free blocks, 0x00000200 bytes; largest free block 0x00000200");
    EXPECT_EQ(answer.seen.rows, (std::vector<Row>{{"0x00000100", "1", "0x00000100", "53.3%"},
                                                  {"0x00000040", "2", "0x00000080", "26.7%"},
                                                  {"0x00000020", "3", "0x00000060", "20.0%"}}));
  }
  // The first block of that size, selected and dumped; F3 the next ones,
  // passing over the others, and round again to the first.
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 0);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(0));
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 2);
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 5);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(5));
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 0);

  // A double-click does the same, in the order the table shows now.
  ClickHeader(dlg->m_blockList, 0);
  ClickHeader(dlg->m_blockList, 0);  // index descending: walk 6 shows first
  {
    TableDialogAnswer answer(1, true);  // 0x40
    dlg->OpenBlockSizes();
  }
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 0);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(6));
  // Closed without a choice: nothing moves.
  dlg.ClickRow(dlg->m_blockList, 3);
  {
    TableDialogAnswer answer(-1);
    dlg->OpenBlockSizes();
    EXPECT_EQ(answer.opened, 1);
  }
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 3);
}

// Catches F3 after a new fill repeating the older Find that a size search
// had replaced: the size is looked for in the new rows, or F3 says it's gone.
TEST_F(LeakHunt, ASizeSearchOutlivesANewFillAndAnOlderFind) {
  dlg->m_lastFind = FindQuery{FindKind::Address, Addr(BlockAt(3))};
  {
    TableDialogAnswer answer(2);  // 0x20
    dlg->OpenBlockSizes();
  }
  entries[1].flags = 0x0100;  // the first one freed; the process chosen and its heap clicked again
  ChooseWith({Heap(base, entries)});
  ClickNode(0);
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 2);
  entries[3].flags = entries[6].flags = 0x0100;  // none left
  ChooseWith({Heap(base, entries)});
  ClickNode(0);
  DialogWatcher boxes;
  PressF3(dlg);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"No busy block of this heap has 0x00000020 bytes."});
}

TEST_F(LeakHunt, ChangesSinceTheMarkAreCountedAndTheNewBlocksGoneTo) {
  // Before a mark, or without a fill since, there are no changes to see.
  SeenMenu menu = UseContextMenu(dlg->m_blockList.m_hWnd, MenuWay::ShiftF10, 0);
  ASSERT_EQ(menu.items.size(), 7u);
  EXPECT_EQ(menu.items[3], "Block &Sizes...");
  EXPECT_EQ(menu.items[4], "Block &Types...");
  EXPECT_EQ(menu.items[5], "&Mark Blocks");
  EXPECT_EQ(menu.items[6], "C&hanges Since Mark...");
  EXPECT_EQ(menu.enabled, (std::vector<bool>{false, true, true, true, true, true, false}));
  dlg->MarkBlocks();
  ASSERT_TRUE(dlg->m_mark.IsSet());
  const ClockTime at = dlg->m_mark.Time();
  char time[16];
  std::snprintf(time, sizeof time, "%02u:%02u:%02u", at.hour, at.minute, at.second);
  const std::string marked = std::string("Heap Blocks within the selected Node - marked at ") + time + ", 6 blocks";
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), marked);
  menu = UseContextMenu(dlg->m_blockList.m_hWnd, MenuWay::ShiftF10, 0);
  EXPECT_FALSE(menu.enabled.at(6));

  // The program runs on: the busy 0x20 block at walk index 5 is freed, two
  // of 0x40 come after the last. A click on the heap fills it again.
  entries[6].flags = 0x0100;
  entries.push_back(Block(0x40, 1));
  entries.push_back(Block(0x40, 1));
  SubstituteScenario scenario;
  scenario.heaps = {Heap(base, entries)};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  SetSubstituteScenario(scenario);
  ClickNode(0);
  ASSERT_EQ(dlg->m_blockList.GetItemCount(), 9);
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), marked);
  menu = UseContextMenu(dlg->m_blockList.m_hWnd, MenuWay::ShiftF10, 0);
  EXPECT_TRUE(menu.enabled.at(6));
  {
    TableDialogAnswer answer(0, false, "changes-since-mark-dialog");
    dlg->OpenChangesSinceMark();
    ASSERT_EQ(answer.opened, 1);
    EXPECT_EQ(answer.seen.caption, "Changes Since Mark");
    EXPECT_TRUE(answer.seen.bySize);
    EXPECT_EQ(answer.seen.totals, std::string("+1 blocks (+0x00000060 bytes) since ") + time + ": 2 new, 1 gone");
    EXPECT_EQ(answer.seen.rows, (std::vector<Row>{{"0x00000040", "2", "4", "+2", "+0x00000080"},
                                                  {"0x00000020", "3", "2", "-1", "-0x00000020"}}));
  }
  // The first new block of 0x40 and its bytes; F3 the other one.
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 7);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(7));
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 8);
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 7);

  // Another process chosen: the mark is forgotten with its memory.
  IdleChild child;
  ASSERT_TRUE(child.Running());
  DialogWatcher boxes;  // the substitute answers only for this process
  dlg.ClickButton(IDOK);
  EXPECT_TRUE(dlg->m_mark.IsSet());  // its process still runs
  ASSERT_TRUE(dlg.ChooseProcessId(child.ProcessId()));
  EXPECT_FALSE(dlg->m_mark.IsSet());
  EXPECT_TRUE(dlg->m_mark.Blocks().empty());
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), "Heap Blocks within the selected Node");
}

// The target's private heap, as its report tells what each block holds.
class TargetTypes : public TargetFixture {
 protected:
  // The rows, in the order shown, of busy blocks of type; only those at
  // addresses the report `before` knows no object at, when given.
  std::vector<int> RowsOf(const std::string& type, const TargetReport* before = nullptr) {
    std::vector<int> rows;
    for (size_t p = 0; p < dlg->m_blockRows.Count(); ++p) {
      const BlockRowValues& row = dlg->m_blockRows.Shown(p);
      const bool old = before != nullptr && ExpectedTypeName(*before, row.address) == type;
      if (!row.Free() && !old && ExpectedTypeName(Report(), row.address) == type) rows.push_back(static_cast<int>(p));
    }
    return rows;
  }
  std::string Header(int row) {
    const BlockRowValues& block = dlg->m_blockRows.Shown(static_cast<size_t>(row));
    char text[160];
    FormatDumpHeader(Report().heaps.at(0).handle, block.address, block.size, kProgramWidth, text, sizeof text);
    return text;
  }
};

// Block Types of the target's private heap: a row for each of its classes
// (g++'s names as demangled, the Microsoft form's as undecorated), for each
// kind of text and for the rest, counted as the target made them; the row
// chosen goes to the first block of the type, F3 to the next. After a mark
// the target makes more objects of one class: the changes by type list that
// class alone, and choosing it goes to the new objects. Fails when a class
// is missing, misnamed or miscounted, a type row goes to a block of another
// type, or the view by type keeps the columns or rows by size.
TEST_F(TargetTypes, BlockTypesAndTheChangesByTypeAreTheTargetsOwn) {
  const TargetReport::Heap* heap = Report().FindHeap("private");
  ASSERT_NE(heap, nullptr);
  const int node = FindRow(dlg->m_nodeList, 1, Addr(heap->handle));
  ASSERT_GE(node, 0);
  dlg.ClickRow(dlg->m_nodeList, node);
  std::map<std::string, std::pair<int, uint64_t>> groups;
  for (const WalkEntry& entry : heap->entries) {
    if ((entry.flags & 0x7) != 0x4) continue;  // busy blocks only
    auto& [count, bytes] = groups[ExpectedTypeName(Report(), entry.data)];
    ++count;
    bytes += entry.size;
  }
  std::vector<Row> expected;
  for (const auto& [name, group] : groups) expected.push_back({name, std::to_string(group.first), Hex(group.second)});
  std::stable_sort(expected.begin(), expected.end(), [](const Row& a, const Row& b) { return a[2] > b[2]; });
  ASSERT_EQ(expected.size(), 7u) << "four classes, two kinds of text and the rest";
  const auto widgets =
      std::find_if(expected.begin(), expected.end(), [](const Row& row) { return row[0] == "demo::Widget"; });
  ASSERT_NE(widgets, expected.end());
  {
    TableDialogAnswer answer(static_cast<int>(widgets - expected.begin()), false, "block-types-dialog");
    dlg->OpenBlockTypes();
    ASSERT_EQ(answer.opened, 1);
    EXPECT_EQ(answer.seen.caption, "Block Types");
    EXPECT_EQ(answer.seen.columns, (std::vector<std::string>{"Type", "Blocks", "Bytes", "Share"}));
    for (Row& row : answer.seen.rows) row.resize(3);  // Share reads as in Block Sizes
    EXPECT_EQ(answer.seen.rows, expected);
  }
  const std::vector<int> widgetRows = RowsOf("demo::Widget");
  ASSERT_GE(widgetRows.size(), 2u);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), widgetRows[0]);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(widgetRows[0]));
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), widgetRows[1]);

  dlg->MarkBlocks();
  const TargetReport before = Report();
  ASSERT_EQ(s_target->MakeMoreObjects(), "");
  SetSubstituteScenario(ScenarioFromReport(Report()));
  dlg->EnterTableMode();
  dlg.ClickRow(dlg->m_nodeList, node);
  const std::vector<int> newRows = RowsOf("ns::Node", &before);
  const size_t now = RowsOf("ns::Node").size(), then = now - newRows.size();
  ASSERT_GE(newRows.size(), 2u);
  char bytes[24];  // the objects made last are the new ones
  std::snprintf(bytes, sizeof bytes, "+0x%.8llx",
                static_cast<unsigned long long>(newRows.size() * Report().objects.back().size));
  {
    TableDialogAnswer answer(0, false, "changes-by-type-dialog", true);
    dlg->OpenChangesSinceMark();
    ASSERT_EQ(answer.opened, 1);
    EXPECT_TRUE(answer.seen.bySize);
    EXPECT_EQ(answer.seen.columns,
              (std::vector<std::string>{"Type", "Blocks Then", "Blocks Now", "Change", "Bytes Change"}));
    EXPECT_EQ(answer.seen.rows, (std::vector<Row>{{"ns::Node", std::to_string(then), std::to_string(now),
                                                   "+" + std::to_string(now - then), bytes}}));
  }
  EXPECT_EQ(ShownSelection(dlg->m_blockList), newRows[0]);
  EXPECT_EQ(DumpHeaderAddress(dlg), Header(newRows[0]));
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), newRows[1]);
}

// Catches a type search kept by its index: with the first class's blocks
// shown free, the next fill numbers the other classes afresh.
TEST_F(TargetTypes, ATypeSearchOutlivesANewFillByItsName) {
  struct Restore {
    SubstituteScenario saved = SubstituteScenarioInUse();
    ~Restore() { SetSubstituteScenario(saved); }
  } restore;
  const int node = FindRow(dlg->m_nodeList, 1, Addr(Report().heaps.at(0).handle));
  dlg.ClickRow(dlg->m_nodeList, node);
  ASSERT_GT(dlg->m_blockTypes.Count(), kFirstClassType + 1);
  const std::string first = dlg->m_blockTypes.Name(kFirstClassType),
                    chosen = dlg->m_blockTypes.Name(kFirstClassType + 1);
  dlg->m_blockSearch = BlockSearch::OfType(chosen);  // as Block Types sets it
  SubstituteScenario scenario = restore.saved;
  for (SubstituteItem& item : scenario.heaps.at(0).items)
    if (item.type == kHeapItemBlock && ExpectedTypeName(Report(), item.address) == first) item.flags = 0;
  SetSubstituteScenario(scenario);
  dlg.ClickRow(dlg->m_nodeList, node);
  ASSERT_NE(dlg->m_blockTypes.Find(chosen).value_or(0), kFirstClassType + 1) << "numbered afresh";
  PressF3(dlg);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), RowsOf(chosen).at(0));
}

}  // namespace
