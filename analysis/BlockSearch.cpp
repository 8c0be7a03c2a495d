#include "analysis/BlockSearch.h"

#include <optional>

#include "analysis/BlockSizes.h"
#include "analysis/BlockTypes.h"
#include "heap/TableText.h"

long long FindShownBlock(const BlockSearch& search, const BlockRows& rows, const TypeNames& names,
                         const MarkComparison* changes, size_t start) {
  if (search.newOnly && changes == nullptr) return -1;
  if (!search.byType)
    return search.newOnly ? FindShownNewBlockOfSize(rows, *changes, search.size, start)
                          : FindShownBlockOfSize(rows, search.size, start);
  const std::optional<uint32_t> type = names.Find(search.typeName);
  if (!type) return -1;
  return search.newOnly ? FindShownNewBlockOfType(rows, *changes, *type, start)
                        : FindShownBlockOfType(rows, *type, start);
}

std::string BlockSearchNotFoundText(const BlockSearch& search, bool compared) {
  if (search.newOnly && !compared) return "No block of this heap is new since the mark.";
  char size[kHexTextSize];
  FormatHex(search.size, 8, size);
  if (search.newOnly)
    return (search.byType ? "No block of type " + search.typeName : std::string("No block of ") + size + " bytes") +
           " is new since the mark.";
  return search.byType ? "No busy block of this heap is of type " + search.typeName + "."
                       : std::string("No busy block of this heap has ") + size + " bytes.";
}
