#include "heap/BlockRows.h"

#include <algorithm>

long long FindBlockHolding(const BlockRows& rows, uint64_t address) {
  for (size_t p = 0; p < rows.Count(); ++p) {
    const BlockRowValues& row = rows.Shown(p);
    // address - row.address wraps to a large value below the block, so one
    // comparison covers both ends without overflowing address + size.
    if (address >= row.address && address - row.address < row.size) return static_cast<long long>(p);
  }
  return -1;
}

std::vector<uint32_t> BusyRowsByAddress(const BlockRows& rows) {
  std::vector<uint32_t> byAddress;
  for (size_t w = 0; w < rows.Count(); ++w)
    if (!rows.InWalkOrder(w).Free() && rows.InWalkOrder(w).size != 0) byAddress.push_back(static_cast<uint32_t>(w));
  // The system lists blocks in address order region by region: mostly sorted already.
  if (!std::is_sorted(byAddress.begin(), byAddress.end(), [&](uint32_t a, uint32_t b) {
        return rows.InWalkOrder(a).address < rows.InWalkOrder(b).address;
      }))
    std::stable_sort(byAddress.begin(), byAddress.end(), [&](uint32_t a, uint32_t b) {
      return rows.InWalkOrder(a).address < rows.InWalkOrder(b).address;
    });
  return byAddress;
}

long long BusyBlockHolding(const BlockRows& rows, const std::vector<uint32_t>& byAddress, uint64_t address) {
  // The last block that starts at or below address.
  const auto after = std::upper_bound(byAddress.begin(), byAddress.end(), address,
                                      [&](uint64_t value, uint32_t w) { return value < rows.InWalkOrder(w).address; });
  if (after == byAddress.begin()) return -1;
  const BlockRowValues& row = rows.InWalkOrder(*(after - 1));
  return address - row.address < row.size ? static_cast<long long>(*(after - 1)) : -1;
}
