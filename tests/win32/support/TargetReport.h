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

// An object the target made in its private heap, its class named as the
// program shows it.
struct KnownObject {
  uint64_t address = 0;
  uint32_t size = 0;
  std::string type;
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
  std::vector<KnownObject> objects;
  uint64_t pointerBlock = 0;       // the block of pointers (target/BlockPattern.h), 0 when none
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

// What the program should tell of the target's busy block at address: its
// type (an object's class, "(8-bit text)", "(UTF-16 text)" or "(unknown)"),
// and its Contents cell (the class; a text's first forty characters quoted,
// L"..." for UTF-16, then "..." as every text goes on; else nothing).
std::string ExpectedTypeName(const TargetReport& report, uint64_t address);
std::string ExpectedContents(const TargetReport& report, uint64_t address);

// One heap's walk as the system describes it. Its items: a region item
// for each region entry (with a committed range after it), a range item of
// type 2 for each uncommitted range, a block item for each busy or free
// block at its real address with its data size and overhead (every fifth
// busy one with extra information). Its 0x14 entries are made from those
// items as Windows 10 and 11 make them (EntriesFromItems), with the NT
// heap's EntryOverhead of the width (16 or 8). BytesAllocated is the sum of
// the busy sizes, BytesCommitted the sum of the regions' committed sizes.
SubstituteHeap SubstituteHeapFromWalk(const TargetReport::Heap& heap);

// All heaps of the report in report order, the extended class known, and
// onlyProcessId set to the target's identifier.
SubstituteScenario ScenarioFromReport(const TargetReport& report);
