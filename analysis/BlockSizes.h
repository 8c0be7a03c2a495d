// One heap's busy blocks grouped by their size, made from the block table's
// kept rows: the totals of busy and free blocks, the texts of the totals
// line and of a group's cells, the order of the groups by a column, and the
// block table's next row of a size. Sizes read as the block table writes
// them (FormatHex with eight digits or more), which is the same in both
// programs for every size a 32-bit process can have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "heap/BlockRows.h"
#include "shell/TableSort.h"

// The busy blocks of one size.
struct SizeGroup {
  uint64_t size;
  uint32_t count;
  uint64_t bytes;  // count * size
};
// One row per size, kept smallest size first: that is the walk order, so
// ties of a sort come out by size, ascending, both ways.
using SizeGroupRows = KeptRows<SizeGroup>;

struct BlockTotals {
  uint32_t busyCount = 0;
  uint64_t busyBytes = 0;
  uint32_t freeCount = 0;
  uint64_t freeBytes = 0;
  uint64_t largestFree = 0;  // 0 when there is no free block

  void AddFree(uint64_t size) {
    ++freeCount;
    freeBytes += size;
    largestFree = size > largestFree ? size : largestFree;
  }
};

struct BlockSizes {
  BlockTotals totals;
  SizeGroupRows groups;
};

inline constexpr const char* kSizeGroupColumns[] = {"Block Size", "Blocks", "Bytes", "Share"};
constexpr int kSizeGroupColumnCount = 4;
// What the table shows first: by Bytes, the largest first.
constexpr SortState kSizeGroupFirstSort{2, true};

// The busy blocks (not Free()) of rows grouped by size, shown in
// kSizeGroupFirstSort's order; free blocks count in the totals only.
BlockSizes GroupBlockSizes(const BlockRows& rows);

// "%d busy blocks, %s bytes; %d free blocks, %s bytes; largest free block %s".
std::string BlockTotalsText(const BlockTotals& totals);

// "%.1f%%" of bytes in total, rounded to the nearest tenth with halves up
// (the two C runtimes round exact halves differently, so it is done here);
// "0.0%" when total is 0. Returns the length; out needs kShareTextSize bytes.
constexpr size_t kShareTextSize = 28;
size_t FormatShare(uint64_t bytes, uint64_t total, char* out);

// Cell `column` (kSizeGroupColumns) of the group shown at `position`, cut
// to room as TableCells' cells are; empty out of range. Share is of the
// busy bytes of sizes.totals.
size_t SizeGroupCellText(const BlockSizes& sizes, size_t position, int column, char* out, size_t room);

// Columns 1 to 3 of a group, by size or by type: Blocks "%d", Bytes as
// FormatHex writes them, Share of busyBytes.
size_t GroupCountCellText(int column, uint32_t count, uint64_t bytes, uint64_t busyBytes, char* out, size_t room);

// The order (group index by position) of a sort by `column`, all by value:
// Share as Bytes, which it is a fraction of. Ties by size, ascending.
// Nothing for a column out of range.
std::optional<std::vector<uint32_t>> SizeGroupOrder(const SizeGroupRows& groups, int column, bool descending);

// The first position of the block table, in the order shown, from `start`
// on and wrapping round once, of a busy block of `size`; -1 when none.
// A double-click on a group starts at 0, F3 at the row after the selected.
long long FindShownBlockOfSize(const BlockRows& rows, uint64_t size, size_t start);
