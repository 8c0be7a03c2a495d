#include "analysis/MarkComparison.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "heap/SortRuns.h"
#include "heap/TableCells.h"
#include "heap/TableText.h"

namespace {
struct NowBlock {
  uint64_t address;
  uint64_t size;
  uint32_t walkIndex;
};

// The mark's order, then the walk: of a pair listed twice, the later row
// is the one left unmatched.
constexpr bool NowOrder(const NowBlock& a, const NowBlock& b) {
  if (a.address != b.address) return a.address < b.address;
  return a.size != b.size ? a.size < b.size : a.walkIndex < b.walkIndex;
}

// -1, 0 or 1 as a marked block is before, the same as, or after one now.
int Compare(const MarkedBlock& then, const NowBlock& now) {
  if (then.address != now.address) return then.address < now.address ? -1 : 1;
  if (then.size != now.size) return then.size < now.size ? -1 : 1;
  return 0;
}

// The sizes whose count changed, smallest first, with the change: new
// blocks of the size less gone ones. Both lists are sorted.
std::vector<std::pair<uint64_t, int64_t>> ChangedSizes(const std::vector<uint64_t>& added,
                                                       const std::vector<uint64_t>& gone) {
  std::vector<std::pair<uint64_t, int64_t>> changed;
  size_t a = 0, g = 0;
  while (a < added.size() || g < gone.size()) {
    const uint64_t size = g == gone.size() || (a < added.size() && added[a] < gone[g]) ? added[a] : gone[g];
    int64_t change = 0;
    for (; a < added.size() && added[a] == size; ++a) ++change;
    for (; g < gone.size() && gone[g] == size; ++g) --change;
    if (change != 0) changed.emplace_back(size, change);
  }
  return changed;
}
}  // namespace

MarkComparison CompareWithMark(const BlockMark& mark, const BlockRows& rows, const TypeNames& names) {
  MarkComparison out;
  out.markTime = mark.Time();
  out.isNew.assign(rows.Count(), false);

  std::vector<NowBlock> now;
  now.reserve(rows.Count());
  uint64_t nowBytes = 0;
  for (size_t w = 0; w < rows.Count(); ++w) {
    const BlockRowValues& row = rows.InWalkOrder(w);
    if (row.Free()) continue;
    now.push_back({row.address, row.size, static_cast<uint32_t>(w)});
    nowBytes += row.size;
  }
  SortByRuns(now, NowOrder);

  // One merge of the two sorted lists: a block only now is new, one only
  // in the mark is gone.
  const std::vector<MarkedBlock>& then = mark.Blocks();
  uint64_t thenBytes = 0;
  std::vector<uint64_t> added, gone;
  size_t i = 0, j = 0;
  while (i < then.size() || j < now.size()) {
    const int order = i == then.size() ? 1 : j == now.size() ? -1 : Compare(then[i], now[j]);
    if (order <= 0) thenBytes += then[i].size;
    if (order < 0) {
      gone.push_back(then[i].size);
    } else if (order > 0) {
      out.isNew[now[j].walkIndex] = true;
      added.push_back(now[j].size);
    }
    i += order <= 0;
    j += order >= 0;
  }
  out.newCount = static_cast<uint32_t>(added.size());
  out.goneCount = static_cast<uint32_t>(gone.size());
  out.blocksChange = static_cast<int64_t>(now.size()) - static_cast<int64_t>(then.size());
  out.bytesChange = static_cast<int64_t>(nowBytes - thenBytes);

  // Only the sizes of new and gone blocks can have changed: their counts
  // now are had in one pass with a look-up among those sizes alone.
  std::sort(added.begin(), added.end());
  std::sort(gone.begin(), gone.end());
  const std::vector<std::pair<uint64_t, int64_t>> changed = ChangedSizes(added, gone);
  std::vector<uint32_t> nowCounts(changed.size(), 0);
  if (!changed.empty())
    for (const NowBlock& block : now) {
      const auto found =
          std::lower_bound(changed.begin(), changed.end(), block.size,
                           [](const std::pair<uint64_t, int64_t>& c, uint64_t s) { return c.first < s; });
      if (found != changed.end() && found->first == block.size)
        ++nowCounts[static_cast<size_t>(found - changed.begin())];
    }
  out.sizes.Reserve(changed.size());
  for (size_t k = 0; k < changed.size(); ++k)
    out.sizes.Add({changed[k].first, static_cast<uint32_t>(nowCounts[k] - changed[k].second), nowCounts[k]});
  out.sizes.SetShownOrder(*SizeChangeOrder(out.sizes, kSizeChangeFirstSort.column, kSizeChangeFirstSort.descending));
  out.types = CompareTypes(mark, rows, names);
  return out;
}

std::string MarkComparisonText(const MarkComparison& comparison) {
  char bytes[kSignedHexTextSize];
  FormatSignedHex(comparison.bytesChange, 8, bytes);
  const ClockTime& t = comparison.markTime;
  char text[128];
  // Counts are "%d" (signed "%+d") of 32 bits, as the tables write them.
  std::snprintf(text, sizeof text, "%+d blocks (%s bytes) since %02u:%02u:%02u: %d new, %d gone",
                static_cast<int>(static_cast<int32_t>(comparison.blocksChange)), bytes, unsigned{t.hour},
                unsigned{t.minute}, unsigned{t.second}, static_cast<int>(static_cast<int32_t>(comparison.newCount)),
                static_cast<int>(static_cast<int32_t>(comparison.goneCount)));
  return text;
}

size_t ChangeCountCellText(int column, uint32_t then, uint32_t now, int64_t change, int64_t bytesChange, char* out,
                           size_t room) {
  char text[kSignedHexTextSize];
  switch (column) {
    case 1:
      FormatDecimal(static_cast<int32_t>(then), text);
      break;
    case 2:
      FormatDecimal(static_cast<int32_t>(now), text);
      break;
    case 3:
      FormatSignedDecimal(static_cast<int32_t>(change), text);
      break;
    default:
      FormatSignedHex(bytesChange, 8, text);
      break;
  }
  return PutCellText(text, out, room);
}

size_t SizeChangeCellText(const MarkComparison& comparison, size_t position, int column, char* out, size_t room) {
  if (position >= comparison.sizes.Count() || column < 0 || column >= kSizeChangeColumnCount)
    return PutCellText("", out, room);
  const SizeChange& change = comparison.sizes.Shown(position);
  if (column == 0) {
    char text[kHexTextSize];
    FormatHex(change.size, 8, text);
    return PutCellText(text, out, room);
  }
  return ChangeCountCellText(column, change.then, change.now, change.Change(), change.BytesChange(), out, room);
}

uint64_t ChangeCountKey(int column, uint32_t then, uint32_t now, int64_t change, int64_t bytesChange) {
  return column == 1 ? then : column == 2 ? now : SignedKey(column == 3 ? change : bytesChange);
}

std::optional<std::vector<uint32_t>> SizeChangeOrder(const SizeChangeRows& sizes, int column, bool descending) {
  if (column < 0 || column >= kSizeChangeColumnCount) return std::nullopt;
  return OrderByKey(
      sizes.Count(),
      [&sizes, column](size_t index) -> uint64_t {
        const SizeChange& change = sizes.InWalkOrder(index);
        return column == 0 ? change.size
                           : ChangeCountKey(column, change.then, change.now, change.Change(), change.BytesChange());
      },
      descending);
}

long long FindShownNewBlockOfSize(const BlockRows& rows, const MarkComparison& comparison, uint64_t size,
                                  size_t start) {
  if (comparison.isNew.size() != rows.Count()) return -1;
  return FindShown(rows, start, true, [&](const BlockRowValues& row, uint32_t walkIndex) {
    return row.size == size && comparison.isNew[walkIndex];
  });
}

long long FindShownNewBlockOfType(const BlockRows& rows, const MarkComparison& comparison, uint32_t type,
                                  size_t start) {
  if (comparison.isNew.size() != rows.Count()) return -1;
  return FindShown(rows, start, true, [&](const BlockRowValues& row, uint32_t walkIndex) {
    return row.type == type && comparison.isNew[walkIndex];
  });
}
