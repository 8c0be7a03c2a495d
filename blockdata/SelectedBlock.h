// The block of the block table's first selected row, read back out of the
// row's texts: the table is where a block's address, size and status live
// between one user action and the next.
#pragma once

#include <cstdint>

#include "framework/Controls.h"

struct SelectedBlock {
  uint32_t address = 0;
  uint32_t size = 0;
  bool free = false;
};

// False when no row is selected.
bool ReadSelectedBlock(const CListCtrl& blockList, SelectedBlock& block);

// The first selected node row's base address, or 0 when none is selected.
uint32_t SelectedNodeAddress(const CListCtrl& nodeList);
