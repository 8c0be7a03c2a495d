#include "heap/QueryImageBuilder.h"

#include <stdexcept>
#include <utility>

namespace {

void Put16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t CheckedEnd(uint32_t base, uint64_t size) {
  const uint64_t end = base + size;
  if (end > (uint64_t{1} << 32)) throw std::length_error("query image does not fit below 2^32");
  return end;
}

}  // namespace

void EncodeHeapRecord(const HeapRecord& record, uint8_t* out) {
  Put32(out + 0, record.BaseAddress);
  Put32(out + 4, record.Flags);
  Put16(out + 8, record.EntryOverhead);
  Put32(out + 12, record.BytesAllocated);
  Put32(out + 16, record.BytesCommitted);
  Put32(out + 24, record.NumberOfEntries);
  Put32(out + 60, record.Entries);
}

void EncodeHeapEntry(const HeapEntryRecord& entry, uint8_t* out) {
  Put32(out + 0, entry.Size);
  Put16(out + 4, entry.Flags);
  Put32(out + 12, entry.Address);
}

FixtureImage BuildQueryImage(uint32_t base, const std::vector<FixtureHeap>& heaps, bool withEntries) {
  const uint64_t listSize = kHeapListHeaderSize + uint64_t{kHeapRecordSize} * heaps.size();
  uint64_t size = kFixtureHeapListOffset + listSize;
  if (withEntries) {
    for (const FixtureHeap& heap : heaps) size += uint64_t{kHeapEntryRecordSize} * heap.entries.size();
  }
  CheckedEnd(base, size);

  std::vector<uint8_t> bytes(static_cast<size_t>(size), kFixtureReservedByte);
  Put32(bytes.data() + kHeapQueryHeaderSize, base + kFixtureHeapListOffset);
  Put32(bytes.data() + kFixtureHeapListOffset, static_cast<uint32_t>(heaps.size()));

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
    EncodeHeapRecord(record,
                     bytes.data() + kFixtureHeapListOffset + kHeapListHeaderSize + uint64_t{kHeapRecordSize} * i);
  }
  return FixtureImage(base, std::move(bytes));
}

FixtureImage BuildEmptyQueryImage(uint32_t base) {
  CheckedEnd(base, kFixtureHeapListOffset);
  std::vector<uint8_t> bytes(kFixtureHeapListOffset, kFixtureReservedByte);
  Put32(bytes.data() + kHeapQueryHeaderSize, 0);
  return FixtureImage(base, std::move(bytes));
}
