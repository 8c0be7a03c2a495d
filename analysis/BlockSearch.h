// The last search by size or type: a Block Sizes, Block Types or Changes
// Since Mark row chosen, which F3 repeats. It is the user's query, not a
// part of the rows it was chosen from, so it outlives every fill (of this
// heap, another heap or another process) as Find Block's search does. Each
// fill numbers its types afresh, so a type is kept by its name and looked
// up in the names of the rows searched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "analysis/MarkComparison.h"
#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"

struct BlockSearch {
  bool byType = false;
  uint64_t size = 0;     // when not by type
  std::string typeName;  // when by type
  bool newOnly = false;  // only blocks new since the mark

  static BlockSearch OfSize(uint64_t size, bool newOnly = false) { return {false, size, {}, newOnly}; }
  static BlockSearch OfType(std::string name, bool newOnly = false) { return {true, 0, std::move(name), newOnly}; }
};

// The first position of rows, in the order shown, from start on and
// wrapping round once, of a busy block the search asks for; names: the
// rows' own (their types index them); changes: the rows compared with the
// mark, or null when they are not (another heap, or no fill since the
// mark). -1 when none: a type these rows have no name for, a new-only
// search without changes.
long long FindShownBlock(const BlockSearch& search, const BlockRows& rows, const TypeNames& names,
                         const MarkComparison* changes, size_t start);

// What F3 says when FindShownBlock found nothing; compared: whether it was
// given changes.
std::string BlockSearchNotFoundText(const BlockSearch& search, bool compared);
