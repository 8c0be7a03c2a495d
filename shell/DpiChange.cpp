// The main window on a screen of another DPI: its fonts, icon buttons,
// combo size and the tables' column widths are made again; the rows, the
// selections, the dump and the rows scrolled to stay (a report view scrolls
// by whole rows, so a new font keeps its top row).
#include "shell/TarnwickDlg.h"

namespace {
// Widths the user may have changed keep their share of the table.
void RescaleColumns(CListCtrl& list, UINT oldDpi, UINT newDpi) {
  const int count = list.GetHeaderItemCount();
  for (int c = 0; c < count; ++c) list.SetColumnWidth(c, RescaleForDpi(list.GetColumnWidth(c), oldDpi, newDpi));
}
}  // namespace

void CTarnwickDlg::OnDpiScaled(UINT oldDpi) {
  SetUpFonts();
  RescaleColumns(m_nodeList, oldDpi, Dpi());
  RescaleColumns(m_blockList, oldDpi, Dpi());
  FitDataColumn();
  SetUpButtons();
  SizeProcessCombo();
}
