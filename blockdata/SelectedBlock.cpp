#include "blockdata/SelectedBlock.h"

#include "blockdata/DumpLines.h"
#include "heap/TableText.h"

uint64_t HexCell(const CListCtrl& list, int item, int column) {
  char text[5000];
  list.GetItemText(item, column, text, sizeof text);
  uint64_t value = 0;
  ParseHex(text, value);
  return value & AddressMask(kProgramWidth);
}

int SelectedRow(const CListCtrl& list) {
  // One row at most is selected in these tables, so the mark, when it is
  // selected, is the first selected row.
  const int mark = list.GetSelectionMark();
  if (mark >= 0 && (list.GetItemState(mark, LVIS_SELECTED) & LVIS_SELECTED) != 0) return mark;
  if (list.GetSelectedCount() == 0) return -1;
  return list.GetNextItem(-1, LVNI_SELECTED);
}

bool ReadSelectedBlock(const CListCtrl& blockList, SelectedBlock& block) {
  const int item = SelectedRow(blockList);
  if (item == -1) return false;
  block.address = HexCell(blockList, item, 1);
  block.size = HexCell(blockList, item, 2);
  char status[5000];
  blockList.GetItemText(item, 4, status, sizeof status);
  block.free = IsFreeStatus(status);
  return true;
}

uint64_t SelectedNodeAddress(const CListCtrl& nodeList) {
  const int item = SelectedRow(nodeList);
  return item == -1 ? 0 : HexCell(nodeList, item, 1);
}
