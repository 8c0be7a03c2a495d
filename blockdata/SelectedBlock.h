// The block of the block table's selected row, and the heap of the node
// table's, taken from the kept rows: the tables are where a block's
// address, size and status live between one user action and the next.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "heap/BlockRows.h"

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
bool ReadSelectedBlock(const CListCtrl& blockList, const BlockRows& rows, SelectedBlock& block);

// The selected node row's base address, or 0 when none is selected.
uint64_t SelectedNodeAddress(const CListCtrl& nodeList, const NodeRows& rows);
