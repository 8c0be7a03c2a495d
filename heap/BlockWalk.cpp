#include "heap/BlockWalk.h"

namespace {

bool IsSegment(const HeapEntryRecord& entry) { return (entry.Flags & kEntryFlagSegment) != 0; }

// Addresses wrap as the inspected process's own pointers would.
uint64_t AddressSum(const HeapQueryReader& reader, uint64_t address, uint64_t offset) {
  return (address + offset) & AddressMask(reader.Layout().width);
}

// The kind comes from the block's own flags only: a block with none of the
// busy bits is free (0x0100 on older systems, no bit at all on newer ones).
uint32_t ClassifyBlock(const HeapEntryRecord& entry) {
  return (entry.Flags & (kEntryFlagsFixed | kEntryFlagFixedExtra)) != 0 ? kBlockKindFixed : kBlockKindFree;
}

// Steps over the run of segment entries starting at `entry` (entry i). On
// success `entry` is the first block entry after the run, cursor.Index its
// index, and cursor.Address the address the last segment entry gives.
bool SkipSegments(const HeapQueryReader& reader, const HeapRecord& heap, uint32_t i, HeapEntryRecord& entry,
                  BlockCursor& cursor) {
  while (IsSegment(entry)) {
    cursor.Address = AddressSum(reader, entry.Address, heap.EntryOverhead);
    ++i;
    if (i >= heap.NumberOfEntries || !reader.ReadEntry(heap, i, entry)) return false;
    cursor.Index = i;
  }
  return true;
}

}  // namespace

bool BlockWalkFirst(const HeapQueryReader& reader, const HeapRecord& heap, BlockCursor& cursor) {
  cursor.Index = 0;
  cursor.Address = 0;
  cursor.Kind = kBlockKindFree;
  HeapEntryRecord entry{};
  if (heap.NumberOfEntries == 0 || !reader.ReadEntry(heap, 0, entry)) return false;
  // When entry 0 is a block, Address stays 0 and the first run's
  // addresses are offsets from 0.
  if (!SkipSegments(reader, heap, 0, entry, cursor)) return false;
  cursor.Size = entry.Size;
  cursor.Kind = ClassifyBlock(entry);
  return true;
}

bool BlockWalkNext(BlockCursor& cursor, const HeapQueryReader& reader, const HeapRecord& heap) {
  const uint32_t i = cursor.Index;
  HeapEntryRecord entry{};
  if (i >= heap.NumberOfEntries || !reader.ReadEntry(heap, i, entry)) return false;
  if (IsSegment(entry)) {
    if (!SkipSegments(reader, heap, i, entry, cursor)) return false;
  } else {
    // The next block follows the current one directly.
    cursor.Address = AddressSum(reader, cursor.Address, cursor.Size);
  }
  cursor.Size = entry.Size;
  cursor.Kind = ClassifyBlock(entry);
  return true;
}
