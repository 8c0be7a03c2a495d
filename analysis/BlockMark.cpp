#include "analysis/BlockMark.h"

#include <utility>

#include "heap/SortRuns.h"

void BlockMark::Make(uint32_t processId, uint64_t heapBase, ClockTime time, const BlockRows& rows,
                     const TypeNames& names) {
  // Counted first, so the blocks take one allocation of their exact size.
  size_t busy = 0;
  for (size_t w = 0; w < rows.Count(); ++w) busy += rows.InWalkOrder(w).Free() ? 0 : 1;
  std::vector<MarkedBlock> blocks;
  blocks.reserve(busy);
  for (size_t w = 0; w < rows.Count(); ++w) {
    const BlockRowValues& row = rows.InWalkOrder(w);
    if (!row.Free()) blocks.push_back({row.address, row.size, row.type < names.Count() ? row.type : kTypeUnknown});
  }
  SortByRuns(blocks, AddressOrder);
  m_blocks = std::move(blocks);
  m_types = names;
  m_processId = processId;
  m_heapBase = heapBase;
  m_time = time;
  m_set = true;
}

void BlockMark::Clear() { *this = BlockMark{}; }
