// The block of the block table's first selected row, read back out of the
// row's texts: the table is where a block's address, size and status live
// between one user action and the next.
#pragma once

#include <cstdint>

#include "framework/Controls.h"

struct SelectedBlock {
  uint64_t address = 0;
  uint64_t size = 0;
  bool free = false;
};

// The first selected row of a table, or -1. The list view looks for one row
// by row, which takes long in a big table; the row last clicked or found is
// the selection mark, so that one is checked first.
int SelectedRow(const CListCtrl& list);

// False when no row is selected.
bool ReadSelectedBlock(const CListCtrl& blockList, SelectedBlock& block);

// The first selected node row's base address, or 0 when none is selected.
uint64_t SelectedNodeAddress(const CListCtrl& nodeList);

// A cell read back as a number of the program's width ("%x" or "%llx").
uint64_t HexCell(const CListCtrl& list, int item, int column);
