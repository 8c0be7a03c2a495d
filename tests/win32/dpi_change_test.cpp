// The main window at its screen's DPI: the fonts, columns and icons it
// sizes itself follow the DPI, and a move to a screen of another DPI
// (WM_DPICHANGED) makes them again without losing the tables' rows, the
// selection, the rows scrolled to or the dump. Wine sends no such message
// and lays out no template again for one sent: only what the program sizes
// itself is checked here.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "LiveDialog.h"
#include "blockdata/SelectedBlock.h"
#include "framework/Dpi.h"
#include "shell/DialogTables.h"
#include "support/DataViewFixture.h"

namespace {
int FontHeight(HFONT font) {
  LOGFONTA font_info{};
  return ::GetObjectA(font, sizeof font_info, &font_info) != 0 ? font_info.lfHeight : 0;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  ::GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// Fails where a size stays at 96 DPI's (or at the DPI before a change).
void ExpectSizesAt(CTarnwickDlg& dlg, unsigned dpi) {
  SCOPED_TRACE(dpi);
  EXPECT_EQ(dlg.Dpi(), dpi);
  EXPECT_EQ(FontHeight(dlg.m_titleFont), ScaleForDpi(kTitleFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_subtitleFont), ScaleForDpi(kSubtitleFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_captionFont), ScaleForDpi(kCaptionFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_dataFont), ScaleForDpi(kDataFont.height, dpi));
  // Columns no fit to the font changes.
  EXPECT_NEAR(dlg.m_nodeList.GetColumnWidth(2), ScaleForDpi(kNodeColumns[2].width, dpi), 1);
  EXPECT_NEAR(dlg.m_blockList.GetColumnWidth(2), ScaleForDpi(kBlockColumns[2].width, dpi), 1);
  for (const CQorButton* button : {&dlg.m_refreshButton, &dlg.m_closeDataButton, &dlg.m_saveDataButton})
    EXPECT_EQ(IconWidth(button->Image()), ScaleForDpi(20, dpi));
  // The dump's longest line keeps its room in the data view's new font.
  const std::vector<std::string> lines = ListBoxLines(dlg.m_dataList);
  if (lines.size() > 2) {
    EXPECT_GE(dlg.m_dataList.GetColumnWidth(0), dlg.m_dataList.GetStringWidth(lines[2].c_str()));
  }
}

void MoveToDpi(HWND window, unsigned dpi, unsigned from) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  rect.right = rect.left + RescaleForDpi(rect.right - rect.left, from, dpi);
  rect.bottom = rect.top + RescaleForDpi(rect.bottom - rect.top, from, dpi);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  PumpMessages(50);
  RECT now;
  ::GetWindowRect(window, &now);
  EXPECT_TRUE(::EqualRect(&now, &rect)) << "the window takes the suggested rectangle";
}

TEST_F(DataView, SizesFollowTheDpiAndAMoveToAnotherKeepsRowsSelectionAndDump) {
  const unsigned startDpi = WindowDpi(dlg.Hwnd());
  OpenPrivateHeap();
  const int rows = dlg->m_blockList.GetItemCount();
  ASSERT_GT(rows, 20);
  dlg->m_blockList.EnsureVisible(rows - 1, FALSE);
  // Block 7 holds every byte value: more lines than the view shows.
  const int row = FindRow(dlg->m_blockList, 1, Addr(Report().FindBlock(7)->address));
  ASSERT_NE(row, -1);
  const std::vector<std::string> dump = ClickBlockRow(row);
  ASSERT_GT(dump.size(), 16u);
  dlg->m_dataList.EnsureVisible(static_cast<int>(dump.size()) - 1, FALSE);
  dlg->m_blockList.Scroll(100, 0);
  const int blockLeft = dlg->m_blockList.GetScrollPos(SB_HORZ);
  ASSERT_GT(blockLeft, 0);
  const int blockTop = dlg->m_blockList.GetTopIndex();
  const int dataTop = dlg->m_dataList.GetTopIndex();
  ASSERT_GT(dataTop, 0);
  const auto table = AllRows(dlg->m_blockList);
  ExpectSizesAt(*dlg, startDpi);

  unsigned from = startDpi;
  for (const unsigned dpi : {144u, 96u}) {
    MoveToDpi(dlg.Hwnd(), dpi, from);
    from = dpi;
    ExpectSizesAt(*dlg, dpi);
    EXPECT_EQ(AllRows(dlg->m_blockList), table);
    EXPECT_EQ(SelectedRow(dlg->m_blockList), row);
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), dump);
    EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
    // The horizontal scroll keeps its share, as far as the columns reach.
    SCROLLINFO range = {sizeof range, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(dlg->m_blockList.m_hWnd, SB_HORZ, &range);
    const int reach = std::max(range.nMax - static_cast<int>(range.nPage) + 1, 0);
    EXPECT_NEAR(dlg->m_blockList.GetScrollPos(SB_HORZ), std::min(RescaleForDpi(blockLeft, startDpi, dpi), reach), 2);
    // The top rows stay where the view can still scroll to them.
    for (const auto& [list, top] : {std::pair{&dlg->m_blockList, blockTop}, std::pair{&dlg->m_dataList, dataTop}}) {
      const int last = list->GetItemCount() - static_cast<int>(list->SendMessage(LVM_GETCOUNTPERPAGE));
      EXPECT_EQ(list->GetTopIndex(), std::min(top, std::max(last, 0))) << ::GetDlgCtrlID(list->m_hWnd);
    }
  }
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}
}  // namespace
