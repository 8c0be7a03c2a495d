#include "analysis/TypeNames.h"

#include <algorithm>

TypeNames::TypeNames() {
  for (const char* name : {kTypeUnknownName, kTypeText8Name, kTypeText16Name}) Add(name);
}

const std::string& TypeNames::Name(uint32_t type) const {
  return type < m_names.size() ? m_names[type] : m_names[kTypeUnknown];
}

uint32_t TypeNames::Add(const std::string& name) {
  const auto [found, added] = m_index.try_emplace(name, static_cast<uint32_t>(m_names.size()));
  if (added) m_names.push_back(name);
  return found->second;
}

std::optional<uint32_t> TypeNames::Find(const std::string& name) const {
  const auto found = m_index.find(name);
  if (found == m_index.end()) return std::nullopt;
  return found->second;
}

namespace {
constexpr char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int CompareFolded(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const unsigned char x = static_cast<unsigned char>(Fold(a[i])), y = static_cast<unsigned char>(Fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}
}  // namespace

int CompareTypeNames(std::string_view a, std::string_view b) {
  const int folded = CompareFolded(a, b);
  if (folded != 0) return folded;
  const int exact = a.compare(b);
  return (exact > 0) - (exact < 0);
}

bool SameFoldedName(std::string_view a, std::string_view b) { return CompareFolded(a, b) == 0; }
