#include "analysis/ContentsOrder.h"

#include <algorithm>

#include "analysis/TypeNames.h"

std::vector<uint32_t> ContentsOrder(const std::vector<std::string_view>& texts, bool descending) {
  std::vector<uint32_t> order(texts.size());
  for (uint32_t w = 0; w < order.size(); ++w) order[w] = w;
  // Empty cells go last in walk order; the others are sorted before them.
  const auto filled = std::stable_partition(order.begin(), order.end(), [&](uint32_t w) { return !texts[w].empty(); });
  std::sort(order.begin(), filled, [&](uint32_t a, uint32_t b) {
    if (SameFoldedName(texts[a], texts[b])) return a < b;
    const int c = CompareTypeNames(texts[a], texts[b]);
    return descending ? c > 0 : c < 0;
  });
  return order;
}
