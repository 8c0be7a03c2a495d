#include "heap/TableText.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

// Two digits a step: one heap may have millions of rows of addresses.
constexpr auto kHexPairs = [] {
  constexpr char digits[] = "0123456789abcdef";
  std::array<char, 512> pairs{};
  for (int i = 0; i < 256; ++i) {
    pairs[2 * i] = digits[i >> 4];
    pairs[2 * i + 1] = digits[i & 0xF];
  }
  return pairs;
}();

size_t FormatHex(uint64_t value, unsigned minDigits, char* out) {
  const unsigned needed = value == 0 ? 1 : (static_cast<unsigned>(std::bit_width(value)) + 3) / 4;
  const unsigned digits = needed > minDigits ? needed : (minDigits < 16 ? minDigits : 16);
  out[0] = '0';
  out[1] = 'x';
  char* p = out + 2 + digits;
  *p = '\0';
  unsigned left = digits;
  for (; left >= 2; left -= 2) {
    p -= 2;
    std::memcpy(p, &kHexPairs[2 * (value & 0xFF)], 2);
    value >>= 8;
  }
  if (left != 0) *--p = kHexPairs[2 * (value & 0xF) + 1];
  return digits + 2;
}

size_t FormatDecimal(int32_t value, char* out) {
  // The magnitude as unsigned, so INT32_MIN needs no special case.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char digits[10];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  size_t length = 0;
  if (value < 0) out[length++] = '-';
  while (count != 0) out[length++] = digits[--count];
  out[length] = '\0';
  return length;
}

size_t FormatSignedDecimal(int32_t value, char* out) {
  if (value < 0) return FormatDecimal(value, out);
  out[0] = '+';
  return 1 + FormatDecimal(value, out + 1);
}

size_t FormatSignedHex(int64_t value, unsigned minDigits, char* out) {
  // The magnitude as unsigned, so INT64_MIN needs no special case.
  const uint64_t magnitude = value < 0 ? 0u - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  out[0] = value < 0 ? '-' : '+';
  return 1 + FormatHex(magnitude, minDigits, out + 1);
}

bool ParseHex(const char* text, uint64_t& out) {
  if (text == nullptr) return false;
  const char* p = text;
  while (IsTextSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // "0x" counts as a prefix only when a digit follows; otherwise the
  // '0' is the number and the 'x' ends it.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) p += 2;
  if (HexDigitValue(*p) < 0) return false;
  uint64_t value = 0;
  for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p) value = (value << 4) | static_cast<uint64_t>(digit);
  out = negative ? 0u - value : value;
  return true;
}

const char* AllocationTypeText(uint32_t kind) {
  switch (kind) {
    case kBlockKindFree: return kAllocationTypeFree;
    case kBlockKindLfh: return kAllocationTypeLfh;
    case kBlockKindLarge: return kAllocationTypeLarge;
    default: return kAllocationTypeFixed;  // the kinds the program makes are the four
  }
}

void MakeBlockRowTexts(uint32_t row, const BlockCursor& cursor, Width width, BlockRowTexts& out) {
  FormatDecimal(static_cast<int32_t>(row + 1), out.index);
  FormatHex(cursor.Address, AddressDigits(width), out.address);
  FormatHex(cursor.Size, 8, out.size);
  out.allocationType = AllocationTypeText(cursor.Kind);
  out.status = cursor.Kind == kBlockKindFree ? kBlockStatusFree : kBlockStatusAllocated;
}

void MakeNodeRowTexts(uint32_t index, const HeapRecord& heap, Width width, NodeRowTexts& out) {
  // Counts are shown with "%d": a count above INT32_MAX reads negative.
  FormatDecimal(static_cast<int32_t>(index + 1), out.cells[0]);
  FormatHex(heap.BaseAddress, AddressDigits(width), out.cells[1]);
  FormatDecimal(static_cast<int32_t>(heap.NumberOfEntries), out.cells[2]);
  FormatHex(heap.BytesCommitted, 8, out.cells[3]);
  FormatHex(heap.BytesAllocated, 8, out.cells[4]);
  FormatHex(heap.Flags, 8, out.cells[5]);
}

const char* BlockProgressText(uint32_t done, uint32_t total, char* buffer, size_t size) {
  if (size != 0)
    std::snprintf(buffer, size, "%s - processing %d of %d blocks...", kBlockCaptionText,
                  static_cast<int>(static_cast<int32_t>(done)), static_cast<int>(static_cast<int32_t>(total)));
  return buffer;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsTextSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
