// Finding a block of the block table: the three kinds of input and how each
// is read, the byte search inside one block, and the search over the rows in
// the order shown, through an injected reader so it runs the same against
// the inspected process and against test doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "heap/BlockRows.h"
#include "heap/HeapLayout.h"

enum class FindKind { Address, Bytes, Text };

// What the user asked for, as typed.
struct FindQuery {
  FindKind kind = FindKind::Address;
  std::string text;
};

inline constexpr char kFindBytesExample[] = "Enter bytes as pairs of hexadecimal digits, such as DE AD BE EF.";
inline constexpr char kFindTextMissing[] = "Enter the text to find.";

// "Enter an address in hexadecimal, such as 0x00150588." with an example of
// the width's digits.
const char* FindAddressExample(Width width);

// Why the query can't be searched for (the message that says what to
// enter), or null when it can.
const char* FindInputProblem(const FindQuery& query, Width width);

// "No block of this heap holds this address." (these bytes, this text),
// then " %d blocks could not be read." when unreadable is not 0.
std::string FindNotFoundText(FindKind kind, uint32_t unreadable);

// An address as "%llx" writes one, with or without 0x, white space around
// it allowed: nothing else, at least one digit, and no more than the
// width's addresses hold. False, with out untouched, otherwise.
bool ParseFindAddress(const char* text, Width width, uint64_t& out);

// Pairs of hexadecimal digits, in groups that white space separates
// ("DE AD BE EF", "DEADBEEF", "de ad"). False, with out untouched, for
// anything else: no digit, an odd group, another character.
bool ParseFindBytes(const char* text, std::vector<uint8_t>& out);

// A byte string to look for; it is found only wholly inside the bytes
// searched (Boyer-Moore-Horspool, so long blocks are passed quickly).
class BytePattern {
 public:
  explicit BytePattern(std::vector<uint8_t> bytes);
  bool FoundIn(const uint8_t* data, size_t size) const;
  size_t Size() const { return m_bytes.size(); }

 private:
  std::vector<uint8_t> m_bytes;
  size_t m_skip[256];
};

class BlockBytesReader {
 public:
  virtual ~BlockBytesReader() = default;
  // Reads length bytes at address; false when they can't be read. On
  // success bytesRead is the count copied (the system may copy fewer).
  virtual bool Read(uint64_t address, uint8_t* out, size_t length, size_t& bytesRead) = 0;
};

class FindProgress {
 public:
  virtual ~FindProgress() = default;
  // After every 25th row looked at: done of total rows.
  virtual void Searched(uint32_t done, uint32_t total) = 0;
};

struct FindOutcome {
  long long position = -1;  // the shown position of the block found, or -1
  uint32_t unreadable = 0;  // blocks passed over because they could not be read
};

// Reads at most this much of neighbouring blocks at once; blocks apart by
// at most a header's bytes count as neighbours.
constexpr size_t kFindSpanBytes = 1u << 20;
constexpr uint64_t kFindSpanGapBytes = 64;

// Looks at the rows from shown position `start` on, wrapping round once, for
// the first block that is not free and whose bytes hold one of the
// patterns. A block larger than maxBlockSize is not read and counts as
// unreadable, as does one that can't be read. Blocks that follow each other
// in the order shown, end to end or apart by at most kFindSpanGapBytes, are
// read together, up to kFindSpanBytes of address space; when such a
// read fails, halves of it are tried down to the single block, so one
// unreadable block costs only itself.
FindOutcome FindBytesInBlocks(const BlockRows& rows, size_t start, const std::vector<BytePattern>& patterns,
                              uint64_t maxBlockSize, BlockBytesReader& reader, FindProgress& progress);
