// Reading and writing table rows the way the dialog's own texts read, in the
// widths of the program under test: addresses "0x%.8x" or "0x%.16llx",
// sizes and flags "0x%.8x" or "0x%.8llx" (alike below 2^32). Written here
// with printf so that a fault in the program's hand-made formatting shows.
#pragma once

#include <cstdio>
#include <string>

#include "LiveDialog.h"

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

// One block row with the table's own texts, selected, in place of the table.
inline void PutBlockRow(CListCtrl& list, uint64_t address, uint64_t size, const char* status) {
  list.DeleteAllItems();
  list.InsertItem(0, "0");
  list.SetItemText(0, 1, Addr(address).c_str());
  list.SetItemText(0, 2, Hex(size).c_str());
  list.SetItemText(0, 3, "FIXED");
  list.SetItemText(0, 4, status);
  SelectRow(list, 0);
}
