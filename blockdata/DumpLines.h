// Text of the block data view: the header line, the hexadecimal dump rows and
// the fixed messages that take the dump's place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap/HeapLayout.h"

// Largest block the view reads and dumps (one byte less than 16 MiB).
constexpr uint32_t kMaxDumpSize = 0x00FFFFFF;

// Bytes shown in one dump row.
constexpr size_t kDumpBytesPerRow = 16;

// Room for one dump row and its terminator (a full row is 77 characters).
constexpr size_t kDumpRowCapacity = 80;

inline constexpr char kFreeBlockNote[] = "Note: You have selected the FREE heap block";
inline constexpr char kDumpOpenFailed[] = "ERROR : Failed to open target process due to insufficient rights";
inline constexpr char kDumpAllocFailed[] = "ERROR : Failed to allocate memory for heap data";
inline constexpr char kDumpReadFailed[] = "ERROR : Failed to read the heap data from the target process memory";

// "Heap Node Address= 0x%.8x, Block Address= 0x%.8x, Size= 0x%.8x" (64-bit:
// addresses "0x%.16llx", the size "0x%.8llx"), cut to fit capacity
// (terminator included). Returns the length written.
size_t FormatDumpHeader(uint64_t nodeAddress, uint64_t blockAddress, uint64_t size, Width width, char* out,
                        size_t capacity);

// One dump row of count bytes (1 to 16; more are cut to 16) into out, which
// holds at least kDumpRowCapacity characters: the offset as "%.8xh  ", each
// byte as "%.2X ", filler spaces up to column 61, then each byte as itself
// when printable (0x20 to 0x7E) or '.'. Returns the length, 61 + count.
size_t FormatDumpRow(uint32_t offset, const uint8_t* bytes, size_t count, char* out);

// Calls row(const char* line, size_t length) for every 16 bytes of data, the
// last row holding the remaining 1 to 16; no call for an empty buffer.
// Offsets count from the start of data.
template <class F>
void ForEachDumpRow(const uint8_t* data, size_t count, F&& row) {
  char line[kDumpRowCapacity];
  uint32_t offset = 0;
  while (count != 0) {
    const size_t n = count < kDumpBytesPerRow ? count : kDumpBytesPerRow;
    const size_t length = FormatDumpRow(offset, data, n, line);
    row(static_cast<const char*>(line), length);
    data += n;
    count -= n;
    offset += static_cast<uint32_t>(kDumpBytesPerRow);
  }
}

// The dump as text, line by line as the data view shows it: the header, an
// empty line, then the rows, CR LF after each. Its length without a NUL;
// the number of lines the view shows is DumpLineCount.
size_t DumpTextLength(size_t headerLength, size_t count);
size_t DumpLineCount(size_t count);
// Writes that text and a NUL into out, which holds DumpTextLength + 1
// bytes; returns the length.
size_t WriteDumpText(const char* header, size_t headerLength, const uint8_t* data, size_t count, char* out);

// True when the status text, trimmed of white space at both ends, reads
// "FREE" in any case. A null text is not free.
bool IsFreeStatus(const char* status);
