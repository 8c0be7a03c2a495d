// Sizes and contents of the target's known blocks. The target fills its
// blocks with these bytes and the tests compute the same bytes to check
// what they read out of the target, so both sides include this one file.
#pragma once

#include <cstdint>
#include <cstdio>

// Blocks in the private heap unless the command line asks for another count.
constexpr int kTargetDefaultBlocks = 300;
// Blocks the target adds to its process heap, numbered after the private ones.
constexpr int kTargetProcessHeapBlocks = 8;

// 16 to 2015 bytes, varying enough that neighbouring blocks differ in size.
inline uint32_t TargetBlockSize(int index) { return 16 + (static_cast<uint32_t>(index) * 37u) % 2000u; }

// Every 25th block (5, 30, 55, ...) holds readable text instead of the
// byte pattern, so dumps show both printable and unprintable bytes.
inline bool TargetBlockIsText(int index) { return index % 25 == 5; }

// Every other text block (30, 80, 130, ...) holds its line as UTF-16
// little-endian, as Windows programs mostly keep strings.
inline bool TargetBlockIsWideText(int index) { return index % 50 == 30; }

// Private-heap blocks the target frees again, so the heap has free blocks
// between busy ones. Freed blocks are not reported as known blocks.
inline bool TargetBlockFreed(int index) { return index % 10 == 3; }

// One more block of the private heap (not a known block) holds four
// pointer-sized words: the address of known block 7, an address 3 bytes
// into block 12, the address of block 3 (freed later), and 0.
constexpr int kPointsAtBlock = 7, kPointsIntoBlock = 12, kPointsIntoOffset = 3, kPointsAtFreedBlock = 3;

// The content of known block `index`, `size` bytes long: byte j of a
// pattern block is (index * 7 + j) & 0xFF; a text block repeats one line
// that names its index, in 8-bit characters or in UTF-16.
inline void FillTargetBlock(int index, uint8_t* out, uint32_t size) {
  if (!TargetBlockIsText(index)) {
    for (uint32_t j = 0; j < size; ++j) out[j] = static_cast<uint8_t>((static_cast<uint32_t>(index) * 7u + j) & 0xFFu);
    return;
  }
  char line[96];
  const int length = std::snprintf(
      line, sizeof line, "Block %d of the heap target: the quick brown fox jumps over the lazy dog.\r\n", index);
  const uint32_t cycle = static_cast<uint32_t>(length);
  if (TargetBlockIsWideText(index)) {
    for (uint32_t j = 0; j < size; ++j) out[j] = j % 2 ? 0 : static_cast<uint8_t>(line[(j / 2) % cycle]);
    return;
  }
  for (uint32_t j = 0; j < size; ++j) out[j] = static_cast<uint8_t>(line[j % cycle]);
}
