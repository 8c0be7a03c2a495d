#include "heap/QueryImageBuilder.h"

#include <stdexcept>
#include <utility>

namespace {

uint64_t CheckedEnd(uint32_t base, uint64_t size) {
  const uint64_t end = base + size;
  if (end > (uint64_t{1} << 32)) throw std::length_error("query image does not fit below 2^32");
  return end;
}

}  // namespace

uint64_t FixtureHeapFieldOffset(uint32_t index, uint32_t field, HeapListLayout layout) {
  return kFixtureHeapListOffset + layout.firstRecord + uint64_t{layout.recordSize} * index + field;
}

FixtureImage BuildQueryImage(uint32_t base, const std::vector<FixtureHeap>& heaps, bool withEntries,
                             HeapListLayout layout) {
  const uint64_t listSize = layout.firstRecord + uint64_t{layout.recordSize} * heaps.size();
  uint64_t size = kFixtureHeapListOffset + listSize;
  if (withEntries) {
    for (const FixtureHeap& heap : heaps) size += uint64_t{kHeapEntryRecordSize} * heap.entries.size();
  }
  CheckedEnd(base, size);

  std::vector<uint8_t> bytes(static_cast<size_t>(size), kFixtureReservedByte);
  PutLe32(bytes.data() + kQueryHeapsPointerOffset, base + kFixtureHeapListOffset);
  PutLe32(bytes.data() + kQueryProcessHeapOffset, heaps.empty() ? 0 : heaps[0].record.BaseAddress);
  PutLe32(bytes.data() + kFixtureHeapListOffset, static_cast<uint32_t>(heaps.size()));

  uint64_t entryOffset = kFixtureHeapListOffset + listSize;
  for (size_t i = 0; i < heaps.size(); ++i) {
    HeapRecord record = heaps[i].record;
    if (withEntries) {
      record.NumberOfEntries = static_cast<uint32_t>(heaps[i].entries.size());
      record.Entries = static_cast<uint32_t>(base + entryOffset);
      for (const HeapEntryRecord& entry : heaps[i].entries) {
        EncodeHeapEntry(entry, bytes.data() + entryOffset);
        entryOffset += kHeapEntryRecordSize;
      }
    }
    EncodeHeapRecord(record, bytes.data() + FixtureHeapFieldOffset(static_cast<uint32_t>(i), 0, layout));
  }
  return FixtureImage(base, std::move(bytes));
}

FixtureImage BuildEmptyQueryImage(uint32_t base) {
  CheckedEnd(base, kFixtureHeapListOffset);
  std::vector<uint8_t> bytes(kFixtureHeapListOffset, kFixtureReservedByte);
  PutLe32(bytes.data() + kQueryHeapsPointerOffset, 0);
  PutLe32(bytes.data() + kQueryProcessHeapOffset, 0);
  return FixtureImage(base, std::move(bytes));
}
