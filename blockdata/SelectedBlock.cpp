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

bool ReadSelectedBlock(const CListCtrl& blockList, SelectedBlock& block) {
  const int item = blockList.GetNextItem(-1, LVNI_SELECTED);
  if (item == -1) return false;
  block.address = HexCell(blockList, item, 1);
  block.size = HexCell(blockList, item, 2);
  char status[5000];
  blockList.GetItemText(item, 4, status, sizeof status);
  block.free = IsFreeStatus(status);
  return true;
}

uint64_t SelectedNodeAddress(const CListCtrl& nodeList) {
  const int item = nodeList.GetNextItem(-1, LVNI_SELECTED);
  return item == -1 ? 0 : HexCell(nodeList, item, 1);
}
