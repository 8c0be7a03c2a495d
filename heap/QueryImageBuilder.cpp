#include "heap/QueryImageBuilder.h"

#include <stdexcept>
#include <utility>

namespace {

void CheckFits(uint64_t base, uint64_t size, const QueryLayout& layout) {
  const uint64_t limit = AddressMask(layout.width);
  if (base > limit || (size != 0 && size - 1 > limit - base))
    throw std::length_error("query image does not fit in the address space");
}

}  // namespace

uint64_t FixtureHeapFieldOffset(uint32_t index, uint32_t field, const QueryLayout& layout) {
  return FixtureHeapListOffset(layout) + layout.firstRecord + uint64_t{layout.recordSize} * index + field;
}

FixtureImage BuildQueryImage(uint64_t base, const std::vector<FixtureHeap>& heaps, bool withEntries,
                             const QueryLayout& layout) {
  const uint32_t listOffset = FixtureHeapListOffset(layout);
  const uint64_t listSize = layout.firstRecord + uint64_t{layout.recordSize} * heaps.size();
  uint64_t size = listOffset + listSize;
  if (withEntries) {
    for (const FixtureHeap& heap : heaps) size += uint64_t{layout.entryRecordSize} * heap.entries.size();
  }
  CheckFits(base, size, layout);

  std::vector<uint8_t> bytes(static_cast<size_t>(size), kFixtureReservedByte);
  PutWord(layout, bytes.data() + layout.heapsPointer, base + listOffset);
  PutWord(layout, bytes.data() + layout.processHeap, heaps.empty() ? 0 : heaps[0].record.BaseAddress);
  PutLe32(bytes.data() + listOffset, static_cast<uint32_t>(heaps.size()));

  uint64_t entryOffset = listOffset + listSize;
  for (size_t i = 0; i < heaps.size(); ++i) {
    HeapRecord record = heaps[i].record;
    if (withEntries) {
      record.NumberOfEntries = static_cast<uint32_t>(heaps[i].entries.size());
      record.Entries = base + entryOffset;
      for (const HeapEntryRecord& entry : heaps[i].entries) {
        EncodeHeapEntry(layout, entry, bytes.data() + entryOffset);
        entryOffset += layout.entryRecordSize;
      }
    }
    EncodeHeapRecord(layout, record, bytes.data() + FixtureHeapFieldOffset(static_cast<uint32_t>(i), 0, layout));
  }
  return FixtureImage(base, std::move(bytes));
}

FixtureImage BuildEmptyQueryImage(uint64_t base, const QueryLayout& layout) {
  const uint32_t listOffset = FixtureHeapListOffset(layout);
  CheckFits(base, listOffset, layout);
  std::vector<uint8_t> bytes(listOffset, kFixtureReservedByte);
  PutWord(layout, bytes.data() + layout.heapsPointer, 0);
  PutWord(layout, bytes.data() + layout.processHeap, 0);
  return FixtureImage(base, std::move(bytes));
}
