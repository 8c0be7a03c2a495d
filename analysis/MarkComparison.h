// A fill of the marked heap compared with its mark: which busy blocks are
// new (their address and size were not marked) and how many marked ones
// are gone (no busy block of that address and size now), the change per
// size for the sizes whose count changed and per type for the types whose
// count changed (analysis/TypeChanges.h), the texts of the totals line and
// of a size's cells, their order by a column, and the block table's next
// new block of a size or of a type. A block at a marked address with another size is
// both: the marked one is gone, this one is new. Blocks are matched one to
// one, so a pair listed twice matches twice at most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/BlockMark.h"
#include "analysis/TypeChanges.h"
#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"
#include "shell/TableSort.h"

struct SizeChange {
  uint64_t size;
  uint32_t then;  // busy blocks of the size in the mark
  uint32_t now;   // and in the rows compared
  int64_t Change() const { return int64_t{now} - int64_t{then}; }
  // Change() * size; beyond int64 it wraps (no real heap gets there).
  int64_t BytesChange() const { return static_cast<int64_t>(static_cast<uint64_t>(Change()) * size); }
};
// One row per changed size, kept smallest size first (ties of a sort come
// out by size, ascending, both ways).
using SizeChangeRows = KeptRows<SizeChange>;

struct MarkComparison {
  ClockTime markTime{};
  uint32_t newCount = 0;
  uint32_t goneCount = 0;
  int64_t blocksChange = 0;  // busy blocks now less those marked
  int64_t bytesChange = 0;   // their bytes likewise
  SizeChangeRows sizes;
  TypeChangeRows types;
  // By walk index of the rows compared: whether that row is a new block.
  std::vector<bool> isNew;
  bool IsNew(size_t walkIndex) const { return walkIndex < isNew.size() && isNew[walkIndex]; }
};

inline constexpr const char* kSizeChangeColumns[] = {"Block Size", "Blocks Then", "Blocks Now", "Change",
                                                     "Bytes Change"};
constexpr int kSizeChangeColumnCount = 5;
// What the table shows first: by Bytes Change, the largest growth first.
constexpr SortState kSizeChangeFirstSort{4, true};

// Compares the busy blocks of rows with the mark's (whether the mark is of
// the rows' heap is the caller's to know: BlockMark::IsOf), the rows'
// types being indexes of names. The sizes are shown in
// kSizeChangeFirstSort's order, the types in kTypeChangeFirstSort's.
MarkComparison CompareWithMark(const BlockMark& mark, const BlockRows& rows, const TypeNames& names = TypeNames{});

// "%+d blocks (%s bytes) since %H:%M:%S: %d new, %d gone", the bytes as
// FormatSignedHex writes them: "+0x00000120", "-0x00000010".
std::string MarkComparisonText(const MarkComparison& comparison);

// Cell `column` (kSizeChangeColumns) of the size shown at `position`, cut
// to room as TableCells' cells are; empty out of range. Change is "%+d",
// Bytes Change as FormatSignedHex writes it.
size_t SizeChangeCellText(const MarkComparison& comparison, size_t position, int column, char* out, size_t room);

// The order (size index by position) of a sort by `column`, all by value,
// the changes signed. Ties by size, ascending. Nothing for a column out of
// range.
std::optional<std::vector<uint32_t>> SizeChangeOrder(const SizeChangeRows& sizes, int column, bool descending);

// The first position of the block table, in the order shown, from `start`
// on and wrapping round once, of a block of `size` that is new in the
// comparison; -1 when none, or when the comparison is not of these rows
// (another count of rows).
long long FindShownNewBlockOfSize(const BlockRows& rows, const MarkComparison& comparison, uint64_t size, size_t start);

// The same for a new block of `type` (TypeChange::type, an index of the
// rows' names; kTypeNotNow finds none).
long long FindShownNewBlockOfType(const BlockRows& rows, const MarkComparison& comparison, uint32_t type, size_t start);
