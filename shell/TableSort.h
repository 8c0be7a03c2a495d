// Sorting a table's rows by one column: what a header click does to the
// sort state, how a cell's text becomes a key, and the order of the rows.
// The rows are identified by their walk index (the row number of the fill),
// which also breaks ties, so equal rows keep their walk order both ways.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "heap/BlockRows.h"

// How a column's texts compare: hexadecimal ("0x...") and decimal ("%d")
// texts by value, other texts without regard to (ASCII) case.
enum class ColumnKind { Decimal, Hex, Text };

struct SortState {
  int column = -1;  // -1: walk order, no arrow
  bool descending = false;
};

// A click on header `column`: the same column again turns the direction
// round, another column starts ascending.
SortState NextSortState(SortState current, int column);

// Reads "%d" text: white space, an optional sign, decimal digits up to the
// first other character. False, with out untouched, when there is no digit.
bool ParseDecimal(const char* text, int64_t& out);

struct SortKey {
  bool hasNumber = false;  // a number column's text that reads as no number
  uint64_t number = 0;     // ordered as unsigned; decimals are biased
  std::string text;        // text columns: folded to lower case
};

SortKey MakeSortKey(ColumnKind kind, const char* text);

struct KeyedRow {
  uint32_t walkIndex;
  SortKey key;
};

// order[p]: the walk index of the row to show at position p. Nothing when
// the walk indexes are not exactly 0..n-1 (rows that did not come from a
// fill), since they could not be ranked.
std::optional<std::vector<uint32_t>> SortedOrder(std::vector<KeyedRow> rows, bool descending);

// order[p]: the index (0..count-1) of the row to show at position p, by
// key(index) as unsigned, ties by index both ways. For rows keyed straight
// from kept numbers; a signed key is biased (sign bit flipped) first.
template <class Key>
std::vector<uint32_t> OrderByKey(size_t count, Key&& key, bool descending) {
  struct Keyed {
    uint64_t key;
    uint32_t index;
  };
  std::vector<Keyed> keyed(count);
  for (size_t i = 0; i < count; ++i) keyed[i] = {key(i), static_cast<uint32_t>(i)};
  // Indexes are unique, so this is a total order and needs no stable sort.
  if (descending)
    std::sort(keyed.begin(), keyed.end(),
              [](const Keyed& a, const Keyed& b) { return a.key != b.key ? a.key > b.key : a.index < b.index; });
  else
    std::sort(keyed.begin(), keyed.end(),
              [](const Keyed& a, const Keyed& b) { return a.key != b.key ? a.key < b.key : a.index < b.index; });
  std::vector<uint32_t> order(count);
  for (size_t p = 0; p < count; ++p) order[p] = keyed[p].index;
  return order;
}

constexpr uint64_t SignedKey(int64_t value) { return static_cast<uint64_t>(value) ^ (uint64_t{1} << 63); }

// rank[w]: the position of the row with walk index w in order.
std::vector<uint32_t> RanksOf(const std::vector<uint32_t>& order);

// The order (walk index by position) a sort of block-table column `column`
// (Block Index, Block Address, Block Size, Allocation Type, Status) gives,
// keyed straight from the kept rows as their texts would key them: the
// numbers by value, the two text columns by their folded texts. Ties keep
// walk order both ways. Nothing for a column out of range.
std::optional<std::vector<uint32_t>> BlockRowOrder(const BlockRows& rows, int column, bool descending);

// The same for the node table, keyed from its cells' texts (a few rows).
std::optional<std::vector<uint32_t>> NodeRowOrder(const NodeRows& rows, int column, ColumnKind kind, bool descending);
