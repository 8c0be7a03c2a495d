// The system's extended heap information (class 2, level 5): one item per
// region, range and block of a heap, handed to a callback of ours one by
// one. Each item starts with its type and its own size in bytes (a 32-bit
// type, then a word), then its payload of pointer-sized fields at 16 (8 in
// a 32-bit process). A block item carries the address HeapAlloc returned,
// its data size and whether it is busy, an LFH slot or a large block; a
// block with extra information is followed, inside the item, by a chain of
// records {next (byte), type (32 bits), size (word), ...}, each at the
// next word boundary after the one before, the last with next 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "heap/BlockRows.h"
#include "heap/HeapLayout.h"

constexpr uint32_t kHeapExtendedInformationClass = 2;
constexpr uint32_t kHeapItemLevelBlocks = 5;  // regions, ranges and blocks

constexpr uint32_t kHeapItemRegion = 3;
constexpr uint32_t kHeapItemRange = 4;
constexpr uint32_t kHeapItemBlock = 5;

// Block item flags.
constexpr uint32_t kItemBlockBusy = 0x1;
constexpr uint32_t kItemBlockExtra = 0x2;
constexpr uint32_t kItemBlockLarge = 0x4;
constexpr uint32_t kItemBlockLfh = 0x8;
// Range item types.
constexpr uint32_t kItemRangeCommitted = 1;
constexpr uint32_t kItemRangeUncommitted = 2;
// The extra record that holds the settable value, tag and back-trace index.
constexpr uint32_t kItemExtraSettable = 1;

// No item the system writes comes near this; a size beyond it is refused
// rather than read.
constexpr uint64_t kLargestHeapItemBytes = 0x1000;

// Where the fields lie for a width: the item header, and the payload's
// fields counted in words from the payload (w = 4 or 8).
struct HeapItemLayout {
  uint32_t word;     // 4 or 8
  uint32_t payload;  // 8 or 16
  // Region: address, reserve, commit, first range, next region.
  // Range: address, size, type and protection (32 bits each), first block, next range.
  // Block: address, flags (32 bits, padded to a word), data size, overhead, next block.
  constexpr uint32_t Field(uint32_t words, uint32_t extraBytes = 0) const { return payload + words * word + extraBytes; }
  constexpr uint32_t RegionBytes() const { return Field(5); }
  constexpr uint32_t RangeBytes() const { return Field(4, 8); }
  constexpr uint32_t BlockBytes() const { return Field(5); }
  // An extra record: next (byte) at 0, type (32 bits) at 4, size (word) at
  // 8, then for the settable record: value (word), tag and back-trace
  // index (16 bits each).
  constexpr uint32_t ExtraHeaderBytes() const { return 8 + word; }
  constexpr uint32_t ExtraSettableBytes() const { return 8 + 2 * word + 4; }
};
constexpr HeapItemLayout ItemLayoutOf(Width width) {
  return width == Width::Bits64 ? HeapItemLayout{8, 16} : HeapItemLayout{4, 8};
}
static_assert(ItemLayoutOf(Width::Bits64).BlockBytes() == 56 && ItemLayoutOf(Width::Bits32).BlockBytes() == 28);
static_assert(ItemLayoutOf(Width::Bits64).RangeBytes() == 56 && ItemLayoutOf(Width::Bits32).RangeBytes() == 32);

// The request: process handle, heap (its base), level (32 bits), callback,
// callback context, then the output the system fills (a heap's information:
// six fields). 0x58 bytes in a 64-bit process, 0x2C in a 32-bit one.
struct HeapRequestLayout {
  uint32_t process, heap, level, callback, context, output, size;
};
constexpr HeapRequestLayout RequestLayoutOf(Width width) {
  const uint32_t w = width == Width::Bits64 ? 8 : 4;
  return {0, w, 2 * w, 3 * w, 4 * w, 5 * w, 11 * w};
}
static_assert(RequestLayoutOf(Width::Bits64).size == 0x58 && RequestLayoutOf(Width::Bits32).size == 0x2C);

struct HeapItem {
  uint32_t type = 0;
  uint64_t address = 0;
  uint64_t size = 0;    // region: reserved; range: its size; block: data size
  uint64_t commit = 0;  // region: committed
  uint32_t flags = 0;   // block: kItemBlock...; range: kItemRange...
  uint64_t overhead = 0;
  // From the block's settable extra record, when it has one.
  bool hasSettable = false;
  uint64_t settableValue = 0;
  uint16_t tagIndex = 0;
  uint16_t backTraceIndex = 0;
};

// The item at bytes, of which `available` can be read. False (out
// untouched) when the header does not fit, the item's own size is beyond
// `available` or kLargestHeapItemBytes, or too small for its type's fields,
// or a block's extra chain leaves the item or has a record too small for
// its header. Items of other types give their type only.
bool ReadHeapItem(Width width, const uint8_t* bytes, size_t available, HeapItem& out);

// The item's own size from its header (the first ItemHeaderBytes bytes).
constexpr uint32_t ItemHeaderBytes(Width width) { return 2 * ItemLayoutOf(width).word; }
uint64_t HeapItemSize(Width width, const uint8_t* header);

// The block-table row of a block item: its address and data size; busy
// blocks are LFH slots, large blocks or fixed blocks, the rest free.
// Nothing for regions and ranges.
std::optional<BlockRowValues> BlockRowOfItem(const HeapItem& item);

// What the extended call's status means: rows (success), the walk of the
// 0x14 query's entries (a system without the class: STATUS_INVALID_INFO_CLASS
// or STATUS_INVALID_PARAMETER), or a failure reported with that status.
enum class ItemAnswer { Rows, UseWalk, Failed };
constexpr int32_t kStatusInvalidInfoClass = static_cast<int32_t>(0xC0000003);
constexpr int32_t kStatusInvalidParameter = static_cast<int32_t>(0xC000000D);
ItemAnswer JudgeItemAnswer(int32_t status);
