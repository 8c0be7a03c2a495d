// One heap's busy blocks grouped by what they hold (the type the fill gave
// each row): the texts of a group's cells, the order of the groups by a
// column, and the block table's next row of a type. The totals are Block
// Sizes' totals, and read as its totals line does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/BlockSizes.h"
#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"
#include "shell/TableSort.h"

// The busy blocks of one type.
struct TypeGroup {
  std::string name;
  uint32_t type;  // index of the rows' TypeNames
  uint32_t count;
  uint64_t bytes;
};
// One row per type, kept by name as the Type column sorts them (text and
// "(unknown)" among the classes), so ties of a sort come out by name,
// ascending, both ways.
using TypeGroupRows = KeptRows<TypeGroup>;

struct BlockTypes {
  BlockTotals totals;
  TypeGroupRows groups;
};

inline constexpr const char* kTypeGroupColumns[] = {"Type", "Blocks", "Bytes", "Share"};
constexpr int kTypeGroupColumnCount = 4;
// What the table shows first: by Bytes, the largest first.
constexpr SortState kTypeGroupFirstSort{2, true};

// The busy blocks of rows grouped by their type, names of a type from
// names (the table's own, which the rows' types index; a type beyond them
// counts as "(unknown)"), shown in kTypeGroupFirstSort's order. Free
// blocks count in the totals only.
BlockTypes GroupBlockTypes(const BlockRows& rows, const TypeNames& names);

// Cell `column` (kTypeGroupColumns) of the group shown at `position`, cut
// to room; empty out of range. Blocks, Bytes and Share read as Block
// Sizes' cells do.
size_t TypeGroupCellText(const BlockTypes& types, size_t position, int column, char* out, size_t room);

// The order (group index by position) of a sort by `column`: Type by name
// without regard to case, the others by value, Share as Bytes. Ties by
// name. Nothing for a column out of range.
std::optional<std::vector<uint32_t>> TypeGroupOrder(const TypeGroupRows& groups, int column, bool descending);

// The first position of the block table, in the order shown, from `start`
// on and wrapping round once, of a busy block of `type`; -1 when none.
long long FindShownBlockOfType(const BlockRows& rows, uint32_t type, size_t start);
