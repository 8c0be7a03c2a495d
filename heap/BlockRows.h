// A table's rows as numbers: what each row's texts say, kept by the fill.
// The list views own no texts (they ask for a cell's text when they paint
// it), so these are the tables: clicks, copies, saves, searches and sorts
// all read them. Rows are kept in walk order; the table may show them in
// another (a sorted one), which is kept here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"

template <class Row>
class KeptRows {
 public:
  // Gives the memory back (28 MB for a million block rows): assigning {}
  // would pick the initializer-list assignment, which keeps the capacity.
  void Clear() {
    std::vector<Row>().swap(m_rows);
    std::vector<uint32_t>().swap(m_shown);
  }
  void Reserve(size_t count) {
    m_rows.reserve(count);
    m_shown.reserve(count);
  }
  // The next row in walk order; it is shown last until an order is set.
  void Add(const Row& row) {
    m_shown.push_back(static_cast<uint32_t>(m_rows.size()));
    m_rows.push_back(row);
  }
  size_t Count() const { return m_rows.size(); }
  // The memory the rows and their order take, room reserved included.
  size_t HeldBytes() const { return m_rows.capacity() * sizeof(Row) + m_shown.capacity() * sizeof(uint32_t); }
  // The row shown at position (from 0, top row first), and its walk index.
  const Row& Shown(size_t position) const { return m_rows[m_shown[position]]; }
  uint32_t WalkIndexShown(size_t position) const { return m_shown[position]; }
  // The row of walk index (from 0, the fill's order).
  const Row& InWalkOrder(size_t walkIndex) const { return m_rows[walkIndex]; }
  Row& InWalkOrder(size_t walkIndex) { return m_rows[walkIndex]; }
  // order[p]: the walk index of the row now shown at position p. An order
  // that is not a permutation of the rows is refused (false, order kept).
  bool SetShownOrder(std::vector<uint32_t> order) {
    if (order.size() != m_rows.size()) return false;
    std::vector<bool> seen(order.size(), false);
    for (const uint32_t index : order) {
      if (index >= order.size() || seen[index]) return false;
      seen[index] = true;
    }
    m_shown = std::move(order);
    return true;
  }
  // Where the row of walk index is shown, or -1.
  long long PositionOf(uint32_t walkIndex) const {
    for (size_t p = 0; p < m_shown.size(); ++p)
      if (m_shown[p] == walkIndex) return static_cast<long long>(p);
    return -1;
  }

 private:
  std::vector<Row> m_rows;
  std::vector<uint32_t> m_shown;
};

// The first position from `start` on, in the order shown, whose row
// matches (match(row, walkIndex)), wrapping round to the top when wrap: every
// row is looked at once at most. A start past the end begins at the top when
// wrap. -1 when none matches.
template <class Row, class Match>
long long FindShown(const KeptRows<Row>& rows, size_t start, bool wrap, Match&& match) {
  const size_t count = rows.Count();
  if (count == 0) return -1;
  if (start >= count) {
    if (!wrap) return -1;
    start = 0;
  }
  const size_t visits = wrap ? count : count - start;
  for (size_t visit = 0; visit < visits; ++visit) {
    const size_t position = start + visit < count ? start + visit : start + visit - count;
    if (match(rows.Shown(position), rows.WalkIndexShown(position))) return static_cast<long long>(position);
  }
  return -1;
}

// 24 bytes a block, and 4 more for the order shown.
struct BlockRowValues {
  uint64_t address;
  uint64_t size;
  uint32_t kind;      // kBlockKind...: the Allocation Type and the Status
  uint32_t type = 0;  // what the block holds: an index of the table's TypeNames (analysis/), 0 for nothing known
  bool Free() const { return kind == kBlockKindFree; }
};
static_assert(sizeof(BlockRowValues) == 24, "the type index lies in what was padding");
using BlockRows = KeptRows<BlockRowValues>;

// A node row is the heap's record, "Allocated" as the table shows it.
using NodeRows = KeptRows<HeapRecord>;

// The busy rows' walk indexes by address: built once for a fill, it finds
// the block a value points into without a pass over the rows.
std::vector<uint32_t> BusyRowsByAddress(const BlockRows& rows);
// The walk index of the busy block that holds address (block address <=
// address < block address + size), or -1. byAddress is BusyRowsByAddress
// of these rows.
long long BusyBlockHolding(const BlockRows& rows, const std::vector<uint32_t>& byAddress, uint64_t address);

// The first position, from the top, whose block holds address
// (block address <= address < block address + size), or -1.
long long FindBlockHolding(const BlockRows& rows, uint64_t address);
