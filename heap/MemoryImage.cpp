#include "heap/MemoryImage.h"

#include <cstring>
#include <utility>

FixtureImage::FixtureImage(uint64_t base, std::vector<uint8_t> bytes) : m_base(base), m_bytes(std::move(bytes)) {}

bool FixtureImage::Read(uint64_t address, void* out, uint32_t size) const {
  // Offsets from the base, so neither the requested range nor the image
  // itself can wrap around the top of the address space.
  if (address < m_base) return false;
  const uint64_t offset = address - m_base;
  if (offset > m_bytes.size() || size > m_bytes.size() - offset) return false;
  if (size != 0) CopyRecordBytes(out, m_bytes.data() + offset, size);
  return true;
}
