// The records of a filled heap-query buffer, read at their fixed
// little-endian offsets (heap/HeapLayout.h) out of a memory image, in the
// layout of a 32-bit or a 64-bit process.
#pragma once

#include <cstdint>

#include "heap/HeapLayout.h"
#include "heap/MemoryImage.h"

struct HeapRecord {
  uint64_t BaseAddress;
  uint32_t Flags;
  uint16_t EntryOverhead;
  uint64_t BytesAllocated;
  uint64_t BytesCommitted;
  uint32_t NumberOfEntries;
  uint64_t Entries;  // address of the entry array in the image
};

struct HeapEntryRecord {
  uint64_t Size;
  uint16_t Flags;
  uint64_t Address;
};

// A record's fields from or into its bytes (FieldBytes(layout) and
// layout.entryRecordSize bytes); reserved bytes are neither read nor
// written. Values wider than the layout's words keep their low bytes.
HeapRecord DecodeHeapRecord(const QueryLayout& layout, const uint8_t* bytes);
HeapEntryRecord DecodeHeapEntry(const QueryLayout& layout, const uint8_t* bytes);
void EncodeHeapRecord(const QueryLayout& layout, const HeapRecord& record, uint8_t* out);
void EncodeHeapEntry(const QueryLayout& layout, const HeapEntryRecord& entry, uint8_t* out);

// Which of the width's two layouts the heap list of a filled buffer has.
// 32-bit: the header names the target's process heap, which the service
// always lists first, and the list offset at which that base address
// appears decides. 64-bit: record 0 starts at 8 in both, so the records
// after it decide: only the right record size gives records whose bases
// are non-zero and 64 KiB-aligned and whose entry arrays are null or
// readable. When the buffer can't tell (no heap, no process heap or no
// match; one heap, or both or neither size plausible), the system's build
// number does; 0 stands for a build that could not be learned.
const QueryLayout& ChooseHeapListLayout(const MemoryImage& image, uint64_t bufferAddress, Width width,
                                        uint32_t systemBuild);

// Decodes records from one filled buffer. Holds a reference to the image,
// which must outlive the reader. Every read is bounds-checked by the image;
// a count in the buffer never drives an allocation. An address that would
// leave the layout's address space (a wrapped one would land on unrelated
// bytes) is not read.
class HeapQueryReader {
 public:
  HeapQueryReader(const MemoryImage& image, uint64_t bufferAddress, const QueryLayout& layout);

  const QueryLayout& Layout() const { return m_layout; }

  // Number of heaps the list claims: 0 when the list pointer is 0 or the
  // count can't be read.
  uint32_t HeapCount() const;
  // Whether the buffer names a heap list it can be read from (a list of
  // no heaps included).
  bool HasHeapList() const { return m_heaps != 0; }

  // Record `index` of the list. False means "no more records": the index
  // is at or past the count, or the record lies outside the image.
  bool ReadHeap(uint32_t index, HeapRecord& out) const;

  // First heap in list order whose BaseAddress equals baseAddress.
  bool FindHeap(uint64_t baseAddress, HeapRecord& out) const;

  // Entry `index` of the heap. False when the index is at or past
  // NumberOfEntries, the heap has no entry array, or the entry lies
  // outside the image.
  bool ReadEntry(const HeapRecord& heap, uint32_t index, HeapEntryRecord& out) const;

 private:
  const MemoryImage& m_image;
  QueryLayout m_layout;
  uint64_t m_heaps = 0;  // address of the heap list, 0 when none
  uint32_t m_heapCount = 0;
};
