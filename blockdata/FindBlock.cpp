#include "blockdata/FindBlock.h"

#include <cstdio>
#include <cstring>

#include "heap/TableText.h"

namespace {
constexpr uint32_t kProgressInterval = 25;
}  // namespace

const char* FindAddressExample(Width width) {
  return width == Width::Bits64 ? "Enter an address in hexadecimal, such as 0x0000000000150588."
                                : "Enter an address in hexadecimal, such as 0x00150588.";
}

const char* FindInputProblem(const FindQuery& query, Width width) {
  uint64_t address = 0;
  std::vector<uint8_t> bytes;
  switch (query.kind) {
    case FindKind::Address:
      return ParseFindAddress(query.text.c_str(), width, address) ? nullptr : FindAddressExample(width);
    case FindKind::Bytes:
      return ParseFindBytes(query.text.c_str(), bytes) ? nullptr : kFindBytesExample;
    case FindKind::Text:
      return query.text.empty() ? kFindTextMissing : nullptr;
  }
  return nullptr;
}

std::string FindNotFoundText(FindKind kind, uint32_t unreadable) {
  std::string text = kind == FindKind::Address ? "No block of this heap holds this address."
                     : kind == FindKind::Bytes ? "No block of this heap holds these bytes."
                                               : "No block of this heap holds this text.";
  if (unreadable != 0) {
    char tail[64];
    std::snprintf(tail, sizeof tail, " %d blocks could not be read.", static_cast<int>(unreadable));
    text += tail;
  }
  return text;
}

bool ParseFindAddress(const char* text, Width width, uint64_t& out) {
  const char* p = text;
  while (IsTextSpace(*p)) ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  uint64_t value = 0;
  unsigned digits = 0;      // every digit
  unsigned significant = 0;  // from the first that is not 0
  for (; HexDigitValue(*p) >= 0; ++p, ++digits) {
    if (significant != 0 || *p != '0') ++significant;
    if (significant > AddressDigits(width)) return false;
    value = (value << 4) | static_cast<unsigned>(HexDigitValue(*p));
  }
  while (IsTextSpace(*p)) ++p;
  if (*p != '\0' || digits == 0) return false;
  out = value;
  return true;
}

bool ParseFindBytes(const char* text, std::vector<uint8_t>& out) {
  std::vector<uint8_t> bytes;
  for (const char* p = text; *p != '\0';) {
    if (IsTextSpace(*p)) {
      ++p;
      continue;
    }
    const int high = HexDigitValue(p[0]);
    if (high < 0) return false;
    const int low = HexDigitValue(p[1]);
    if (low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    p += 2;
  }
  if (bytes.empty()) return false;
  out = std::move(bytes);
  return true;
}

BytePattern::BytePattern(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {
  const size_t n = m_bytes.size();
  for (size_t& skip : m_skip) skip = n;
  for (size_t i = 0; i + 1 < n; ++i) m_skip[m_bytes[i]] = n - 1 - i;
}

bool BytePattern::FoundIn(const uint8_t* data, size_t size) const {
  const size_t n = m_bytes.size();
  if (n == 0 || size < n) return false;
  const uint8_t first = m_bytes[0];
  const uint8_t last = m_bytes[n - 1];
  for (size_t at = 0; at + n <= size; at += m_skip[data[at + n - 1]]) {
    if (data[at + n - 1] == last && data[at] == first && std::memcmp(data + at, m_bytes.data(), n) == 0)
      return true;
  }
  return false;
}

namespace {
// The bytes of neighbouring blocks, read together, and which shown
// positions they cover.
class SpanCache {
 public:
  SpanCache(const BlockRows& rows, uint64_t maxBlockSize, BlockBytesReader& reader)
      : m_rows(rows), m_maxBlockSize(maxBlockSize), m_reader(reader) {}

  // The bytes of the block at position (of `count` positions from `start`
  // the search will look at, in visiting order), or null when it can't be
  // read; size is set to the count read.
  const uint8_t* BlockBytes(size_t visit, size_t visits, size_t start, size_t& size) {
    const size_t n = m_rows.Count();
    const BlockRowValues& block = m_rows.Shown((start + visit) % n);
    if (visit < m_spanEndVisit && block.address >= m_spanAddress && block.size <= m_spanLength &&
        block.address - m_spanAddress <= m_spanLength - block.size) {
      size = static_cast<size_t>(block.size);
      return m_buffer.data() + (block.address - m_spanAddress);
    }
    if (block.size > m_maxBlockSize) return nullptr;

    // The run of blocks that follow this one in the address space, apart
    // at most by a block header (the system's rows give each block's data,
    // its header lies between), read as one span.
    size_t runVisits = 1;
    uint64_t runLength = block.size;
    while (visit + runVisits < visits) {
      const BlockRowValues& next = m_rows.Shown((start + visit + runVisits) % n);
      const uint64_t end = block.address + runLength;
      if (next.address < end || next.address - end > kFindSpanGapBytes || next.size > m_maxBlockSize ||
          next.address - block.address + next.size > kFindSpanBytes)
        break;
      runLength = next.address - block.address + next.size;
      ++runVisits;
    }
    for (;;) {
      if (m_buffer.size() < runLength) m_buffer.resize(static_cast<size_t>(runLength));
      size_t got = 0;
      const bool read = m_reader.Read(block.address, m_buffer.data(), static_cast<size_t>(runLength), got);
      if (read && runVisits == 1 && got <= runLength) {
        // One block, read as the data view reads it: what was copied counts.
        Keep(block.address, got, visit + 1);
        size = got;
        return m_buffer.data();
      }
      if (read && got == runLength) {
        Keep(block.address, runLength, visit + runVisits);
        size = static_cast<size_t>(block.size);
        return m_buffer.data();
      }
      if (runVisits == 1) return nullptr;
      runVisits = (runVisits + 1) / 2;
      const BlockRowValues& last = m_rows.Shown((start + visit + runVisits - 1) % n);
      runLength = last.address - block.address + last.size;
    }
  }

 private:
  void Keep(uint64_t address, uint64_t length, size_t endVisit) {
    m_spanAddress = address;
    m_spanLength = length;
    m_spanEndVisit = endVisit;
  }

  const BlockRows& m_rows;
  const uint64_t m_maxBlockSize;
  BlockBytesReader& m_reader;
  std::vector<uint8_t> m_buffer;
  uint64_t m_spanAddress = 0;
  uint64_t m_spanLength = 0;
  size_t m_spanEndVisit = 0;  // the span serves visits before this one
};
}  // namespace

FindOutcome FindBytesInBlocks(const BlockRows& rows, size_t start, const std::vector<BytePattern>& patterns,
                              uint64_t maxBlockSize, BlockBytesReader& reader, FindProgress& progress) {
  FindOutcome outcome;
  const size_t n = rows.Count();
  if (n == 0) return outcome;
  start %= n;
  SpanCache cache(rows, maxBlockSize, reader);
  for (size_t visit = 0; visit < n; ++visit) {
    const size_t position = (start + visit) % n;
    const BlockRowValues& block = rows.Shown(position);
    if (!block.Free() && block.size != 0) {
      size_t size = 0;
      const uint8_t* bytes = cache.BlockBytes(visit, n, start, size);
      if (bytes == nullptr) {
        ++outcome.unreadable;
      } else {
        for (const BytePattern& pattern : patterns)
          if (pattern.FoundIn(bytes, size)) {
            outcome.position = static_cast<long long>(position);
            return outcome;
          }
      }
    }
    if ((visit + 1) % kProgressInterval == 0)
      progress.Searched(static_cast<uint32_t>(visit + 1), static_cast<uint32_t>(n));
  }
  return outcome;
}
