// Reading and writing table rows the way the dialog's own texts read, in the
// widths of the program under test: addresses "0x%.8x" or "0x%.16llx",
// sizes and flags "0x%.8x" or "0x%.8llx" (alike below 2^32). Written here
// with printf so that a fault in the program's hand-made formatting shows.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "LiveDialog.h"
#include "blockdata/DumpLines.h"

inline std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%.8llx", static_cast<unsigned long long>(value));
  return text;
}

inline std::string Addr(uint64_t value) {
  char text[24];
  if (sizeof(void*) == 8)
    std::snprintf(text, sizeof text, "0x%.16llx", static_cast<unsigned long long>(value));
  else
    std::snprintf(text, sizeof text, "0x%.8x", static_cast<unsigned>(value));
  return text;
}

// The first row whose cell in `column` reads `text`, or -1.
inline int FindRow(const CListCtrl& list, int column, const std::string& text) {
  for (int row = 0; row < list.GetItemCount(); ++row)
    if (CellText(list, row, column) == text) return row;
  return -1;
}

inline void SelectRow(CListCtrl& list, int row) {
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  list.SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

// One block row, selected, in place of the table: kept as the fill keeps
// rows (a status reading "free" in any case and spacing is a free block).
inline void PutBlockRow(CTarnwickDlg& dlg, uint64_t address, uint64_t size, const char* status) {
  dlg.ClearBlockTable();
  dlg.m_blockRows.Add({address, size, IsFreeStatus(status) ? kBlockKindFree : kBlockKindFixed});
  dlg.m_blockList.SetItemCount(1);
  SelectRow(dlg.m_blockList, 0);
}

// A row left in a table by an earlier fill, for a test to see it go.
inline void PutStaleNodeRow(CTarnwickDlg& dlg) {
  dlg.m_nodeRows.Add(HeapRecord{0x00ABC000, 0, 8, 0x10, 0x20, 1, 0});
  dlg.m_nodeList.SetItemCount(static_cast<int>(dlg.m_nodeRows.Count()));
}
inline void PutStaleBlockRow(CTarnwickDlg& dlg) {
  dlg.m_blockRows.Add({0x00ABC010, 0x10, kBlockKindFixed});
  dlg.m_blockList.SetItemCount(static_cast<int>(dlg.m_blockRows.Count()));
}

// A real button-down/up at the centre of the column's header item, so the
// header raises its own notifications, as under the user's mouse.
inline void ClickHeader(const CListCtrl& list, int column) {
  const HWND header = reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER));
  RECT rect = {};
  ::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageA(header, WM_LBUTTONUP, 0, at);
}

// Each column's sort arrow as its header item's format says: '^' up, 'v'
// down, '-' none, '?' both.
inline std::string SortArrows(const CListCtrl& list) {
  const HWND header = reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER));
  const int count = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  std::string arrows;
  for (int i = 0; i < count; ++i) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    ::SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    const bool up = item.fmt & HDF_SORTUP, down = item.fmt & HDF_SORTDOWN;
    arrows += up && down ? '?' : up ? '^' : down ? 'v' : '-';
  }
  return arrows;
}

// The selected row (the first, as the list view itself tells it),
// and whether a row lies within the list's view.
inline int ShownSelection(const CListCtrl& list) { return list.GetNextItem(-1, LVNI_SELECTED); }
inline bool RowInView(const CListCtrl& list, int row) {
  const int top = static_cast<int>(list.SendMessage(LVM_GETTOPINDEX));
  const int page = static_cast<int>(list.SendMessage(LVM_GETCOUNTPERPAGE));
  return row >= top && row < top + page;
}
