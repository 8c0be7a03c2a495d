#include "analysis/TypeResolver.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "analysis/BlockContents.h"

std::optional<std::string> DisplayTypeName(const StoredTypeName& stored, const Undecorator& undecorate) {
  std::optional<std::string> shown = undecorate ? undecorate(stored.form, stored.name) : std::nullopt;
  if (shown) {
    // The system's undecorator writes the kind of a type before its name.
    for (const std::string_view kind : {"class ", "struct "})
      if (shown->starts_with(kind)) shown->erase(0, kind.size());
  }
  if (shown && !shown->empty()) return shown;
  if (stored.form == NameForm::Gcc) return std::nullopt;
  return stored.name;
}

TypeResolver::TypeResolver(const MemoryImage& memory, const ImageRanges& images, Width width, Undecorator undecorate,
                           TypeNames& names)
    : m_memory(memory),
      m_images(images),
      m_width(width),
      m_word(width == Width::Bits64 ? 8 : 4),
      m_undecorate(std::move(undecorate)),
      m_names(names) {}

uint32_t TypeResolver::ClassAt(uint64_t vtable) {
  // Most words of a block point at no image: they need no look-up and
  // take no room among the verdicts.
  if (!m_images.Holds(vtable, m_word)) return kTypeUnknown;
  const auto [verdict, added] = m_verdicts.try_emplace(vtable, kTypeUnknown);
  if (!added) return verdict->second;
  if (const std::optional<StoredTypeName> stored = ReadStoredTypeName(m_memory, m_images, m_width, vtable))
    if (const std::optional<std::string> name = DisplayTypeName(*stored, m_undecorate))
      verdict->second = m_names.Add(*name);
  return verdict->second;
}

uint32_t TypeResolver::Classify(const uint8_t* head, size_t headBytes, uint64_t blockSize) {
  const size_t length = static_cast<size_t>(std::min<uint64_t>({headBytes, kHeadBytes, blockSize}));
  const auto wordAt = [&](size_t offset) -> std::optional<uint64_t> {
    if (offset + m_word > length) return std::nullopt;
    return m_word == 8 ? GetLe64(head + offset) : GetLe32(head + offset);
  };
  if (const std::optional<uint64_t> first = wordAt(0)) {
    if (const uint32_t type = ClassAt(*first); type != kTypeUnknown) return type;
    const size_t object = DebugHeaderBytes(m_width);
    const std::optional<uint64_t> afterHeader = wordAt(object);
    if (afterHeader && std::all_of(head + object - 4, head + object, [](uint8_t b) { return b == 0xFD; }))
      if (const uint32_t type = ClassAt(*afterHeader); type != kTypeUnknown) return type;
    const std::optional<uint64_t> afterCount = wordAt(m_word);
    if (afterCount && *first >= 1 && *first <= blockSize / m_word)
      if (const uint32_t type = ClassAt(*afterCount); type != kTypeUnknown) return type;
  }
  switch (JudgeText(head, length, blockSize)) {
    case TextKind::Text8:
      return kTypeText8;
    case TextKind::Text16:
      return kTypeText16;
    default:
      return kTypeUnknown;
  }
}
