// The loop that turns one heap's blocks into block-table rows, driving a
// sink so the Win32 table and native tests see the same calls.
#pragma once

#include <cstdint>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"
#include "heap/TableText.h"

class BlockTableSink {
 public:
  virtual ~BlockTableSink() = default;
  // Row `row` (from 0), the block the cursor stands on; rows in walk order.
  // Its cells are MakeBlockRowTexts of the two.
  virtual void AddRow(uint32_t row, const BlockCursor& block) = 0;
  // Whether a progress caption set now would be seen; asked after every
  // 25th row.
  virtual bool ProgressDue() const { return true; }
  // Progress caption, after a 25th row when it is due.
  virtual void SetProgress(const char* text) = 0;
};

// Walks the heap, one AddRow per block and a SetProgress after rows 25, 50,
// 75 and so on when due, counted against the heap's NumberOfEntries (segment entries
// included). Returns the number of rows. The final caption is the caller's.
uint32_t FillBlockRows(const HeapQueryReader& reader, const HeapRecord& heap, BlockTableSink& sink);
