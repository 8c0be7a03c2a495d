#include "blockdata/DumpLines.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kLowerHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";

// "%.8xh  " takes columns 0 to 10; the printable column starts at 61
// whatever the row's length, since the filler is 50 - 3n spaces.
constexpr size_t kHexColumn = 11;
constexpr size_t kTextColumn = 61;

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t FormatDumpHeader(uint64_t nodeAddress, uint64_t blockAddress, uint64_t size, Width width, char* out,
                        size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  const int written =
      width == Width::Bits64
          ? std::snprintf(out, capacity, "Heap Node Address= 0x%.16llx, Block Address= 0x%.16llx, Size= 0x%.8llx",
                          static_cast<unsigned long long>(nodeAddress), static_cast<unsigned long long>(blockAddress),
                          static_cast<unsigned long long>(size))
          : std::snprintf(out, capacity, "Heap Node Address= 0x%.8x, Block Address= 0x%.8x, Size= 0x%.8x",
                          static_cast<unsigned>(nodeAddress), static_cast<unsigned>(blockAddress),
                          static_cast<unsigned>(size));
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  const size_t length = static_cast<size_t>(written);
  return length < capacity ? length : capacity - 1;
}

size_t FormatDumpRow(uint32_t offset, const uint8_t* bytes, size_t count, char* out) {
  if (count > kDumpBytesPerRow) count = kDumpBytesPerRow;

  for (int i = 7; i >= 0; --i) {
    out[i] = kLowerHex[offset & 0xF];
    offset >>= 4;
  }
  out[8] = 'h';
  out[9] = ' ';
  out[10] = ' ';

  char* p = out + kHexColumn;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    p[0] = kUpperHex[b >> 4];
    p[1] = kUpperHex[b & 0xF];
    p[2] = ' ';
    p += 3;
  }
  // With at most 16 bytes the hex column ends by 59, so the filler is never
  // shorter than the two spaces "%*s" writes for a full row.
  std::memset(p, ' ', static_cast<size_t>(out + kTextColumn - p));

  p = out + kTextColumn;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    *p++ = (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
  }
  *p = '\0';
  return static_cast<size_t>(p - out);
}

bool IsFreeStatus(const char* status) {
  if (status == nullptr) return false;
  const char* begin = status;
  const char* end = status + std::strlen(status);
  while (end != begin && IsAsciiSpace(end[-1])) --end;
  while (begin != end && IsAsciiSpace(*begin)) ++begin;

  static constexpr char kFree[] = "FREE";
  constexpr size_t kFreeLength = sizeof(kFree) - 1;
  if (static_cast<size_t>(end - begin) != kFreeLength) return false;
  for (size_t i = 0; i < kFreeLength; ++i) {
    if (AsciiUpper(begin[i]) != kFree[i]) return false;
  }
  return true;
}

size_t DumpLineCount(size_t count) { return 2 + (count + kDumpBytesPerRow - 1) / kDumpBytesPerRow; }

size_t DumpTextLength(size_t headerLength, size_t count) {
  // A row of n bytes is 61 + n characters: 77 for every full row.
  const size_t rows = (count + kDumpBytesPerRow - 1) / kDumpBytesPerRow;
  return headerLength + 2 + 2 + rows * (61 + 2) + count;
}

size_t WriteDumpText(const char* header, size_t headerLength, const uint8_t* data, size_t count, char* out) {
  char* at = out;
  std::memcpy(at, header, headerLength);
  at += headerLength;
  std::memcpy(at, "\r\n\r\n", 4);
  at += 4;
  ForEachDumpRow(data, count, [&at](const char* row, size_t length) {
    std::memcpy(at, row, length);
    at[length] = '\r';
    at[length + 1] = '\n';
    at += length + 2;
  });
  *at = '\0';
  return static_cast<size_t>(at - out);
}
