// The main window on a screen of another DPI: its fonts, icon buttons,
// combo size and the tables' column widths are made again; the rows, the
// selections, the dump and the rows scrolled to stay.
#include "shell/TarnwickDlg.h"

namespace {
// Keeps a list view's top row across a change of its font or columns, as
// far as the view can still scroll there (a list view may move it to keep
// its focused row in sight), and its horizontal scroll at the same share of
// columns that scale with the DPI.
class ScrollKept {
 public:
  ScrollKept(CListCtrl& list, UINT oldDpi, UINT newDpi)
      : m_list(list), m_top(list.GetTopIndex()), m_left(RescaleForDpi(list.GetScrollPos(SB_HORZ), oldDpi, newDpi)) {}
  ScrollKept(const ScrollKept&) = delete;
  ScrollKept& operator=(const ScrollKept&) = delete;
  ~ScrollKept() {
    const int now = m_list.GetTopIndex();
    RECT row{};
    const int rowHeight = now != m_top && m_list.GetItemRect(now, &row, LVIR_BOUNDS) ? row.bottom - row.top : 0;
    m_list.Scroll(m_left - m_list.GetScrollPos(SB_HORZ), (m_top - now) * rowHeight);
  }

 private:
  CListCtrl& m_list;
  int m_top;
  int m_left;
};

// Widths the user may have changed keep their share of the table.
void RescaleColumns(CListCtrl& list, UINT oldDpi, UINT newDpi) {
  const int count = list.GetHeaderItemCount();
  for (int c = 0; c < count; ++c) list.SetColumnWidth(c, RescaleForDpi(list.GetColumnWidth(c), oldDpi, newDpi));
}
}  // namespace

void CTarnwickDlg::OnDpiScaled(UINT oldDpi) {
  const ScrollKept nodeScroll(m_nodeList, oldDpi, Dpi());
  const ScrollKept blockScroll(m_blockList, oldDpi, Dpi());
  const ScrollKept dataScroll(m_dataList, oldDpi, Dpi());
  SetUpFonts();
  RescaleColumns(m_nodeList, oldDpi, Dpi());
  RescaleColumns(m_blockList, oldDpi, Dpi());
  FitDataColumn();
  SetUpButtons();
  SizeProcessCombo();
}
