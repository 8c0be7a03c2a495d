#include "heap/SegmentHeap.h"

uint64_t NodeAllocatedBytes(const HeapQueryReader& reader, const HeapRecord& heap, bool segmentHeap) {
  // A summary-only answer has no entry array.
  if (!segmentHeap || heap.Entries == 0 || heap.NumberOfEntries == 0) return heap.BytesAllocated;
  uint64_t busy = 0;
  HeapEntryRecord entry;
  for (uint32_t i = 0; i < heap.NumberOfEntries; ++i) {
    if (!reader.ReadEntry(heap, i, entry)) return heap.BytesAllocated;
    if ((entry.Flags & kEntryFlagBusy) && !(entry.Flags & kEntryFlagSegment)) busy += entry.Size;
  }
  return busy & AddressMask(reader.Layout().width);
}
