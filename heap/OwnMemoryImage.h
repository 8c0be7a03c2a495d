// The memory of our own process as a 32-bit image: the heap-query buffer's
// pointers are addresses in this process, valid until the buffer is destroyed.
#pragma once

#include <cstdint>
#include <cstring>

#include "heap/MemoryImage.h"

class OwnMemoryImage : public MemoryImage {
 public:
  bool Read(uint32_t address, void* out, uint32_t size) const override {
    if (address == 0 || address + uint64_t{size} > uint64_t{1} << 32) return false;
    std::memcpy(out, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), size);
    return true;
  }
};
