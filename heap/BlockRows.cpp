#include "heap/BlockRows.h"

bool BlockRows::SetShownOrder(const std::vector<uint32_t>& order) {
  if (order.size() != m_rows.size()) return false;
  std::vector<bool> seen(order.size(), false);
  for (const uint32_t index : order) {
    if (index >= order.size() || seen[index]) return false;
    seen[index] = true;
  }
  m_shown = order;
  return true;
}

long long FindBlockHolding(const BlockRows& rows, uint64_t address) {
  for (size_t p = 0; p < rows.Count(); ++p) {
    const BlockRowValues& row = rows.Shown(p);
    // address - row.address wraps to a large value below the block, so one
    // comparison covers both ends without overflowing address + size.
    if (address >= row.address && address - row.address < row.size) return static_cast<long long>(p);
  }
  return -1;
}
