#include "analysis/BlockSizes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "heap/TableCells.h"
#include "heap/TableText.h"

BlockSizes GroupBlockSizes(const BlockRows& rows) {
  BlockSizes out;
  BlockTotals& totals = out.totals;
  // Sorting the sizes groups them in one pass after it; a million blocks
  // take a few hundredths of a second, with no allocation per block.
  std::vector<uint64_t> sizes;
  sizes.reserve(rows.Count());
  for (size_t w = 0; w < rows.Count(); ++w) {
    const BlockRowValues& row = rows.InWalkOrder(w);
    if (row.Free()) {
      totals.AddFree(row.size);
    } else {
      sizes.push_back(row.size);
      totals.busyBytes += row.size;
    }
  }
  totals.busyCount = static_cast<uint32_t>(sizes.size());
  std::sort(sizes.begin(), sizes.end());
  for (size_t i = 0, end = 0; i < sizes.size(); i = end) {
    while (end < sizes.size() && sizes[end] == sizes[i]) ++end;
    const uint32_t count = static_cast<uint32_t>(end - i);
    out.groups.Add({sizes[i], count, sizes[i] * count});
  }
  out.groups.SetShownOrder(*SizeGroupOrder(out.groups, kSizeGroupFirstSort.column, kSizeGroupFirstSort.descending));
  return out;
}

std::string BlockTotalsText(const BlockTotals& totals) {
  char busy[kHexTextSize], freeBytes[kHexTextSize], largest[kHexTextSize];
  FormatHex(totals.busyBytes, 8, busy);
  FormatHex(totals.freeBytes, 8, freeBytes);
  FormatHex(totals.largestFree, 8, largest);
  char text[160];
  // Counts are "%d", as the tables write them.
  std::snprintf(text, sizeof text, "%d busy blocks, %s bytes; %d free blocks, %s bytes; largest free block %s",
                static_cast<int>(static_cast<int32_t>(totals.busyCount)), busy,
                static_cast<int>(static_cast<int32_t>(totals.freeCount)), freeBytes, largest);
  return text;
}

size_t FormatShare(uint64_t bytes, uint64_t total, char* out) {
  // Tenths of a percent in whole numbers: bytes * 2000 must fit, which any
  // real heap's bytes do by far; beyond that both halve together.
  constexpr uint64_t kLimit = UINT64_MAX / 2000;
  while (bytes > kLimit || total > kLimit) {
    bytes >>= 1;
    total >>= 1;
  }
  const uint64_t tenths = total == 0 ? 0 : (bytes * 2000 + total) / (2 * total);
  char* end = std::to_chars(out, out + kShareTextSize - 4, tenths / 10).ptr;
  *end++ = '.';
  *end++ = static_cast<char>('0' + tenths % 10);
  *end++ = '%';
  *end = '\0';
  return static_cast<size_t>(end - out);
}

size_t SizeGroupCellText(const BlockSizes& sizes, size_t position, int column, char* out, size_t room) {
  if (position >= sizes.groups.Count() || column < 0 || column >= kSizeGroupColumnCount)
    return PutCellText("", out, room);
  const SizeGroup& group = sizes.groups.Shown(position);
  if (column == 0) {
    char text[kHexTextSize];
    FormatHex(group.size, 8, text);
    return PutCellText(text, out, room);
  }
  return GroupCountCellText(column, group.count, group.bytes, sizes.totals.busyBytes, out, room);
}

size_t GroupCountCellText(int column, uint32_t count, uint64_t bytes, uint64_t busyBytes, char* out, size_t room) {
  static_assert(kShareTextSize >= kHexTextSize);
  char text[kShareTextSize];
  if (column == 1)
    FormatDecimal(static_cast<int32_t>(count), text);
  else if (column == 2)
    FormatHex(bytes, 8, text);
  else
    FormatShare(bytes, busyBytes, text);
  return PutCellText(text, out, room);
}

std::optional<std::vector<uint32_t>> SizeGroupOrder(const SizeGroupRows& groups, int column, bool descending) {
  if (column < 0 || column >= kSizeGroupColumnCount) return std::nullopt;
  return OrderByKey(
      groups.Count(),
      [&groups, column](size_t index) {
        const SizeGroup& group = groups.InWalkOrder(index);
        return column == 0 ? group.size : column == 1 ? group.count : group.bytes;
      },
      descending);
}

long long FindShownBlockOfSize(const BlockRows& rows, uint64_t size, size_t start) {
  return FindShown(rows, start, true,
                   [size](const BlockRowValues& row, uint32_t) { return !row.Free() && row.size == size; });
}
