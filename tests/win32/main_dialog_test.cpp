// The main dialog as the user first meets it: the real template with its
// fonts, columns, tips and display modes.
#include <gtest/gtest.h>

#include "DialogWatcher.h"
#include "LiveDialog.h"

namespace {
struct FontSeen {
  std::string face;
  LONG height;
  LONG weight;
  bool italic;
};

FontSeen FontOf(const CWnd& control) {
  LOGFONTA font = {};
  auto handle = reinterpret_cast<HFONT>(control.SendMessage(WM_GETFONT));
  ::GetObjectA(handle, sizeof font, &font);
  return {font.lfFaceName, font.lfHeight, font.lfWeight, font.lfItalic != 0};
}

struct ColumnSeen {
  std::string title;
  int width;
  int format;
};

std::vector<ColumnSeen> ColumnsOf(const CListCtrl& list) {
  std::vector<ColumnSeen> columns;
  for (int i = 0;; ++i) {
    char title[256] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    if (!list.SendMessage(LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column))) break;
    columns.push_back({title, column.cx, column.fmt & LVCFMT_JUSTIFYMASK});
  }
  return columns;
}

POINT TopLeft(HWND dialog, const CWnd& control) {
  RECT rect;
  control.GetWindowRect(&rect);
  POINT corner{rect.left, rect.top};
  ::ScreenToClient(dialog, &corner);
  return corner;
}
}  // namespace

TEST(MainDialog, OpensInTableModeWithDataViewOverTheNodeTable) {
  LiveDialog dlg;
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_nodeCaption.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataCaption.IsWindowVisible());
  EXPECT_FALSE(dlg->m_closeDataButton.IsWindowVisible());
  EXPECT_FALSE(dlg->m_saveDataButton.IsWindowVisible());
  EXPECT_TRUE(dlg->m_blockList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_refreshButton.IsWindowVisible());

  const POINT node = TopLeft(dlg.Hwnd(), dlg->m_nodeList);
  const POINT data = TopLeft(dlg.Hwnd(), dlg->m_dataList);
  EXPECT_EQ(node.x, data.x);
  EXPECT_EQ(node.y, data.y);
  const POINT nodeCaption = TopLeft(dlg.Hwnd(), dlg->m_nodeCaption);
  const POINT dataCaption = TopLeft(dlg.Hwnd(), dlg->m_dataCaption);
  EXPECT_EQ(nodeCaption.x, dataCaption.x);
  EXPECT_EQ(nodeCaption.y, dataCaption.y);

  // Switching modes changes visibility only, never a place.
  dlg->EnterDataMode();
  EXPECT_FALSE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_saveDataButton.IsWindowVisible());
  EXPECT_EQ(TopLeft(dlg.Hwnd(), dlg->m_dataList).y, data.y);
  dlg.ClickButton(IDC_CLOSE_DATA);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_closeDataButton.IsWindowVisible());
  SaveScreenshot(dlg.Hwnd(), "main-window");
}

TEST(MainDialog, ControlsCarryTheirFonts) {
  LiveDialog dlg;
  const FontSeen title = FontOf(dlg->m_titleText);
  EXPECT_EQ(title.face, "Times New Roman");
  EXPECT_EQ(title.height, 20);
  EXPECT_EQ(title.weight, 900);
  EXPECT_FALSE(title.italic);
  const FontSeen subtitle = FontOf(dlg->m_subtitleText);
  EXPECT_EQ(subtitle.face, "monospace");
  EXPECT_EQ(subtitle.height, 13);
  EXPECT_EQ(subtitle.weight, 400);
  EXPECT_TRUE(subtitle.italic);
  for (const CWnd* caption : {&dlg->m_nodeCaption, &dlg->m_blockCaption, &dlg->m_dataCaption}) {
    const FontSeen font = FontOf(*caption);
    EXPECT_EQ(font.face, "Tahoma");
    EXPECT_EQ(font.height, 12);
    EXPECT_EQ(font.weight, 900);
  }
  // The three captions share one font.
  EXPECT_EQ(dlg->m_nodeCaption.SendMessage(WM_GETFONT), dlg->m_dataCaption.SendMessage(WM_GETFONT));
  const FontSeen data = FontOf(dlg->m_dataList);
  EXPECT_EQ(data.face, "Courier New");
  EXPECT_EQ(data.height, 14);
  EXPECT_EQ(data.weight, 400);
  // The column holds the longest line whole, as the list view would size
  // it itself (fails when the scroll bar can't reach a line's end).
  char header[1024];
  FormatDumpHeader(UINTPTR_MAX, UINTPTR_MAX, 0xFFFFFFFF, kProgramWidth, header, sizeof header);
  dlg->m_dataLines.ShowDump(header, 17, std::make_unique<KeptDumpBytes>(std::vector<uint8_t>(17, 'W')));
  dlg->ShowDataLines();
  const int width = dlg->m_dataList.GetColumnWidth(0);
  dlg->m_dataList.SetColumnWidth(0, LVSCW_AUTOSIZE);
  EXPECT_GE(width, dlg->m_dataList.GetColumnWidth(0));
}

TEST(MainDialog, ListViewsHaveTheirColumnsAndStyles) {
  LiveDialog dlg;
  // A 64-bit program's 16-digit addresses get wider columns, paid for by
  // the others so that the tables keep their width.
  const bool wide = sizeof(void*) == 8;
  const std::vector<std::pair<std::string, int>> node = {
      {"Node Index", 80},          {"Base Address", wide ? 130 : 100}, {"No of Blocks", 80},
      {"Comitted", wide ? 95 : 100}, {"Allocated", wide ? 95 : 100},     {"Flags", wide ? 80 : 100}};
  const std::vector<std::pair<std::string, int>> block = {
      {"Block Index", 80},      {"Block Address", wide ? 130 : 120}, {"Block Size", 120},
      {"Allocation Type", 100}, {"Status", wide ? 130 : 140},        {"Contents", 240}};
  // giver: the last column that gives room; the block table's Contents
  // column lies beyond its width and keeps its own.
  const auto check = [](const CListCtrl& list, const std::vector<std::pair<std::string, int>>& expected, size_t giver) {
    const std::vector<ColumnSeen> columns = ColumnsOf(list);
    ASSERT_EQ(columns.size(), expected.size());
    for (size_t i = 0; i < columns.size(); ++i) {
      EXPECT_EQ(columns[i].title, expected[i].first);
      EXPECT_EQ(columns[i].format, LVCFMT_LEFT);
      if (i == 0 || i == giver) {
        // The last and the index column give the address column room,
        // never take any.
        EXPECT_LE(columns[i].width, expected[i].second) << columns[i].title;
        continue;
      }
      if (i != 1) {
        EXPECT_EQ(columns[i].width, expected[i].second) << columns[i].title;
        continue;
      }
      // The address column: never narrower than set, and wide enough for
      // every address text in the list view's own font, with the padding
      // of a report cell.
      EXPECT_GE(columns[i].width, expected[i].second) << columns[i].title;
      for (const char digit : std::string("0123456789abcdef")) {
        const std::string text = "0x" + std::string(sizeof(void*) == 8 ? 16 : 8, digit);
        const int width = static_cast<int>(list.SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
        EXPECT_GE(columns[i].width, width + 12) << text;
      }
    }
    EXPECT_EQ(list.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE), 0x4421);
    EXPECT_EQ(list.GetItemCount(), 0);
  };
  check(dlg->m_nodeList, node, 5);
  check(dlg->m_blockList, block, 4);
}

TEST(MainDialog, InfoTipsPointAtTheDialogsTexts) {
  LiveDialog dlg;
  char listBuffer[64] = "untouched";
  for (int item : {0, 7}) {
    for (const auto& [id, expected] :
         {std::pair<int, const char*>{IDC_NODE_LIST, "Click to view the heap blocks within this node"},
          {IDC_BLOCK_LIST, "Click to view the contents of this heap block"}}) {
      NMLVGETINFOTIPA tip = {};
      tip.hdr.hwndFrom = ::GetDlgItem(dlg.Hwnd(), id);
      tip.hdr.idFrom = static_cast<UINT_PTR>(id);
      tip.hdr.code = LVN_GETINFOTIPA;
      tip.pszText = listBuffer;
      tip.cchTextMax = sizeof listBuffer;
      tip.iItem = item;
      ::SendMessageA(dlg.Hwnd(), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&tip));
      EXPECT_STREQ(tip.pszText, expected);
      EXPECT_EQ(::GetWindowLongPtrA(dlg.Hwnd(), DWLP_MSGRESULT), 0);
    }
  }
  EXPECT_STREQ(listBuffer, "untouched");
}
