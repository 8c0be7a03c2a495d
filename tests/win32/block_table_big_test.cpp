// The block table at the scale of real programs: a million kept rows fill
// without a progress text a short fill would not paint, read right at their
// end, and typing an index selects its row.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DialogWatcher.h"
#include "shell/DialogTables.h"
#include "support/BlockTableFixture.h"
#include "support/CaptionWatch.h"
#include "support/TableRows.h"

namespace {
using Row = std::vector<std::string>;
using blocktable::CaptionWatch;
using blocktable::EnabledControls;
using blocktable::kCaption;
using blocktable::Progress;

TEST_F(BlockTable, CaptionShowsProgressOnlyWhenALongFillWouldPaintIt) {
  // 24 blocks after a segment: 25 entries, but only 24 rows. Fills as
  // short as these end before a progress text would be painted.
  ChooseWith({HeapOfBlocks(0x00150000, 24), HeapOfBlocks(0x00250000, 25),
              Heap(0x00350000, {Segment(0x00350580), Block(0x10, 1), Segment(0x00360000)}),
              HeapOfBlocks(0x00450000, 74), HeapOfBlocks(0x00550000, 1000000)});
  {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(0);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 24);
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
  }
  {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(1);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 25);
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
  }
  {
    // A segment as the last entry ends the walk without a row. (Its
    // Contents are what this process holds there: 64-bit Wine keeps its
    // environment's text at that address.)
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(2);
    ASSERT_EQ(dlg->m_blockList.GetItemCount(), 1);
    Row row = RowTexts(dlg->m_blockList, 0);
    row.resize(5);
    EXPECT_EQ(row, (Row{"1", Addr(0x00350588), "0x00000010", "FIXED", "Allocated"}));
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
  }
  {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd);
    ClickNode(3);
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 74);
    EXPECT_EQ(CellText(dlg->m_blockList, 73, 0), "74");
    EXPECT_EQ(caption.texts, std::vector<std::string>{kCaption});
  }
  // A million blocks: progress texts for multiples of 25, rising, no more
  // often than one a paint interval, the controls disabled meanwhile.
  int enabledDuringFill = -1;
  std::vector<ULONGLONG> times;
  const ULONGLONG start = ::GetTickCount64();
  {
    CaptionWatch caption(dlg->m_blockCaption.m_hWnd, [&] {
      enabledDuringFill = EnabledControls(dlg.Hwnd());
      times.push_back(::GetTickCount64());
    });
    ClickNode(4);
    const ULONGLONG took = ::GetTickCount64() - start;
    EXPECT_EQ(dlg->m_blockList.GetItemCount(), 1000000);
    ASSERT_GE(caption.texts.size(), 1u);
    EXPECT_EQ(caption.texts.back(), kCaption);
    int last = 0;
    for (size_t i = 0; i + 1 < caption.texts.size(); ++i) {
      int done = 0, total = 0;
      ASSERT_EQ(std::sscanf(caption.texts[i].c_str(), "Heap Blocks within the selected Node - processing %d of %d",
                            &done, &total),
                2)
          << caption.texts[i];
      EXPECT_EQ(caption.texts[i], Progress(done, 1000001));
      EXPECT_EQ(done % 25, 0);
      EXPECT_GT(done, last);
      last = done;
    }
    EXPECT_LE(caption.texts.size() - 1, took / 25 + 1) << took << " ms";
  }
  if (!times.empty()) {
    EXPECT_EQ(enabledDuringFill, 0) << "the five controls stay disabled while the table fills";
    EXPECT_GE(times.front() - start, 25u) << "the first text waits for a paint to be due";
  }
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kCaption);
  EXPECT_EQ(EnabledControls(dlg.Hwnd()), 5);

  // Scrolled to its end, the table shows the last rows' texts; typing the
  // start of an index selects the next row that has it.
  dlg->m_blockList.EnsureVisible(999999, FALSE);
  PumpMessages(50);
  EXPECT_TRUE(RowInView(dlg->m_blockList, 999999));
  const uint64_t last = 0x00550000 + 0x588 + 0x10 * 999999ull;
  // (The Contents cell reads whatever this process holds at that made-up
  // address.)
  Row shown = RowTexts(dlg->m_blockList, 999999);
  shown.resize(kBlockNumberColumns);
  EXPECT_EQ(shown, (Row{"1000000", Addr(last), "0x00000010", "FIXED", "Allocated"}));
  EXPECT_EQ(RowTexts(dlg->m_blockList, 999998)[0], "999999");
  SaveScreenshot(dlg.Hwnd(), "block-table-million-rows-at-the-end");
  // (Wine's list view takes longer to move the selection in a million rows
  // than it waits between two typed keys, so this is typed in a smaller
  // table.)
  ClickNode(3);
  ::SetFocus(dlg->m_blockList.m_hWnd);
  for (const char c : std::string("54")) dlg->m_blockList.SendMessage(WM_CHAR, static_cast<WPARAM>(c), 1);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 53);
  EXPECT_TRUE(RowInView(dlg->m_blockList, 53));
  ::Sleep(500);  // a new search: the next row whose index starts with "7"
  dlg->m_blockList.SendMessage(WM_CHAR, '7', 1);
  EXPECT_EQ(ShownSelection(dlg->m_blockList), 69);
}

}  // namespace
