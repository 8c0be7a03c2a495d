// Builds a memory image laid out like a filled heap-query buffer, for tests
// and for services that stand in for the system's: the header with the
// heap-list pointer and the process heap (record 0's base address, 0 when
// there is no heap), the heap list (count and records in the layout asked
// for) at FixtureHeapListOffset, then the entry arrays in heap order, the
// last one ending the image. Pointers are addresses in the image, so bytes
// built for a base can be copied to that address and used in place. Bytes
// that no field occupies hold kFixtureReservedByte.
#pragma once

#include <cstdint>
#include <vector>

#include "heap/HeapRecords.h"
#include "heap/MemoryImage.h"

constexpr uint8_t kFixtureReservedByte = 0xCD;

// Right after the header's last field, 16-byte aligned: 80 or 160.
constexpr uint32_t FixtureHeapListOffset(const QueryLayout& layout) {
  return (layout.processHeap + layout.wordSize + 15) / 16 * 16;
}

struct FixtureHeap {
  HeapRecord record;
  std::vector<HeapEntryRecord> entries;
};

// With withEntries, each record's Entries and NumberOfEntries come from its
// entry vector; without, the records are written as given and no entry
// array is laid out (a summary-only query, or a deliberately bad record).
// Throws std::length_error when the image would not fit in the layout's
// address space.
FixtureImage BuildQueryImage(uint64_t base, const std::vector<FixtureHeap>& heaps, bool withEntries = true,
                             const QueryLayout& layout = kQueryLayout32);

// A buffer whose heap-list pointer is 0: a query that delivered no heaps.
FixtureImage BuildEmptyQueryImage(uint64_t base, const QueryLayout& layout = kQueryLayout32);

// Offset in a built image of byte `field` of heap record `index`.
uint64_t FixtureHeapFieldOffset(uint32_t index, uint32_t field, const QueryLayout& layout = kQueryLayout32);
