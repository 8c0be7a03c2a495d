// The memory of our own process as an image: the heap-query buffer's
// pointers are addresses in this process, valid until the buffer is
// destroyed. The buffer is written by the system, so its pointers are not
// trusted: a read succeeds only from committed, readable pages, which the
// image learns from VirtualQuery once per region and remembers.
#pragma once

#include <cstdint>
#include <vector>

#include "heap/MemoryImage.h"

class OwnMemoryImage : public MemoryImage {
 public:
  bool Read(uint64_t address, void* out, uint32_t size) const override;

  // Forgets the regions seen so far; call when memory read earlier may
  // have been released.
  void Forget() { m_readable.clear(); }

 private:
  struct Range {
    uint64_t begin, end;
  };
  bool Readable(uint64_t begin, uint64_t end) const;

  mutable std::vector<Range> m_readable;
};
