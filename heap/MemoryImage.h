// Memory as the heap-query buffer sees it, addressed with 64-bit values (a
// 32-bit buffer's addresses are simply small ones). On Windows an address
// is a pointer of our own process; in native tests a fixture maps addresses
// to bytes it owns, so a malformed buffer is caught by a bounds check
// instead of being followed.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

class MemoryImage {
 public:
  virtual ~MemoryImage() = default;

  // Copies [address, address + size) to out. False, with out untouched,
  // when any byte of the range is outside the image, including a range
  // that would wrap past the top of the address space.
  virtual bool Read(uint64_t address, void* out, uint32_t size) const = 0;
};

// Copies size bytes; the sizes of the records and fields read most often
// are copied as constants, which the compiler turns into a few moves
// instead of a library call per entry.
inline void CopyRecordBytes(void* out, const void* from, uint32_t size) {
  switch (size) {
    case 4: std::memcpy(out, from, 4); break;
    case 8: std::memcpy(out, from, 8); break;
    case 16: std::memcpy(out, from, 16); break;
    case 32: std::memcpy(out, from, 32); break;
    default: std::memcpy(out, from, size); break;
  }
}

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
