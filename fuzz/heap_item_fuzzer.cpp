// libFuzzer target: the reader of the system's heap items (heap/HeapItems.h)
// at both widths over arbitrary bytes. The input's first byte picks the
// width; the rest is the item as the callback would get it, with only the
// input's length readable (ASan tells a read past it). Checks: an item read
// lies within its own size, and reads the same when only that size is
// available; a block item's row carries its address and data size.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "heap/HeapItems.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "heap item check failed: %s\n", what);
  std::abort();
}

bool Same(const HeapItem& a, const HeapItem& b) {
  return a.type == b.type && a.address == b.address && a.size == b.size && a.commit == b.commit &&
         a.flags == b.flags && a.overhead == b.overhead && a.hasSettable == b.hasSettable &&
         a.settableValue == b.settableValue && a.tagIndex == b.tagIndex && a.backTraceIndex == b.backTraceIndex;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Width width = (data[0] & 1) ? Width::Bits64 : Width::Bits32;
  const std::vector<uint8_t> bytes(data + 1, data + size);  // exactly as long as the input
  HeapItem item;
  if (!ReadHeapItem(width, bytes.data(), bytes.size(), item)) return 0;
  const uint64_t own = HeapItemSize(width, bytes.data());
  if (own > bytes.size() || own > kLargestHeapItemBytes || own < ItemHeaderBytes(width)) Fail("item beyond its size");
  const std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(own));
  HeapItem again;
  if (!ReadHeapItem(width, exact.data(), exact.size(), again) || !Same(item, again))
    Fail("the item reads otherwise with only its own bytes");
  const auto row = BlockRowOfItem(item);
  if (row.has_value() != (item.type == kHeapItemBlock)) Fail("a row for an item that is no block, or none for a block");
  if (row && (row->address != item.address || row->size != item.size)) Fail("the row is not the block's");
  return 0;
}
