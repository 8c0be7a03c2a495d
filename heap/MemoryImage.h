// Memory as the heap-query buffer sees it, addressed with 64-bit values (a
// 32-bit buffer's addresses are simply small ones). On Windows an address
// is a pointer of our own process; in native tests a fixture maps addresses
// to bytes it owns, so a malformed buffer is caught by a bounds check
// instead of being followed.
#pragma once

#include <cstdint>
#include <vector>

class MemoryImage {
 public:
  virtual ~MemoryImage() = default;

  // Copies [address, address + size) to out. False, with out untouched,
  // when any byte of the range is outside the image, including a range
  // that would wrap past the top of the address space.
  virtual bool Read(uint64_t address, void* out, uint32_t size) const = 0;
};

// Bytes owned by the image, placed at a base address.
class FixtureImage : public MemoryImage {
 public:
  FixtureImage(uint64_t base, std::vector<uint8_t> bytes);

  bool Read(uint64_t address, void* out, uint32_t size) const override;

  uint64_t Base() const { return m_base; }
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  // Tests patch or shorten the bytes after building an image.
  std::vector<uint8_t>& Bytes() { return m_bytes; }

 private:
  uint64_t m_base;
  std::vector<uint8_t> m_bytes;
};
