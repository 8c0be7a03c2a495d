#include "shell/TableSort.h"

#include <algorithm>

#include "heap/TableText.h"

SortState NextSortState(SortState current, int column) {
  if (current.column == column) return {column, !current.descending};
  return {column, false};
}

bool ParseDecimal(const char* text, int64_t& out) {
  if (text == nullptr) return false;
  while (IsTextSpace(*text)) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  if (*text < '0' || *text > '9') return false;
  // Our texts are "%d" of 32 bits; the digits beyond int64's reach of a
  // foreign text are dropped rather than overflowing.
  uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value < UINT64_MAX / 10) value = value * 10 + static_cast<uint64_t>(*text - '0');
  value = std::min<uint64_t>(value, uint64_t{INT64_MAX});
  out = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  return true;
}

SortKey MakeSortKey(ColumnKind kind, const char* text) {
  SortKey key;
  switch (kind) {
    case ColumnKind::Hex:
      key.hasNumber = ParseHex(text, key.number);
      break;
    case ColumnKind::Decimal: {
      int64_t value = 0;
      key.hasNumber = ParseDecimal(text, value);
      // Flipping the sign bit orders signed values as unsigned ones.
      key.number = SignedKey(value);
      break;
    }
    case ColumnKind::Text:
      key.text = text != nullptr ? text : "";
      for (char& c : key.text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      break;
  }
  return key;
}

namespace {
// -1, 0 or 1. Texts of number columns that read as no number come first.
int CompareKeys(const SortKey& a, const SortKey& b) {
  if (a.hasNumber != b.hasNumber) return a.hasNumber ? 1 : -1;
  if (a.number != b.number) return a.number < b.number ? -1 : 1;
  const int text = a.text.compare(b.text);
  return (text > 0) - (text < 0);
}
}  // namespace

std::optional<std::vector<uint32_t>> SortedOrder(std::vector<KeyedRow> rows, bool descending) {
  std::vector<bool> seen(rows.size(), false);
  for (const KeyedRow& row : rows) {
    if (row.walkIndex >= rows.size() || seen[row.walkIndex]) return std::nullopt;
    seen[row.walkIndex] = true;
  }
  // Walk indexes are unique, so this is a total order and needs no stable sort.
  std::sort(rows.begin(), rows.end(), [descending](const KeyedRow& a, const KeyedRow& b) {
    const int c = CompareKeys(a.key, b.key);
    if (c != 0) return descending ? c > 0 : c < 0;
    return a.walkIndex < b.walkIndex;
  });
  std::vector<uint32_t> order(rows.size());
  for (size_t p = 0; p < rows.size(); ++p) order[p] = rows[p].walkIndex;
  return order;
}

std::vector<uint32_t> RanksOf(const std::vector<uint32_t>& order) {
  std::vector<uint32_t> rank(order.size());
  for (size_t p = 0; p < order.size(); ++p) rank[order[p]] = static_cast<uint32_t>(p);
  return rank;
}

std::optional<std::vector<uint32_t>> BlockRowOrder(const BlockRows& rows, int column, bool descending) {
  if (column < 0 || column > 4) return std::nullopt;
  // Folded, the texts order as "fixed" < "large" < "lfh" < "not applicable",
  // and "allocated" < "free".
  const auto key = [column, &rows](size_t walkIndex) -> uint64_t {
    const BlockRowValues& row = rows.InWalkOrder(walkIndex);
    switch (column) {
      case 0:
        return walkIndex;  // the index text is walkIndex + 1
      case 1:
        return row.address;
      case 2:
        return row.size;
      case 3:
        return row.kind == kBlockKindLarge ? 1 : row.kind == kBlockKindLfh ? 2 : row.kind == kBlockKindFree ? 3 : 0;
      default:
        return row.Free() ? 1 : 0;
    }
  };
  return OrderByKey(rows.Count(), key, descending);
}

std::optional<std::vector<uint32_t>> NodeRowOrder(const NodeRows& rows, int column, ColumnKind kind, bool descending) {
  if (column < 0 || column > 5) return std::nullopt;
  std::vector<KeyedRow> keyed(rows.Count());
  NodeRowTexts texts;
  for (size_t w = 0; w < rows.Count(); ++w) {
    // The address digits the width pads with do not change the order.
    MakeNodeRowTexts(static_cast<uint32_t>(w), rows.InWalkOrder(w), Width::Bits64, texts);
    keyed[w] = {static_cast<uint32_t>(w), MakeSortKey(kind, texts.cells[column])};
  }
  return SortedOrder(std::move(keyed), descending);
}
