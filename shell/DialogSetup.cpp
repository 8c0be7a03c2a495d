// Start-up set-up of the main dialog's fonts, overlay and list-view columns.
#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "heap/TableText.h"

#include "shell/DialogTables.h"
#include "shell/TarnwickDlg.h"

namespace {
// The font's height is written for 96 DPI.
CFont SpecFont(const FontSpec& spec, UINT dpi) {
  CFont font;
  font.CreateFont(ScaleForDpi(spec.height, dpi), 0, 0, 0, spec.weight, spec.italic ? TRUE : FALSE, FALSE, FALSE,
                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, spec.face);
  return font;
}

// The control's top-left corner in the dialog's client coordinates.
POINT TopLeftIn(const CWnd& dialog, const CWnd& control) {
  RECT rect;
  control.GetWindowRect(&rect);
  POINT corner{rect.left, rect.top};
  dialog.ScreenToClient(&corner);
  return corner;
}

// The columns with their widths at the DPI.
std::vector<ColumnSpec> ScaledColumns(const ColumnSpec* columns, int count, UINT dpi) {
  std::vector<ColumnSpec> scaled(columns, columns + count);
  for (ColumnSpec& column : scaled) column.width = ScaleForDpi(column.width, dpi);
  return scaled;
}

void InsertColumns(CListCtrl& list, const std::vector<ColumnSpec>& columns) {
  list.SetExtendedStyle(kListViewExtendedStyles);
  for (size_t i = 0; i < columns.size(); ++i)
    list.InsertColumn(static_cast<int>(i), columns[i].title, LVCFMT_LEFT, columns[i].width);
}

// Column 1 of both tables holds addresses; fonts differ between systems
// (and Wine prefixes), so the set width is only the least. The room it
// takes beyond that comes from the last of the first count columns, as far
// as that keeps room for its widest text, so that the table keeps its width.
void FitAddressColumn(CListCtrl& list, const std::vector<ColumnSpec>& columns, int count, const char* lastWidest,
                      UINT dpi) {
  int widest = 0;
  for (const char digit : std::string_view("0123456789abcdef")) {
    const char text[2] = {digit, '\0'};
    widest = std::max(widest, list.GetStringWidth(text));
  }
  const int padding = ScaleForDpi(kReportCellPadding, dpi);
  const int width = AddressColumnWidth(columns[1].width, list.GetStringWidth("0x"), widest,
                                       static_cast<int>(AddressDigits(kProgramWidth)), padding);
  list.SetColumnWidth(1, width);
  // What the last column can't give, the index column (short numbers) does.
  const auto give = [&](int column, int room, const char* widestText) {
    const int needs =
        std::max(list.GetStringWidth(columns[column].title), list.GetStringWidth(widestText)) + padding;
    const int now = std::max(columns[column].width - room, std::min(needs, columns[column].width));
    list.SetColumnWidth(column, now);
    return room - (columns[column].width - now);
  };
  give(0, give(count - 1, width - columns[1].width, lastWidest), "1000000");
}
}  // namespace

void CTarnwickDlg::SetUpFonts() {
  // Each new font is in use before the old one it replaces is deleted.
  CFont title = SpecFont(kTitleFont, Dpi());
  m_titleText.SetFont(title);
  m_titleFont = std::move(title);
  CFont subtitle = SpecFont(kSubtitleFont, Dpi());
  m_subtitleText.SetFont(subtitle);
  m_subtitleFont = std::move(subtitle);
  CFont caption = SpecFont(kCaptionFont, Dpi());
  m_nodeCaption.SetFont(caption);
  m_blockCaption.SetFont(caption);
  m_dataCaption.SetFont(caption);
  m_captionFont = std::move(caption);
  CFont data = SpecFont(kDataFont, Dpi());
  m_dataList.SetFont(data);
  m_dataFont = std::move(data);
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
  m_dataList.InsertColumn(0, "", LVCFMT_LEFT, Scaled(100));
  const std::vector<ColumnSpec> nodeColumns = ScaledColumns(kNodeColumns, std::size(kNodeColumns), Dpi());
  const std::vector<ColumnSpec> blockColumns = ScaledColumns(kBlockColumns, std::size(kBlockColumns), Dpi());
  InsertColumns(m_nodeList, nodeColumns);
  InsertColumns(m_blockList, blockColumns);
  FitAddressColumn(m_nodeList, nodeColumns, static_cast<int>(nodeColumns.size()), "0xdddddddd", Dpi());
  // The Contents column lies beyond the table's width: the others keep it.
  FitAddressColumn(m_blockList, blockColumns, kBlockNumberColumns, kBlockStatusAllocated, Dpi());
}

void CTarnwickDlg::SizeProcessCombo() {
  // For a drop-down list the height covers the opened list.
  m_processCombo.SetWindowPos(nullptr, 0, 0, Scaled(kProcessComboWidth), Scaled(kProcessComboHeight),
                              SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}
