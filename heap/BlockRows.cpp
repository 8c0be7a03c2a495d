#include "heap/BlockRows.h"

long long FindBlockHolding(const BlockRows& rows, uint64_t address) {
  for (size_t p = 0; p < rows.Count(); ++p) {
    const BlockRowValues& row = rows.Shown(p);
    // address - row.address wraps to a large value below the block, so one
    // comparison covers both ends without overflowing address + size.
    if (address >= row.address && address - row.address < row.size) return static_cast<long long>(p);
  }
  return -1;
}
