#include "analysis/TypeInfoReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
class ImageReader {
 public:
  ImageReader(const MemoryImage& memory, const ImageRanges& images, Width width)
      : m_memory(memory), m_images(images), m_word(width == Width::Bits64 ? 8 : 4) {}

  uint32_t WordSize() const { return m_word; }
  const ImageRanges& Images() const { return m_images; }

  // Bytes that lie within one image module.
  bool Read(uint64_t address, void* out, uint32_t size) const {
    return m_images.Holds(address, size) && m_memory.Read(address, out, size);
  }

  std::optional<uint64_t> Word(uint64_t address) const {
    uint8_t bytes[8];
    if (!Read(address, bytes, m_word)) return std::nullopt;
    return m_word == 8 ? GetLe64(bytes) : GetLe32(bytes);
  }

  // A NUL-terminated name within kTypeNameRoom bytes and within its image,
  // of no spaces or control characters (stored names have none). Read a
  // piece at a time: most names end within the first.
  std::optional<std::string> Name(uint64_t address) const {
    const std::optional<AddressRange> image = m_images.RangeHolding(address);
    if (!image) return std::nullopt;
    const uint64_t limit = std::min<uint64_t>(kTypeNameRoom, image->end - address);
    std::string name;
    char piece[64];
    for (uint64_t done = 0; done < limit;) {
      const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(sizeof piece, limit - done));
      if (!m_memory.Read(address + done, piece, size)) return std::nullopt;
      const char* nul = static_cast<const char*>(std::memchr(piece, 0, size));
      name.append(piece, nul != nullptr ? static_cast<size_t>(nul - piece) : size);
      if (nul != nullptr) {
        const bool plain = std::all_of(name.begin(), name.end(),
                                       [](char c) { return static_cast<unsigned char>(c) > 0x20 && c != 0x7F; });
        if (!plain) return std::nullopt;
        return name;
      }
      done += size;
    }
    return std::nullopt;
  }

 private:
  const MemoryImage& m_memory;
  const ImageRanges& m_images;
  uint32_t m_word;
};

bool IsMicrosoftName(const std::string& name) {
  // ".?AV" or ".?AU", at least one character of name, "@@".
  return name.size() > 6 && (name.starts_with(".?AV") || name.starts_with(".?AU")) && name.ends_with("@@");
}

std::optional<std::string> MicrosoftName(const ImageReader& reader, uint64_t locator) {
  const bool wide = reader.WordSize() == 8;
  uint8_t fields[24];
  if (!reader.Read(locator, fields, wide ? 24 : 20)) return std::nullopt;
  // A locator of a base's table inside the object has an offset: only a
  // complete object's table names the block's class.
  if (GetLe32(fields) != (wide ? 1u : 0u) || GetLe32(fields + 4) != 0) return std::nullopt;
  uint64_t descriptor = GetLe32(fields + 12);
  uint64_t hierarchy = GetLe32(fields + 16);
  if (wide) {
    // Offsets from the image base, which the locator's own offset tells:
    // it must lead back to the base of the image the locator lies in.
    const uint32_t self = GetLe32(fields + 20);
    const std::optional<AddressRange> image = reader.Images().RangeHolding(locator);
    if (!image || self > locator || locator - self != image->begin) return std::nullopt;
    descriptor += image->begin;
    hierarchy += image->begin;
  }
  // The hierarchy descriptor: { signature 0, attributes, count, array }.
  uint8_t hierarchyFields[16];
  if (!reader.Read(hierarchy, hierarchyFields, 16) || GetLe32(hierarchyFields) != 0) return std::nullopt;
  // The type descriptor: two words, then the name.
  if (!reader.Images().Holds(descriptor, 2 * reader.WordSize())) return std::nullopt;
  std::optional<std::string> name = reader.Name(descriptor + 2 * reader.WordSize());
  if (!name || !IsMicrosoftName(*name)) return std::nullopt;
  return name;
}

std::optional<std::string> GccName(const ImageReader& reader, uint64_t vtable, uint64_t typeInfo) {
  const uint32_t w = reader.WordSize();
  const std::optional<uint64_t> offsetToTop = reader.Word(vtable - 2 * w);
  if (!offsetToTop || *offsetToTop != 0) return std::nullopt;
  // type_info's own vtable lies in the C++ runtime's image, whichever
  // module holds that.
  const std::optional<uint64_t> ownVtable = reader.Word(typeInfo);
  const std::optional<uint64_t> namePointer = reader.Word(typeInfo + w);
  if (!ownVtable || !namePointer || !reader.Images().Holds(*ownVtable, w)) return std::nullopt;
  std::optional<std::string> name = reader.Name(*namePointer);
  if (name && name->starts_with('*')) name->erase(0, 1);
  if (!name || name->empty()) return std::nullopt;
  return name;
}
}  // namespace

std::optional<StoredTypeName> ReadStoredTypeName(const MemoryImage& memory, const ImageRanges& images, Width width,
                                                 uint64_t vtable) {
  const ImageReader reader(memory, images, width);
  const uint32_t w = reader.WordSize();
  // Room for the words before the table, and no wrap past the width's top.
  if (vtable < 2 * w || vtable > AddressMask(width) - w || !images.Holds(vtable, w)) return std::nullopt;
  const std::optional<uint64_t> before = reader.Word(vtable - w);
  if (!before) return std::nullopt;
  if (std::optional<std::string> name = MicrosoftName(reader, *before))
    return StoredTypeName{NameForm::Microsoft, std::move(*name)};
  if (std::optional<std::string> name = GccName(reader, vtable, *before))
    return StoredTypeName{NameForm::Gcc, std::move(*name)};
  return std::nullopt;
}
