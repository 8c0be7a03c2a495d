// What the heap target (target/HeapTarget.cpp) reports about itself, and
// how the window tests turn that into expectations: the bytes of a known
// block, and a substitute heap-query scenario that describes the target's
// real heaps in the system's record layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/SubstituteHeapQuery.h"

// One HeapWalk result of the target. The region fields are set for region
// entries (flags & 0x0001) only.
struct WalkEntry {
  uint64_t data = 0;      // lpData
  uint32_t size = 0;      // cbData
  uint32_t overhead = 0;  // cbOverhead
  uint16_t flags = 0;     // wFlags: 0x0001 region, 0x0002 uncommitted, 0x0004 busy, 0 free
  uint32_t regionIndex = 0;
  uint32_t committed = 0;
  uint32_t uncommitted = 0;
  uint64_t firstBlock = 0;
  uint64_t lastBlock = 0;
};

// A block the target allocated and filled with ExpectedBlockBytes(index, size).
struct KnownBlock {
  int index = 0;
  uint64_t address = 0;
  uint32_t size = 0;
  uint64_t heap = 0;  // handle of the heap that holds it
};

struct TargetReport {
  struct Heap {
    uint64_t handle = 0;
    std::string role;  // "private", "process" or "other"
    std::vector<WalkEntry> entries;
  };
  uint32_t processId = 0;
  std::vector<Heap> heaps;  // the private heap, the process heap, then the others
  std::vector<KnownBlock> blocks;
  uint64_t unreadableAddress = 0;  // reads there (1 byte, 4 KB) fail
  uint64_t readableEdge = 0;       // reads before it succeed, from it fail; 0 when none was made

  const Heap* FindHeap(const std::string& role) const;
  const KnownBlock* FindBlock(int index) const;
};

// Parses the report file's text; false when a line is malformed or the
// closing "end" line is missing.
bool ParseTargetReport(const std::string& text, TargetReport& out);

// The bytes the target put into known block `index`.
std::vector<uint8_t> ExpectedBlockBytes(int index, uint32_t size);

// How ScenarioFromReport lays the walk out. The walk of the records adds
// EntryOverhead to a segment entry's address and then each block's size, but
// real blocks sit apart by their headers and padding. So every walk entry
// whose data address is not where the previous block ended is preceded by a
// segment entry at (its address - kScenarioEntryOverhead); a region entry
// becomes a segment entry at the region's first block (whose header, under
// Wine, is 8 bytes before its data). The walk of the scenario thus yields
// exactly the target's busy, free and uncommitted entries, with their real
// addresses and sizes, in walk order.
constexpr uint16_t kScenarioEntryOverhead = 8;
constexpr uint32_t kScenarioHeapFlags = 0x00000002;  // growable, as every walked heap is
constexpr uint16_t kScenarioBusyFlags = 0x0001;      // busy entry
constexpr uint16_t kScenarioFreeFlags = 0x0100;      // free entry or uncommitted range
constexpr uint16_t kScenarioSegmentFlags = 0x0002;

// One heap's walk in that layout. BytesAllocated is the sum of the busy
// sizes, BytesCommitted the sum of the regions' committed sizes. Block
// entries carry 0 as their address (the walk must not read it); segment
// entries carry the size of the region, or 0 for the ones added in between.
SubstituteHeap SubstituteHeapFromWalk(const TargetReport::Heap& heap);

// All heaps of the report in report order, and onlyProcessId set to the
// target's identifier.
SubstituteScenario ScenarioFromReport(const TargetReport& report);
