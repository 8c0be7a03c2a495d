// A mark: the busy blocks of one heap (address, size and type of each) as
// the block table held them when the user marked it, so that a later fill
// of the same heap can tell what came and went since. One mark at a time.
// Types index the mark's own copy of the table's names: a later fill
// numbers its classes afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"

struct MarkedBlock {
  uint64_t address;
  uint64_t size;
  uint32_t type;  // an index of the mark's Types()
};
static_assert(sizeof(MarkedBlock) == 24, "a mark of a million blocks is 24 MB: the type and padding take 8 bytes");

// The local time the mark was made, as the user's clock read it.
struct ClockTime {
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
};

class BlockMark {
 public:
  // Remembers the busy blocks of rows with their types (indexes of names,
  // the rows' table's; one beyond them is kept as kTypeUnknown), the heap
  // they are of and the time. What was marked before is forgotten. A heap
  // with no busy block gives a mark with none, which is still a mark.
  void Make(uint32_t processId, uint64_t heapBase, ClockTime time, const BlockRows& rows,
            const TypeNames& names = TypeNames{});
  // Forgets the mark and gives its memory back.
  void Clear();

  bool IsSet() const { return m_set; }
  // Whether the mark is of this process's heap at heapBase.
  bool IsOf(uint32_t processId, uint64_t heapBase) const {
    return m_set && m_processId == processId && m_heapBase == heapBase;
  }
  uint32_t ProcessId() const { return m_processId; }
  uint64_t HeapBase() const { return m_heapBase; }
  ClockTime Time() const { return m_time; }
  // By address, then size.
  const std::vector<MarkedBlock>& Blocks() const { return m_blocks; }
  const TypeNames& Types() const { return m_types; }

 private:
  std::vector<MarkedBlock> m_blocks;
  TypeNames m_types;
  uint32_t m_processId = 0;
  uint64_t m_heapBase = 0;
  ClockTime m_time{};
  bool m_set = false;
};

// The order a mark and a comparison keep blocks in.
constexpr bool AddressOrder(const MarkedBlock& a, const MarkedBlock& b) {
  return a.address != b.address ? a.address < b.address : a.size < b.size;
}
