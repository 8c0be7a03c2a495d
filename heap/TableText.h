// Texts of the node table and the block table. Addresses, sizes and flags
// read "0x%.8x", indexes and counts "%d"; the formatting is done by hand
// (one heap can have millions of blocks) but gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"

// "0x" and eight lower-case hexadecimal digits, then NUL; returns 10.
// out needs 11 bytes.
size_t FormatHex32(uint32_t value, char* out);

// "%d" then NUL; returns the length without the NUL. out needs 12 bytes.
size_t FormatDecimal(int32_t value, char* out);

// Reads a number the way "%x" does: white space skipped, an optional sign,
// an optional 0x/0X prefix, hexadecimal digits up to the first other
// character. A minus sign negates modulo 2^32; more than eight digits keep
// the low 32 bits. False, with out untouched, when there is no digit.
bool ParseHex32(const char* text, uint32_t& out);

inline constexpr const char kBlockCaptionText[] = "Heap Blocks within the selected Node";

inline constexpr const char kAllocationTypeFixed[] = "FIXED";
inline constexpr const char kAllocationTypeFree[] = "Not applicable";
inline constexpr const char kAllocationTypeUnknown[] = "Unknown";
inline constexpr const char kBlockStatusFree[] = "Free";
inline constexpr const char kBlockStatusAllocated[] = "Allocated";

struct BlockRowTexts {
  char index[12];
  char address[11];
  char size[11];
  const char* allocationType;
  const char* status;
};

// The five cells of block-table row `row` (counted from 0).
void MakeBlockRowTexts(uint32_t row, const BlockCursor& cursor, BlockRowTexts& out);

struct NodeRowTexts {
  char cells[6][12];  // index, base, blocks, committed, allocated, flags
};

// The six cells of node-table row `index` (counted from 0).
void MakeNodeRowTexts(uint32_t index, const HeapRecord& heap, NodeRowTexts& out);

// "Heap Blocks within the selected Node - processing %d of %d blocks...",
// cut to fit `size` bytes; returns buffer.
const char* BlockProgressText(uint32_t done, uint32_t total, char* buffer, size_t size);
