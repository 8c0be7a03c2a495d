// What the block table's tests and its sorting's share: heaps described
// for the substitute service, and a fresh dialog with this process chosen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "support/SubstituteFixture.h"
#include "SubstituteHeapQuery.h"

inline SubstituteEntry Segment(uint64_t firstBlock) { return {0x00010000, 0x0002, firstBlock}; }
inline SubstituteEntry Block(uint64_t size, uint16_t flags) { return {size, flags, 0xBAD0BAD0BAD0BAD0}; }

inline SubstituteHeap Heap(uint64_t base, std::vector<SubstituteEntry> entries) {
  SubstituteHeap heap;
  heap.baseAddress = base;
  heap.flags = 0x00000002;
  heap.entryOverhead = 8;
  heap.entries = std::move(entries);
  return heap;
}

// A segment, then `blocks` fixed blocks of 0x10 bytes.
inline SubstituteHeap HeapOfBlocks(uint64_t base, int blocks) {
  std::vector<SubstituteEntry> entries = {Segment(base + 0x580)};
  entries.insert(entries.end(), static_cast<size_t>(blocks), Block(0x10, 0x0001));
  return Heap(base, entries);
}

class BlockTable : public SubstituteFixture {
 protected:
  // The scenario for this process, the process chosen (node table filled).
  void ChooseWith(std::vector<SubstituteHeap> heaps) {
    SubstituteScenario scenario;
    scenario.heaps = std::move(heaps);
    scenario.onlyProcessId = ::GetCurrentProcessId();
    SetSubstituteScenario(scenario);
    ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
    ResetSubstituteCounters();
  }
  void ClickNode(int row) { dlg.ClickRow(dlg->m_nodeList, row); }
};
