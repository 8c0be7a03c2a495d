// The records of a filled heap-query buffer, read at their fixed
// little-endian offsets (heap/HeapLayout.h) out of a 32-bit memory image.
#pragma once

#include <cstdint>

#include "heap/HeapLayout.h"
#include "heap/MemoryImage.h"

struct HeapRecord {
  uint32_t BaseAddress;
  uint32_t Flags;
  uint16_t EntryOverhead;
  uint32_t BytesAllocated;
  uint32_t BytesCommitted;
  uint32_t NumberOfEntries;
  uint32_t Entries;  // address of the entry array in the image
};

struct HeapEntryRecord {
  uint32_t Size;
  uint16_t Flags;
  uint32_t Address;
};

// A record's fields from or into its bytes (kHeapRecordSize and
// kHeapEntryRecordSize bytes); reserved bytes are neither read nor written.
HeapRecord DecodeHeapRecord(const uint8_t* bytes);
HeapEntryRecord DecodeHeapEntry(const uint8_t* bytes);
void EncodeHeapRecord(const HeapRecord& record, uint8_t* out);
void EncodeHeapEntry(const HeapEntryRecord& entry, uint8_t* out);

// Which layout the heap list of a filled buffer has. The header names the
// target's process heap, which the service always lists first: the list
// offset at which that base address appears decides. When it can't (no
// heap, no process heap, or no match), the system's build number does;
// 0 stands for a build that could not be learned.
HeapListLayout ChooseHeapListLayout(const MemoryImage& image, uint32_t bufferAddress, uint32_t systemBuild);

// Decodes records from one filled buffer. Holds a reference to the image,
// which must outlive the reader. Every read is bounds-checked by the image;
// a count in the buffer never drives an allocation.
class HeapQueryReader {
 public:
  HeapQueryReader(const MemoryImage& image, uint32_t bufferAddress, HeapListLayout layout);

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
  HeapListLayout m_layout;
  uint32_t m_heaps = 0;  // address of the heap list, 0 when none
  uint32_t m_heapCount = 0;
};
