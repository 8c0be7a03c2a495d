#include "analysis/ImageRanges.h"

#include <algorithm>
#include <utility>

ImageRanges::ImageRanges(std::vector<AddressRange> ranges) {
  std::erase_if(ranges, [](const AddressRange& r) { return r.end <= r.begin; });
  std::sort(ranges.begin(), ranges.end(),
            [](const AddressRange& a, const AddressRange& b) { return a.begin < b.begin; });
  for (const AddressRange& range : ranges) {
    if (!m_ranges.empty() && range.begin < m_ranges.back().end)
      m_ranges.back().end = std::max(m_ranges.back().end, range.end);
    else
      m_ranges.push_back(range);
  }
}

namespace {
std::vector<AddressRange> RangesOf(const std::vector<std::pair<uint64_t, uint64_t>>& pairs) {
  std::vector<AddressRange> ranges;
  ranges.reserve(pairs.size());
  for (const auto& [begin, end] : pairs) ranges.push_back({begin, end});
  return ranges;
}
}  // namespace

ImageRanges::ImageRanges(const std::vector<std::pair<uint64_t, uint64_t>>& ranges) : ImageRanges(RangesOf(ranges)) {}

std::optional<AddressRange> ImageRanges::RangeHolding(uint64_t address) const {
  // The first range beginning past address; the one before it is the only
  // one that can hold it.
  const auto after = std::upper_bound(m_ranges.begin(), m_ranges.end(), address,
                                      [](uint64_t a, const AddressRange& r) { return a < r.begin; });
  if (after == m_ranges.begin() || address >= std::prev(after)->end) return std::nullopt;
  return *std::prev(after);
}

bool ImageRanges::Holds(uint64_t address, uint64_t size) const {
  const std::optional<AddressRange> range = RangeHolding(address);
  return range && size <= range->end - address;
}
