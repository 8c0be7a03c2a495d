// The image modules of the inspected process (the executable and its DLLs)
// as address ranges: where vtables, type information and the names in it
// can lie. The Win32 side lists the modules; each range runs from the
// module's base for its size of image.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct AddressRange {
  uint64_t begin;
  uint64_t end;  // past the last byte
};

class ImageRanges {
 public:
  ImageRanges() = default;
  // Empty ranges are dropped. Ranges that overlap (no two modules do) are
  // joined, so that a search finds one range at most.
  explicit ImageRanges(std::vector<AddressRange> ranges);
  // The same of (begin, end) pairs.
  explicit ImageRanges(const std::vector<std::pair<uint64_t, uint64_t>>& ranges);

  // The range that holds address, by binary search.
  std::optional<AddressRange> RangeHolding(uint64_t address) const;
  // Whether [address, address + size) lies within one range; a size of 0
  // asks for address alone.
  bool Holds(uint64_t address, uint64_t size) const;

  const std::vector<AddressRange>& Ranges() const { return m_ranges; }

 private:
  std::vector<AddressRange> m_ranges;  // by begin, none overlapping
};
