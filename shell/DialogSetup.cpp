// Start-up set-up of the main dialog's fonts, overlay and list-view columns.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "heap/TableText.h"

#include "shell/DialogTables.h"
#include "shell/TarnwickDlg.h"

namespace {
BOOL CreateSpecFont(CFont& font, const FontSpec& spec) {
  return font.CreateFont(spec.height, 0, 0, 0, spec.weight, spec.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         spec.face);
}

// The control's top-left corner in the dialog's client coordinates.
POINT TopLeftIn(const CWnd& dialog, const CWnd& control) {
  RECT rect;
  control.GetWindowRect(&rect);
  POINT corner{rect.left, rect.top};
  dialog.ScreenToClient(&corner);
  return corner;
}

void InsertColumns(CListCtrl& list, const ColumnSpec* columns, int count) {
  list.SetExtendedStyle(kListViewExtendedStyles);
  for (int i = 0; i < count; ++i) list.InsertColumn(i, columns[i].title, LVCFMT_LEFT, columns[i].width);
}

// Column 1 of both tables holds addresses; fonts differ between systems
// (and Wine prefixes), so the set width is only the least. The room it
// takes beyond that comes from the last column, as far as that keeps room
// for its widest text, so that the table keeps its width.
void FitAddressColumn(CListCtrl& list, const ColumnSpec* columns, int count, const char* lastWidest) {
  int widest = 0;
  for (const char digit : std::string_view("0123456789abcdef")) {
    const char text[2] = {digit, '\0'};
    widest = std::max(widest, list.GetStringWidth(text));
  }
  const int width = AddressColumnWidth(columns[1].width, list.GetStringWidth("0x"), widest,
                                       static_cast<int>(AddressDigits(kProgramWidth)));
  list.SetColumnWidth(1, width);
  // What the last column can't give, the index column (short numbers) does.
  const auto give = [&](int column, int room, const char* widestText) {
    const int needs =
        std::max(list.GetStringWidth(columns[column].title), list.GetStringWidth(widestText)) + kReportCellPadding;
    const int now = std::max(columns[column].width - room, std::min(needs, columns[column].width));
    list.SetColumnWidth(column, now);
    return room - (columns[column].width - now);
  };
  give(0, give(count - 1, width - columns[1].width, lastWidest), "1000000");
}
}  // namespace

void CTarnwickDlg::SetUpFonts() {
  CreateSpecFont(m_titleFont, kTitleFont);
  m_titleText.SetFont(m_titleFont);
  CreateSpecFont(m_subtitleFont, kSubtitleFont);
  m_subtitleText.SetFont(m_subtitleFont);
  CreateSpecFont(m_captionFont, kCaptionFont);
  m_nodeCaption.SetFont(m_captionFont);
  m_blockCaption.SetFont(m_captionFont);
  m_dataCaption.SetFont(m_captionFont);
  CreateSpecFont(m_dataFont, kDataFont);
  m_dataList.SetFont(m_dataFont);
}

void CTarnwickDlg::PlaceDataViewOverNodeTable() {
  // The list box keeps its own size and z-order; only its corner moves.
  const POINT list = TopLeftIn(*this, m_nodeList);
  m_dataList.SetWindowPos(nullptr, list.x, list.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const POINT caption = TopLeftIn(*this, m_nodeCaption);
  m_dataCaption.SetWindowPos(nullptr, caption.x, caption.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CTarnwickDlg::SetUpColumns() {
  // The data view: one column, no header, a whole line selected.
  m_dataList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  m_dataList.InsertColumn(0, "", LVCFMT_LEFT, 100);
  InsertColumns(m_nodeList, kNodeColumns, static_cast<int>(std::size(kNodeColumns)));
  InsertColumns(m_blockList, kBlockColumns, static_cast<int>(std::size(kBlockColumns)));
  FitAddressColumn(m_nodeList, kNodeColumns, static_cast<int>(std::size(kNodeColumns)), "0xdddddddd");
  // The Contents column lies beyond the table's width: the others keep it.
  FitAddressColumn(m_blockList, kBlockColumns, kBlockNumberColumns, kBlockStatusAllocated);
}
