// Segment heaps (Windows 10 on: packaged apps, several system processes)
// are told by a signature in the heap itself; the query's record of such a
// heap does not carry its allocated bytes, so they are counted from its
// busy entries when the answer holds them.
#pragma once

#include <cstdint>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"

constexpr uint32_t kSegmentHeapSignature = 0xDDEEDDEE;
// Where the 4-byte signature lies, from the heap's base address.
constexpr uint64_t SegmentSignatureOffset(Width width) { return width == Width::Bits64 ? 0x10 : 0x8; }

// Entry flag of a busy block (a segment entry, kEntryFlagSegment, is none).
constexpr uint16_t kEntryFlagBusy = 0x0001;

// The "Allocated" value of the node table: for a segment heap whose
// entries the answer holds, the sum of its busy entries' sizes (segment
// entries left out); else, or when an entry can't be read, the record's
// BytesAllocated.
uint64_t NodeAllocatedBytes(const HeapQueryReader& reader, const HeapRecord& heap, bool segmentHeap);
