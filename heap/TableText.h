// Texts of the node table and the block table. Indexes and counts read
// "%d", flags "0x%.8x"; sizes "0x%.8x" in a 32-bit program and "0x%.8llx" in
// a 64-bit one, addresses "0x%.8x" and "0x%.16llx". The formatting is done
// by hand (one heap can have millions of blocks) but gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"

// Room for "0x", sixteen digits and the NUL.
constexpr size_t kHexTextSize = 19;

// "0x" and at least minDigits lower-case hexadecimal digits (as many as the
// value needs beyond that), then NUL; returns the length. out needs
// kHexTextSize bytes.
size_t FormatHex(uint64_t value, unsigned minDigits, char* out);

// The digits of an address of the width: 8 or 16.
constexpr unsigned AddressDigits(Width width) { return width == Width::Bits64 ? 16 : 8; }

// "%d" then NUL; returns the length without the NUL. out needs 12 bytes.
size_t FormatDecimal(int32_t value, char* out);

// "%+d" then NUL: a sign always, "+0" for 0; returns the length. out needs
// 12 bytes.
size_t FormatSignedDecimal(int32_t value, char* out);

// A change of a size: '+' or '-', then the magnitude as FormatHex writes
// it ("+0x00000120", "-0x00000010"; 0 is "+0x00000000"). out needs
// kSignedHexTextSize bytes.
constexpr size_t kSignedHexTextSize = kHexTextSize + 1;
size_t FormatSignedHex(int64_t value, unsigned minDigits, char* out);

// The value of a hexadecimal digit, or -1; and the white space "%x" skips.
int HexDigitValue(char c);
bool IsTextSpace(char c);

// Reads a number the way "%llx" does: white space skipped, an optional
// sign, an optional 0x/0X prefix, hexadecimal digits up to the first other
// character. A minus sign negates modulo 2^64; more than sixteen digits keep
// the low 64 bits. False, with out untouched, when there is no digit.
// Masked with AddressMask(Width::Bits32) it reads as "%x" does.
bool ParseHex(const char* text, uint64_t& out);

inline constexpr const char kNodeCaptionText[] = "Heap Nodes of the selected Process";
inline constexpr const char kBlockCaptionText[] = "Heap Blocks within the selected Node";

inline constexpr const char kAllocationTypeFixed[] = "FIXED";
inline constexpr const char kAllocationTypeFree[] = "Not applicable";
inline constexpr const char kAllocationTypeLfh[] = "LFH";
inline constexpr const char kAllocationTypeLarge[] = "Large";
inline constexpr const char kBlockStatusFree[] = "Free";
inline constexpr const char kBlockStatusAllocated[] = "Allocated";

struct BlockRowTexts {
  char index[12];
  char address[kHexTextSize];
  char size[kHexTextSize];
  const char* allocationType;
  const char* status;
};

// The Allocation Type of a kind (kBlockKind...).
const char* AllocationTypeText(uint32_t kind);

// The five cells of block-table row `row` (counted from 0).
void MakeBlockRowTexts(uint32_t row, const BlockCursor& cursor, Width width, BlockRowTexts& out);

struct NodeRowTexts {
  char cells[6][kHexTextSize];  // index, base, blocks, committed, allocated, flags
};

// The six cells of node-table row `index` (counted from 0).
void MakeNodeRowTexts(uint32_t index, const HeapRecord& heap, Width width, NodeRowTexts& out);

// "Heap Blocks within the selected Node - processing %d of %d blocks...",
// cut to fit `size` bytes; returns buffer.
const char* BlockProgressText(uint32_t done, uint32_t total, char* buffer, size_t size);
