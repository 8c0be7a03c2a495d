// Times of the Block Sizes table, a mark and a comparison with it, for a
// heap of 1,000,000 blocks, each the best of 5: with the walk in address
// order (as a heap's usually is) and out of it, and a comparison where a
// few blocks changed beside one where every block did.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "analysis/BlockMark.h"
#include "analysis/BlockSizes.h"
#include "analysis/MarkComparison.h"

namespace {
constexpr uint32_t kBlocks = 1000000;

// Sizes of 16 to 8192 bytes in steps of 16, small ones more often.
uint64_t SizeOf(std::mt19937_64& random) { return 16 * (1 + (random() % 512) * (random() % 512) / 512); }

BlockRows RowsOf(const std::vector<BlockRowValues>& values) {
  BlockRows rows;
  rows.Reserve(values.size());
  for (const BlockRowValues& value : values) rows.Add(value);
  return rows;
}

// Blocks end to end from 0x00150000; every seventh free when withFree.
std::vector<BlockRowValues> HeapBlocks(std::mt19937_64& random, bool withFree) {
  std::vector<BlockRowValues> values(kBlocks);
  uint64_t address = 0x00150000;
  for (uint32_t i = 0; i < kBlocks; ++i) {
    values[i] = {address, SizeOf(random), withFree && i % 7 == 3 ? kBlockKindFree : kBlockKindFixed};
    address += values[i].size;
  }
  return values;
}

template <class Work>
double BestOf5(Work&& work) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

// Times work, then prints what it gave (so that it cannot be dropped).
template <class Work>
bool Report(const char* what, double goal, Work&& work) {
  unsigned long long check = 0;
  const double seconds = BestOf5([&] { check = work(); });
  std::printf("%-56s %6.3f s  (goal <= %.1f s: %s; %llu)\n", what, seconds, goal, seconds <= goal ? "met" : "NOT met",
              check);
  return seconds <= goal;
}

// The walk in segments of address order, the segments listed last first.
std::vector<BlockRowValues> InSegments(const std::vector<BlockRowValues>& values, size_t segments) {
  std::vector<BlockRowValues> out;
  out.reserve(values.size());
  const size_t each = (values.size() + segments - 1) / segments;
  for (size_t s = segments; s-- > 0;)
    out.insert(out.end(), values.begin() + std::min(values.size(), s * each),
               values.begin() + std::min(values.size(), (s + 1) * each));
  return out;
}
}  // namespace

int main() {
  std::mt19937_64 random(1);
  bool met = true;

  const std::vector<BlockRowValues> heap = HeapBlocks(random, true);
  std::vector<BlockRowValues> shuffled = heap;
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  const BlockRows rows = RowsOf(heap), shuffledRows = RowsOf(shuffled);

  const BlockRows segmentRows = RowsOf(InSegments(heap, 16));

  met &= Report("Block Sizes table, 1,000,000 blocks (1/7 free)", 0.3,
                [&] { return GroupBlockSizes(rows).groups.Count(); });
  met &= Report("Block Sizes table, the same out of address order", 0.3,
                [&] { return GroupBlockSizes(shuffledRows).groups.Count(); });

  BlockMark mark;
  const auto markOf = [&](const BlockRows& of) {
    return [&] {
      mark.Make(1234, 0x00150000, {12, 0, 0}, of);
      return mark.Blocks().size();
    };
  };
  met &= Report("mark, 1,000,000 blocks (1/7 free)", 0.1, markOf(rows));
  met &= Report("mark, the same in 16 segments, last first", 0.1, markOf(segmentRows));
  met &= Report("mark, the same out of address order", 0.1, markOf(shuffledRows));

  // A mark of 1,000,000 busy blocks; then 1% freed, 1% grown in place and
  // 1% new at the end.
  const std::vector<BlockRowValues> marked = HeapBlocks(random, false);
  mark.Make(1234, 0x00150000, {12, 0, 0}, RowsOf(marked));
  std::vector<BlockRowValues> later = marked;
  uint64_t end = later.back().address + later.back().size;
  for (uint32_t i = 0; i < kBlocks; i += 100) {
    later[i].kind = kBlockKindFree;
    later[i + 50].size += 16;
    later.push_back({end, SizeOf(random), kBlockKindFixed});
    end += later.back().size;
  }
  std::vector<BlockRowValues> allOther = HeapBlocks(random, false);  // other addresses and sizes throughout
  for (BlockRowValues& value : allOther) value.address += 8;
  std::shuffle(allOther.begin(), allOther.end(), random);
  const BlockRows laterRows = RowsOf(later), laterSegments = RowsOf(InSegments(later, 16)),
                  allOtherRows = RowsOf(allOther);

  const auto compareWith = [&](const BlockRows& now) {
    return [&] {
      const MarkComparison comparison = CompareWithMark(mark, now);
      return comparison.newCount + comparison.goneCount;
    };
  };
  met &= Report("comparison with a mark of 1,000,000, 3% changed", 0.5, compareWith(laterRows));
  met &= Report("comparison, the same in 16 segments, last first", 0.5, compareWith(laterSegments));
  met &= Report("comparison, every block changed, out of address order", 0.5, compareWith(allOtherRows));
  return met ? 0 : 1;
}
