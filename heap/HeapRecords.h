// The records of a filled heap-query buffer, read at their fixed
// little-endian offsets out of a 32-bit memory image.
//
// Buffer: a 56-byte header, then the pointer to the heap list at offset 56.
// Heap list: a 32-bit count, then one 64-byte record per heap.
// Each heap record points to its array of 16-byte entry records.
#pragma once

#include <cstdint>

#include "heap/MemoryImage.h"

constexpr uint32_t kHeapQueryHeaderSize = 56;  // offset of the heap-list pointer
constexpr uint32_t kHeapListHeaderSize = 4;    // the heap count before the records
constexpr uint32_t kHeapRecordSize = 64;
constexpr uint32_t kHeapEntryRecordSize = 16;

struct HeapRecord {
  uint32_t BaseAddress;      // offset 0
  uint32_t Flags;            // offset 4
  uint16_t EntryOverhead;    // offset 8 (16 bits; offset 10 is reserved)
  uint32_t BytesAllocated;   // offset 12
  uint32_t BytesCommitted;   // offset 16
  uint32_t NumberOfEntries;  // offset 24
  uint32_t Entries;          // offset 60, address of the entry array in the image
};

struct HeapEntryRecord {
  uint32_t Size;     // offset 0
  uint16_t Flags;    // offset 4 (16 bits; offsets 6 to 11 are reserved)
  uint32_t Address;  // offset 12
};

// Decodes records from one filled buffer. Holds a reference to the image,
// which must outlive the reader. Every read is bounds-checked by the image;
// a count in the buffer never drives an allocation.
class HeapQueryReader {
 public:
  HeapQueryReader(const MemoryImage& image, uint32_t bufferAddress);

  // Number of heaps the list claims: 0 when the list pointer is 0 or the
  // count can't be read.
  uint32_t HeapCount() const;

  // Record `index` of the list. False means "no more records": the index
  // is at or past the count, or the record lies outside the image.
  bool ReadHeap(uint32_t index, HeapRecord& out) const;

  // First heap in list order whose BaseAddress equals baseAddress.
  bool FindHeap(uint32_t baseAddress, HeapRecord& out) const;

  // Entry `index` of the heap. False when the index is at or past
  // NumberOfEntries, the heap has no entry array, or the entry lies
  // outside the image.
  bool ReadEntry(const HeapRecord& heap, uint32_t index, HeapEntryRecord& out) const;

 private:
  const MemoryImage& m_image;
  uint32_t m_heaps = 0;  // address of the heap list, 0 when none
  uint32_t m_heapCount = 0;
};
