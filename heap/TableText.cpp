#include "heap/TableText.h"

#include <cstdio>

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

size_t FormatHex32(uint32_t value, char* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out[0] = '0';
  out[1] = 'x';
  for (int i = 9; i >= 2; --i) {
    out[i] = kDigits[value & 0xF];
    value >>= 4;
  }
  out[10] = '\0';
  return 10;
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

bool ParseHex32(const char* text, uint32_t& out) {
  if (text == nullptr) return false;
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // "0x" counts as a prefix only when a digit follows; otherwise the
  // '0' is the number and the 'x' ends it.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) p += 2;
  if (HexDigitValue(*p) < 0) return false;
  uint32_t value = 0;
  for (int digit; (digit = HexDigitValue(*p)) >= 0; ++p) value = (value << 4) | static_cast<uint32_t>(digit);
  out = negative ? 0u - value : value;
  return true;
}

void MakeBlockRowTexts(uint32_t row, const BlockCursor& cursor, BlockRowTexts& out) {
  FormatDecimal(static_cast<int32_t>(row + 1), out.index);
  FormatHex32(cursor.Address, out.address);
  FormatHex32(cursor.Size, out.size);
  switch (cursor.Kind) {
    case kBlockKindFixed:
      out.allocationType = kAllocationTypeFixed;
      out.status = kBlockStatusAllocated;
      break;
    case kBlockKindFree:
      out.allocationType = kAllocationTypeFree;
      out.status = kBlockStatusFree;
      break;
    default:
      out.allocationType = kAllocationTypeUnknown;
      out.status = kBlockStatusAllocated;
      break;
  }
}

void MakeNodeRowTexts(uint32_t index, const HeapRecord& heap, NodeRowTexts& out) {
  // Counts are shown with "%d": a count above INT32_MAX reads negative.
  FormatDecimal(static_cast<int32_t>(index + 1), out.cells[0]);
  FormatHex32(heap.BaseAddress, out.cells[1]);
  FormatDecimal(static_cast<int32_t>(heap.NumberOfEntries), out.cells[2]);
  FormatHex32(heap.BytesCommitted, out.cells[3]);
  FormatHex32(heap.BytesAllocated, out.cells[4]);
  FormatHex32(heap.Flags, out.cells[5]);
}

const char* BlockProgressText(uint32_t done, uint32_t total, char* buffer, size_t size) {
  if (size != 0)
    std::snprintf(buffer, size, "%s - processing %d of %d blocks...", kBlockCaptionText,
                  static_cast<int>(static_cast<int32_t>(done)), static_cast<int>(static_cast<int32_t>(total)));
  return buffer;
}
