// Sorting the block table by its column headers: the rows in the order a
// user expects, the arrow, the kept selection, the rows kept beside the
// table in step, and a new fill back in walk order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "blockdata/DumpLines.h"
#include "support/BlockTableFixture.h"
#include "support/TableRows.h"

namespace {
using Row = std::vector<std::string>;

// The rows as a user expects them sorted by the column: Block Index by
// value, addresses and sizes by value, words without regard to case; equal
// rows in walk order in both directions.
std::vector<Row> SortedRows(std::vector<Row> rows, int column, bool descending) {
  const auto key = [column](const Row& row) {
    std::string text = row[static_cast<size_t>(column)];
    if (column == 0) return std::pair<uint64_t, std::string>{std::stoull(text), ""};
    if (column <= 2) return std::pair<uint64_t, std::string>{std::stoull(text, nullptr, 16), ""};
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::pair<uint64_t, std::string>{0, text};
  };
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return descending ? key(b) < key(a) : key(a) < key(b); });
  return rows;
}

// Sixty blocks laid over this process's own memory, so that a click on any
// row dumps real bytes: sizes of five values, fixed, unknown and free ones.
TEST_F(BlockTable, HeaderClicksSortTheBlocksAndTheRowsKeptBesideThem) {
  std::vector<uint8_t> memory(0x2000, 0x5A);
  const uint64_t first = reinterpret_cast<uintptr_t>(memory.data());
  std::vector<SubstituteEntry> entries = {Segment(first - 8)};
  for (int i = 0; i < 60; ++i)
    entries.push_back(Block(0x10 * (1 + (i * 7) % 5), i % 6 == 5 ? 0x0100 : (i % 10 == 3 ? 0x0004 : 0x0001)));
  ChooseWith({Heap(0x00150000, entries)});
  DialogWatcher watcher;
  ClickNode(0);
  CListCtrl& list = dlg->m_blockList;
  const std::vector<Row> walk = AllRows(list);
  ASSERT_EQ(walk.size(), 60u);
  // Walk index 2, of the largest size: an ascending sort puts it out of view.
  SelectRow(list, 2);
  const int queries = SubstituteCountersNow().queries;

  struct Click {
    int column;
    bool descending;
    const char* arrows;
  };
  for (const Click& click :
       {Click{2, false, "--^---"}, Click{2, true, "--v---"}, Click{2, false, "--^---"}, Click{3, false, "---^--"},
        Click{4, false, "----^-"}, Click{4, true, "----v-"}, Click{0, false, "^-----"}, Click{0, true, "v-----"}}) {
    SCOPED_TRACE(::testing::Message() << "column " << click.column << (click.descending ? " down" : " up"));
    ClickHeader(list, click.column);
    ASSERT_EQ(AllRows(list), SortedRows(walk, click.column, click.descending));
    EXPECT_EQ(SortArrows(list), click.arrows);
    const int selected = ShownSelection(list);
    EXPECT_EQ(CellText(list, selected, 0), "3");
    EXPECT_EQ(list.SendMessage(LVM_GETSELECTEDCOUNT), 1);
    EXPECT_TRUE(RowInView(list, selected)) << selected;
    // What a search goes by: the kept rows in the order shown.
    ASSERT_EQ(dlg->m_blockRows.Count(), walk.size());
    for (int p = 0; p < 60; ++p) {
      const BlockRowValues& row = dlg->m_blockRows.Shown(static_cast<size_t>(p));
      ASSERT_EQ(Addr(row.address), CellText(list, p, 1)) << p;
      ASSERT_EQ(Hex(row.size), CellText(list, p, 2)) << p;
      ASSERT_EQ(row.Free(), CellText(list, p, 4) == "Free") << p;
    }
    if (click.column == 2 && click.descending) SaveScreenshot(dlg.Hwnd(), "block-table-sorted-by-size");
  }
  EXPECT_EQ(SubstituteCountersNow().queries, queries) << "sorting queries nothing";

  // The selected row, now near the bottom, dumps its own block.
  const int selected = ShownSelection(list);
  dlg.ClickRow(list, selected);
  const std::vector<std::string> lines = ListBoxLines(dlg->m_dataList);
  char header[1024];
  // After blocks of 0x10 and 0x30 bytes.
  ASSERT_EQ(CellText(list, selected, 1), Addr(first + 0x40));
  FormatDumpHeader(0x00150000, first + 0x40, 0x50, kProgramWidth, header, sizeof header);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], header);

  // A new fill: walk order, no arrow, and the first click sorts ascending.
  dlg->EnterTableMode();
  ClickNode(0);
  EXPECT_EQ(AllRows(list), walk);
  EXPECT_EQ(SortArrows(list), "------");
  EXPECT_EQ(Addr(dlg->m_blockRows.Shown(59).address), walk[59][1]);
  ClickHeader(list, 2);
  EXPECT_EQ(SortArrows(list), "--^---");
  EXPECT_EQ(AllRows(list), SortedRows(walk, 2, false));
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}
}  // namespace
