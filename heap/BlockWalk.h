// The walk over one heap's entry array, turning segment and block entries
// into a sequence of blocks with address, size and kind.
#pragma once

#include <cstdint>

#include "heap/HeapRecords.h"

// What a block is: its Allocation Type and Status. The walk of entries
// knows fixed and free blocks only; the system's items also tell LFH slots
// and large blocks.
constexpr uint32_t kBlockKindFixed = 1;
constexpr uint32_t kBlockKindFree = 2;
constexpr uint32_t kBlockKindLfh = 3;
constexpr uint32_t kBlockKindLarge = 4;

// Entry flag bits the walk tests.
constexpr uint16_t kEntryFlagSegment = 0x0002;
constexpr uint16_t kEntryFlagsFixed = 0x00F1;
constexpr uint16_t kEntryFlagFixedExtra = 0x0200;
// Windows 7 and 8.1 marked free blocks 0x0100; Windows 10 and 11 write
// flags 0 for them (0x0100 is never written there). A block entry with no
// busy bit is free either way.
constexpr uint16_t kEntryFlagFree = 0x0100;

struct BlockCursor {
  uint64_t Address;  // address of the current block in the inspected process
  uint64_t Size;     // size of the current block
  uint32_t Kind;     // kBlockKind...
  uint32_t Index;    // index of the entry the cursor stands on
};

// Positions the cursor on the heap's first block. False when the heap has
// no block (no entries, only segment entries, or an unreadable entry).
bool BlockWalkFirst(const HeapQueryReader& reader, const HeapRecord& heap, BlockCursor& cursor);

// Moves to the next block. The caller has already advanced cursor.Index to
// the entry after the current block. False when the entries run out or an
// entry can't be read.
bool BlockWalkNext(BlockCursor& cursor, const HeapQueryReader& reader, const HeapRecord& heap);
