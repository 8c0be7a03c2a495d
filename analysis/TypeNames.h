// What a busy block holds, as the block table keeps it: a type index per
// row (BlockRowValues::type) into the table's TypeNames. Index 0 is nothing
// known (free blocks and blocks not judged, too), 1 and 2 are text, and
// classes follow in the order a fill met them. A mark keeps its own copy,
// since a later fill numbers its classes afresh: tables are matched by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

constexpr uint32_t kTypeUnknown = 0;
constexpr uint32_t kTypeText8 = 1;
constexpr uint32_t kTypeText16 = 2;
constexpr uint32_t kFirstClassType = 3;

inline constexpr const char kTypeUnknownName[] = "(unknown)";
inline constexpr const char kTypeText8Name[] = "(8-bit text)";
inline constexpr const char kTypeText16Name[] = "(UTF-16 text)";

class TypeNames {
 public:
  // The three fixed entries only.
  TypeNames();

  size_t Count() const { return m_names.size(); }
  // The name of type; an index out of range is "(unknown)".
  const std::string& Name(uint32_t type) const;
  // The index of name, added after the others when new.
  uint32_t Add(const std::string& name);
  std::optional<uint32_t> Find(const std::string& name) const;

 private:
  std::vector<std::string> m_names;
  std::unordered_map<std::string, uint32_t> m_index;
};

// The order the Type columns sort by: names without regard to (ASCII)
// case, names alike but for case by their bytes so the order is total.
// -1, 0 or 1.
int CompareTypeNames(std::string_view a, std::string_view b);
bool SameFoldedName(std::string_view a, std::string_view b);

// Sort keys of names kept in CompareTypeNames order (nameOf(i) for i in
// 0..count-1): names alike but for case share a key, so a sort by them ties,
// and ties then fall back on the kept order.
template <class NameOf>
std::vector<uint64_t> FoldedNameRanks(size_t count, NameOf&& nameOf) {
  std::vector<uint64_t> ranks(count);
  for (size_t i = 1; i < count; ++i) ranks[i] = ranks[i - 1] + (SameFoldedName(nameOf(i - 1), nameOf(i)) ? 0 : 1);
  return ranks;
}
