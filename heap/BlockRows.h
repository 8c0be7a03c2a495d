// The block table's rows as numbers: what each row's texts say, kept beside
// the list view by the fill so that a search over a big heap asks the list
// view nothing. Rows are kept in walk order; the table may show them in
// another (a sorted one), which is kept here too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct BlockRowValues {
  uint64_t address;
  uint64_t size;
  bool free;
};

class BlockRows {
 public:
  void Clear() {
    m_rows.clear();
    m_shown.clear();
  }
  // The next row in walk order; it is shown last until an order is set.
  void Add(const BlockRowValues& row) {
    m_shown.push_back(static_cast<uint32_t>(m_rows.size()));
    m_rows.push_back(row);
  }
  size_t Count() const { return m_rows.size(); }
  // The row shown at position (from 0, top row first).
  const BlockRowValues& Shown(size_t position) const { return m_rows[m_shown[position]]; }
  // The row of walk index (from 0, the fill's order).
  const BlockRowValues& InWalkOrder(size_t walkIndex) const { return m_rows[walkIndex]; }
  // order[p]: the walk index of the row now shown at position p. An order
  // that is not a permutation of the rows is refused (false, order kept).
  bool SetShownOrder(const std::vector<uint32_t>& order);

 private:
  std::vector<BlockRowValues> m_rows;
  std::vector<uint32_t> m_shown;
};

// The first position, from the top, whose block holds address
// (block address <= address < block address + size), or -1.
long long FindBlockHolding(const BlockRows& rows, uint64_t address);
