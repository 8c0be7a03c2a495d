// The main window on a screen of another DPI: its fonts, icon buttons,
// combo size and the tables' column widths are made again; the rows, the
// selections, the dump and the rows scrolled to stay.
#include "shell/TarnwickDlg.h"

namespace {
// Keeps a list view's top row across a change of its font or columns, as
// far as the view can still scroll there (a list view may move it to keep
// its focused row in sight).
class TopRowKept {
 public:
  explicit TopRowKept(CListCtrl& list) : m_list(list), m_top(list.GetTopIndex()) {}
  TopRowKept(const TopRowKept&) = delete;
  TopRowKept& operator=(const TopRowKept&) = delete;
  ~TopRowKept() {
    const int now = m_list.GetTopIndex();
    RECT row{};
    if (now != m_top && m_list.GetItemRect(now, &row, LVIR_BOUNDS))
      m_list.Scroll(0, (m_top - now) * (row.bottom - row.top));
  }

 private:
  CListCtrl& m_list;
  int m_top;
};

// Widths the user may have changed keep their share of the table.
void RescaleColumns(CListCtrl& list, UINT oldDpi, UINT newDpi) {
  const int count = list.GetHeaderItemCount();
  for (int c = 0; c < count; ++c) list.SetColumnWidth(c, RescaleForDpi(list.GetColumnWidth(c), oldDpi, newDpi));
}
}  // namespace

void CTarnwickDlg::OnDpiScaled(UINT oldDpi) {
  const TopRowKept nodeTop(m_nodeList);
  const TopRowKept blockTop(m_blockList);
  const TopRowKept dataTop(m_dataList);
  SetUpFonts();
  RescaleColumns(m_nodeList, oldDpi, Dpi());
  RescaleColumns(m_blockList, oldDpi, Dpi());
  FitDataColumn();
  SetUpButtons();
  SizeProcessCombo();
}
