#include "analysis/BlockTypes.h"

#include <algorithm>

#include "heap/TableCells.h"
#include "heap/TableText.h"

BlockTypes GroupBlockTypes(const BlockRows& rows, const TypeNames& names) {
  BlockTypes out;
  BlockTotals& totals = out.totals;
  // Types are small indexes: a count per index takes one pass and no
  // look-up per block.
  std::vector<uint32_t> counts(names.Count(), 0);
  std::vector<uint64_t> bytes(names.Count(), 0);
  for (size_t w = 0; w < rows.Count(); ++w) {
    const BlockRowValues& row = rows.InWalkOrder(w);
    if (row.Free()) {
      totals.AddFree(row.size);
      continue;
    }
    const uint32_t type = row.type < names.Count() ? row.type : kTypeUnknown;
    ++counts[type];
    bytes[type] += row.size;
    ++totals.busyCount;
    totals.busyBytes += row.size;
  }
  std::vector<uint32_t> present;
  for (uint32_t type = 0; type < counts.size(); ++type)
    if (counts[type] != 0) present.push_back(type);
  std::sort(present.begin(), present.end(),
            [&names](uint32_t a, uint32_t b) { return CompareTypeNames(names.Name(a), names.Name(b)) < 0; });
  out.groups.Reserve(present.size());
  for (const uint32_t type : present) out.groups.Add({names.Name(type), type, counts[type], bytes[type]});
  out.groups.SetShownOrder(*TypeGroupOrder(out.groups, kTypeGroupFirstSort.column, kTypeGroupFirstSort.descending));
  return out;
}

size_t TypeGroupCellText(const BlockTypes& types, size_t position, int column, char* out, size_t room) {
  if (position >= types.groups.Count() || column < 0 || column >= kTypeGroupColumnCount)
    return PutCellText("", out, room);
  const TypeGroup& group = types.groups.Shown(position);
  if (column == 0) return PutCellText(group.name.c_str(), out, room);
  return GroupCountCellText(column, group.count, group.bytes, types.totals.busyBytes, out, room);
}

std::optional<std::vector<uint32_t>> TypeGroupOrder(const TypeGroupRows& groups, int column, bool descending) {
  if (column < 0 || column >= kTypeGroupColumnCount) return std::nullopt;
  const std::vector<uint64_t> nameRanks =
      column == 0 ? FoldedNameRanks(groups.Count(),
                                    [&groups](size_t i) -> const std::string& { return groups.InWalkOrder(i).name; })
                  : std::vector<uint64_t>{};
  return OrderByKey(
      groups.Count(),
      [&](size_t index) {
        const TypeGroup& group = groups.InWalkOrder(index);
        return column == 0 ? nameRanks[index] : column == 1 ? group.count : group.bytes;
      },
      descending);
}

long long FindShownBlockOfType(const BlockRows& rows, uint32_t type, size_t start) {
  return FindShown(rows, start, true,
                   [type](const BlockRowValues& row, uint32_t) { return !row.Free() && row.type == type; });
}
