// The first bytes of every busy block of a table, read to tell what each
// block holds. Blocks that follow each other in walk order within a
// window of address space are read together (the system lists a heap's
// blocks in address order, region by region); a window that can't be read
// is tried in halves down to the single block, so an unreadable block
// costs only itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/BlockContents.h"
#include "blockdata/FindBlock.h"
#include "heap/BlockRows.h"
// The widest window read at once.
constexpr uint64_t kHeadWindowBytes = 1u << 20;

class BlockHeadVisitor {
 public:
  virtual ~BlockHeadVisitor() = default;
  // The first `count` bytes of the busy block of walk index (min of its
  // size and kHeadBytes; fewer when the system copied fewer).
  virtual void Head(size_t walkIndex, const uint8_t* bytes, size_t count) = 0;
};

// Visits the head of every busy block that can be read, in walk order;
// blocks of size 0 and free blocks are not read. Returns the blocks that
// could not be read.
uint32_t ReadBlockHeads(const BlockRows& rows, BlockBytesReader& reader, BlockHeadVisitor& visitor);
