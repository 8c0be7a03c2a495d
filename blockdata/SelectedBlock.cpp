#include "blockdata/SelectedBlock.h"

int SelectedRow(const CListCtrl& list) {
  // One row at most is selected in these tables, so the mark, when it is
  // selected, is the first selected row.
  const int mark = list.GetSelectionMark();
  if (mark >= 0 && (list.GetItemState(mark, LVIS_SELECTED) & LVIS_SELECTED) != 0) return mark;
  if (list.GetSelectedCount() == 0) return -1;
  return list.GetNextItem(-1, LVNI_SELECTED);
}

bool ReadSelectedBlock(const CListCtrl& blockList, const BlockRows& rows, SelectedBlock& block) {
  const int item = SelectedRow(blockList);
  if (item < 0 || static_cast<size_t>(item) >= rows.Count()) return false;
  const BlockRowValues& row = rows.Shown(static_cast<size_t>(item));
  block = {row.address, row.size, row.Free()};
  return true;
}

uint64_t SelectedNodeAddress(const CListCtrl& nodeList, const NodeRows& rows) {
  const int item = SelectedRow(nodeList);
  return item < 0 || static_cast<size_t>(item) >= rows.Count() ? 0 : rows.Shown(static_cast<size_t>(item)).BaseAddress;
}
