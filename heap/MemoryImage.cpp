#include "heap/MemoryImage.h"

#include <cstring>
#include <utility>

FixtureImage::FixtureImage(uint32_t base, std::vector<uint8_t> bytes) : m_base(base), m_bytes(std::move(bytes)) {}

bool FixtureImage::Read(uint32_t address, void* out, uint32_t size) const {
  // 64-bit arithmetic: neither the requested range nor the image itself
  // may wrap around the end of the 32-bit address space.
  const uint64_t begin = address;
  const uint64_t end = begin + size;
  const uint64_t imageBegin = m_base;
  const uint64_t imageEnd = imageBegin + m_bytes.size();
  if (end > (uint64_t{1} << 32) || begin < imageBegin || end > imageEnd) return false;
  if (size != 0) std::memcpy(out, m_bytes.data() + (begin - imageBegin), size);
  return true;
}
