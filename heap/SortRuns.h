// Sorting blocks that a heap's walk gives in a few ascending runs: the
// walk goes segment by segment, each in address order, but the segments
// need not be listed in address order. Merging the runs costs a pass per
// doubling of their length instead of a full sort; many runs (no order to
// speak of) get a full sort.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

template <class T, class Less>
void SortByRuns(std::vector<T>& values, Less less) {
  constexpr size_t kMostRuns = 64;
  std::vector<size_t> starts = {0};
  for (size_t i = 1; i < values.size(); ++i) {
    if (!less(values[i], values[i - 1])) continue;
    if (starts.size() == kMostRuns) {
      std::sort(values.begin(), values.end(), less);
      return;
    }
    starts.push_back(i);
  }
  starts.push_back(values.size());
  // starts holds each run's first index and, last, the end.
  while (starts.size() > 2) {
    std::vector<size_t> merged;
    for (size_t r = 0; r + 1 < starts.size(); r += 2) {
      merged.push_back(starts[r]);
      if (r + 2 < starts.size())
        std::inplace_merge(values.begin() + starts[r], values.begin() + starts[r + 1], values.begin() + starts[r + 2],
                           less);
    }
    merged.push_back(values.size());
    starts = std::move(merged);
  }
}
