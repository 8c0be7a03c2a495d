// Where the system's heap-query service puts what the program reads: two
// fields of the buffer's header, the heap list, and the heap and entry
// records. All values little-endian. A 32-bit process's buffer has 4-byte
// pointers and sizes, a 64-bit one's 8-byte ones at naturally aligned
// offsets. The reader, the test image builder and the window tests'
// substitute service share these, so each layout is written down once.
#pragma once

#include <cstdint>

// The width of the processes a program inspects: Tarnwick.exe reads 32-bit
// buffers, Tarnwick64.exe 64-bit ones. The portable core takes it as data
// so that native tests cover both.
enum class Width : uint8_t { Bits32, Bits64 };
constexpr Width kProgramWidth = sizeof(void*) == 8 ? Width::Bits64 : Width::Bits32;

// The largest address of the width; a field or a sum beyond it is not an
// address of that process.
constexpr uint64_t AddressMask(Width width) { return width == Width::Bits64 ? UINT64_MAX : UINT32_MAX; }

struct QueryLayout {
  Width width;
  uint32_t wordSize;  // pointers and sizes: 4 or 8 bytes

  // Buffer header.
  uint32_t heapsPointer;  // address of the heap list, 0 when none
  uint32_t processHeap;   // the target's process heap, first in its list

  // Heap list: a 32-bit count at offset 0, then the records.
  uint32_t firstRecord;  // offset of record 0 in the list
  uint32_t recordSize;   // distance between records

  // Heap record fields (the base address is at 0).
  uint32_t heapFlags;        // 32 bits
  uint32_t entryOverhead;    // 16 bits; the two bytes after it are reserved
  uint32_t bytesAllocated;   // word
  uint32_t bytesCommitted;   // word
  uint32_t numberOfEntries;  // 32 bits
  uint32_t entries;          // word: address of the entry array

  // Entry record (the size, a word, is at 0).
  uint32_t entryRecordSize;
  uint32_t entryFlags;    // 16 bits
  uint32_t entryAddress;  // word: a segment's first block

  bool operator==(const QueryLayout&) const = default;
};

// Up to Windows 11 build 22000 a heap record ends with its entries pointer.
// Later builds append an 8-byte tag to every record; the tag is 8-byte
// aligned, so in a 32-bit list record 0 moves from offset 4 to 8 (4 to 7
// become padding), while a 64-bit list starts at 8 either way.
constexpr QueryLayout kQueryLayout32{Width::Bits32, 4, 56, 76, 4, 64, 4, 8, 12, 16, 24, 60, 16, 4, 12};
constexpr QueryLayout kQueryLayout32Tagged{Width::Bits32, 4, 56, 76, 8, 72, 4, 8, 12, 16, 24, 60, 16, 4, 12};
constexpr QueryLayout kQueryLayout64{Width::Bits64, 8, 112, 152, 8, 88, 8, 12, 16, 24, 36, 80, 32, 8, 24};
constexpr QueryLayout kQueryLayout64Tagged{Width::Bits64, 8, 112, 152, 8, 96, 8, 12, 16, 24, 36, 80, 32, 8, 24};

// The last build that writes untagged records.
constexpr uint32_t kLastUntaggedBuild = 22000;

constexpr const QueryLayout& LayoutOf(Width width, bool tagged) {
  if (width == Width::Bits64) return tagged ? kQueryLayout64Tagged : kQueryLayout64;
  return tagged ? kQueryLayout32Tagged : kQueryLayout32;
}

// Bytes of a record that hold fields the program reads: every field lies
// before the tag.
constexpr uint32_t FieldBytes(const QueryLayout& layout) { return layout.entries + layout.wordSize; }
constexpr uint32_t kLargestFieldBytes = 88;
constexpr uint32_t kLargestEntryRecordSize = 32;
static_assert(FieldBytes(kQueryLayout32) <= kLargestFieldBytes && FieldBytes(kQueryLayout64) <= kLargestFieldBytes);
static_assert(FieldBytes(kQueryLayout32) == 64 && FieldBytes(kQueryLayout64) == 88);

inline uint16_t GetLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t GetLe64(const uint8_t* p) { return GetLe32(p) | (uint64_t{GetLe32(p + 4)} << 32); }

// A pointer or size field of the layout's width.
inline uint64_t GetWord(const QueryLayout& layout, const uint8_t* p) {
  return layout.wordSize == 8 ? GetLe64(p) : GetLe32(p);
}

inline void PutLe16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutLe64(uint8_t* p, uint64_t value) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes the low wordSize bytes of value.
inline void PutWord(const QueryLayout& layout, uint8_t* p, uint64_t value) {
  if (layout.wordSize == 8)
    PutLe64(p, value);
  else
    PutLe32(p, static_cast<uint32_t>(value));
}
