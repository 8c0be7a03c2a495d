// Where the system's heap-query service puts what the program reads: two
// fields of the buffer's header, the heap list, and the heap and entry
// records. All values little-endian, addresses 32 bits. The reader, the test
// image builder and the window tests' substitute service share these, so
// the layout is written down once.
#pragma once

#include <cstdint>

// Buffer header.
constexpr uint32_t kQueryHeapsPointerOffset = 56;  // address of the heap list, 0 when none
constexpr uint32_t kQueryProcessHeapOffset = 76;   // the target's process heap, first in its list

// Heap list: a 32-bit count at offset 0, then the records. Up to Windows 11
// build 22000 a record is 64 bytes and record 0 starts at offset 4. Later
// builds append an 8-byte tag to every record; the tag is 8-byte aligned, so
// record 0 moves to offset 8 and offsets 4 to 7 are padding.
struct HeapListLayout {
  uint32_t firstRecord;  // offset of record 0 in the list
  uint32_t recordSize;   // distance between records
  bool operator==(const HeapListLayout&) const = default;
};
constexpr HeapListLayout kHeapListUntagged{4, 64};
constexpr HeapListLayout kHeapListTagged{8, 72};
// The last build that writes untagged records.
constexpr uint32_t kLastUntaggedBuild = 22000;

// Heap record: fields the program reads, all within the first 64 bytes of a
// record of either layout.
constexpr uint32_t kHeapRecordSize = 64;
constexpr uint32_t kHeapBaseAddressOffset = 0;
constexpr uint32_t kHeapFlagsOffset = 4;
constexpr uint32_t kHeapEntryOverheadOffset = 8;  // 16 bits; 10 and 11 are reserved
constexpr uint32_t kHeapBytesAllocatedOffset = 12;
constexpr uint32_t kHeapBytesCommittedOffset = 16;
constexpr uint32_t kHeapNumberOfEntriesOffset = 24;
constexpr uint32_t kHeapEntriesOffset = 60;

// Entry record, the same in both layouts.
constexpr uint32_t kHeapEntryRecordSize = 16;
constexpr uint32_t kEntrySizeOffset = 0;
constexpr uint32_t kEntryFlagsOffset = 4;  // 16 bits; 6 to 11 are reserved
constexpr uint32_t kEntryAddressOffset = 12;

inline uint16_t GetLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}
