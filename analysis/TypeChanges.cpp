#include "analysis/TypeChanges.h"

#include <algorithm>

#include "heap/TableCells.h"
#include "heap/TableText.h"

namespace {
struct Tally {
  uint32_t count = 0;
  uint64_t bytes = 0;
  void Add(uint64_t size) {
    ++count;
    bytes += size;
  }
};
}  // namespace

TypeChangeRows CompareTypes(const BlockMark& mark, const BlockRows& rows, const TypeNames& names) {
  // Counted by index in either table, then matched by name once per type.
  std::vector<Tally> now(names.Count());
  for (size_t w = 0; w < rows.Count(); ++w) {
    const BlockRowValues& row = rows.InWalkOrder(w);
    if (!row.Free()) now[row.type < names.Count() ? row.type : kTypeUnknown].Add(row.size);
  }
  const TypeNames& marked = mark.Types();
  std::vector<Tally> then(marked.Count());
  for (const MarkedBlock& block : mark.Blocks())
    then[block.type < marked.Count() ? block.type : kTypeUnknown].Add(block.size);

  std::vector<TypeChange> all;
  for (uint32_t type = 0; type < names.Count(); ++type)
    all.push_back({names.Name(type), type, 0, now[type].count, 0, now[type].bytes});
  for (uint32_t type = 0; type < marked.Count(); ++type) {
    if (then[type].count == 0) continue;
    const std::optional<uint32_t> same = names.Find(marked.Name(type));
    if (!same) all.push_back({marked.Name(type), kTypeNotNow, 0, 0, 0, 0});
    TypeChange& change = same ? all[*same] : all.back();
    change.then = then[type].count;
    change.bytesThen = then[type].bytes;
  }
  std::erase_if(all, [](const TypeChange& change) { return change.Change() == 0; });
  std::sort(all.begin(), all.end(),
            [](const TypeChange& a, const TypeChange& b) { return CompareTypeNames(a.name, b.name) < 0; });

  TypeChangeRows out;
  out.Reserve(all.size());
  for (const TypeChange& change : all) out.Add(change);
  out.SetShownOrder(*TypeChangeOrder(out, kTypeChangeFirstSort.column, kTypeChangeFirstSort.descending));
  return out;
}

size_t TypeChangeCellText(const TypeChangeRows& types, size_t position, int column, char* out, size_t room) {
  if (position >= types.Count() || column < 0 || column >= kTypeChangeColumnCount) return PutCellText("", out, room);
  const TypeChange& change = types.Shown(position);
  if (column == 0) return PutCellText(change.name.c_str(), out, room);
  return ChangeCountCellText(column, change.then, change.now, change.Change(), change.BytesChange(), out, room);
}

std::optional<std::vector<uint32_t>> TypeChangeOrder(const TypeChangeRows& types, int column, bool descending) {
  if (column < 0 || column >= kTypeChangeColumnCount) return std::nullopt;
  const std::vector<uint64_t> nameRanks =
      column == 0 ? FoldedNameRanks(types.Count(),
                                    [&types](size_t i) -> const std::string& { return types.InWalkOrder(i).name; })
                  : std::vector<uint64_t>{};
  return OrderByKey(
      types.Count(),
      [&](size_t index) -> uint64_t {
        const TypeChange& change = types.InWalkOrder(index);
        return column == 0 ? nameRanks[index]
                           : ChangeCountKey(column, change.then, change.now, change.Change(), change.BytesChange());
      },
      descending);
}
