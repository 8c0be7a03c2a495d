// The changes by type since a mark: how many busy blocks of each type the
// mark held and the rows hold now, for the types whose count changed. The
// mark's types and the rows' are numbered apart (each by its own fill), so
// they are matched by name. Cells, and the order by a column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/BlockMark.h"
#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"
#include "shell/TableSort.h"

// The type of a change whose name the rows' table does not have: no block
// now is of it.
constexpr uint32_t kTypeNotNow = UINT32_MAX;

struct TypeChange {
  std::string name;
  uint32_t type;  // index of the rows' TypeNames, or kTypeNotNow
  uint32_t then;  // busy blocks of the type in the mark
  uint32_t now;   // and in the rows compared
  uint64_t bytesThen;
  uint64_t bytesNow;
  int64_t Change() const { return int64_t{now} - int64_t{then}; }
  int64_t BytesChange() const { return static_cast<int64_t>(bytesNow - bytesThen); }
};
// One row per changed type, kept by name as the Type column sorts them, so
// ties of a sort come out by name, ascending, both ways.
using TypeChangeRows = KeptRows<TypeChange>;

inline constexpr const char* kTypeChangeColumns[] = {"Type", "Blocks Then", "Blocks Now", "Change", "Bytes Change"};
constexpr int kTypeChangeColumnCount = 5;
// What the table shows first: by Bytes Change, the largest growth first.
constexpr SortState kTypeChangeFirstSort{4, true};

// The types whose count of busy blocks differs between the mark and rows,
// whose types index names; a type beyond names counts as "(unknown)".
// Shown in kTypeChangeFirstSort's order.
TypeChangeRows CompareTypes(const BlockMark& mark, const BlockRows& rows, const TypeNames& names);

// Columns 1 to 4 of a change, by size or by type: then and now "%d", the
// change "%+d", the bytes' change as FormatSignedHex writes it.
size_t ChangeCountCellText(int column, uint32_t then, uint32_t now, int64_t change, int64_t bytesChange, char* out,
                           size_t room);

// The sort key of columns 1 to 4 of a change, the changes signed.
uint64_t ChangeCountKey(int column, uint32_t then, uint32_t now, int64_t change, int64_t bytesChange);

// Cell `column` (kTypeChangeColumns) of the type shown at `position`, cut
// to room; empty out of range. The counts and changes read as the
// by-size table's do.
size_t TypeChangeCellText(const TypeChangeRows& types, size_t position, int column, char* out, size_t room);

// The order (type index by position) of a sort by `column`: Type by name
// without regard to case, the others by value, the changes signed. Ties by
// name. Nothing for a column out of range.
std::optional<std::vector<uint32_t>> TypeChangeOrder(const TypeChangeRows& types, int column, bool descending);
