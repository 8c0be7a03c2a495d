#include "analysis/BlockHeads.h"

#include <algorithm>
#include <vector>

namespace {

uint64_t HeadBytes(const BlockRowValues& row) { return std::min<uint64_t>(row.size, kHeadBytes); }
bool Wanted(const BlockRowValues& row) { return !row.Free() && row.size != 0; }

class HeadReader {
 public:
  HeadReader(const BlockRows& rows, BlockBytesReader& reader, BlockHeadVisitor& visitor)
      : m_rows(rows), m_reader(reader), m_visitor(visitor) {}

  // Reads the wanted heads of walk indexes [first, last] with one read from
  // the first one's address; halves on failure.
  void Window(size_t first, size_t last) {
    const uint64_t start = m_rows.InWalkOrder(first).address;
    const BlockRowValues& end = m_rows.InWalkOrder(last);
    const uint64_t length = end.address - start + HeadBytes(end);
    if (m_buffer.size() < length) m_buffer.resize(static_cast<size_t>(length));
    size_t got = 0;
    const bool read = m_reader.Read(start, m_buffer.data(), static_cast<size_t>(length), got);
    if (first == last) {
      // One block, read as the data view reads it: what was copied counts.
      if (read && got > 0) m_visitor.Head(first, m_buffer.data(), std::min<size_t>(got, static_cast<size_t>(length)));
      else ++m_unreadable;
      return;
    }
    if (read && got == length) {
      for (size_t w = first; w <= last; ++w) {
        const BlockRowValues& row = m_rows.InWalkOrder(w);
        if (Wanted(row)) m_visitor.Head(w, m_buffer.data() + (row.address - start), static_cast<size_t>(HeadBytes(row)));
      }
      return;
    }
    // The halves, each from its first wanted block.
    const size_t middle = first + (last - first) / 2;
    size_t second = middle + 1;
    while (second <= last && !Wanted(m_rows.InWalkOrder(second))) ++second;
    size_t firstEnd = middle;
    while (firstEnd > first && !Wanted(m_rows.InWalkOrder(firstEnd))) --firstEnd;
    Window(first, firstEnd);
    if (second <= last) Window(second, last);
  }

  uint32_t Unreadable() const { return m_unreadable; }

 private:
  const BlockRows& m_rows;
  BlockBytesReader& m_reader;
  BlockHeadVisitor& m_visitor;
  std::vector<uint8_t> m_buffer;
  uint32_t m_unreadable = 0;
};

}  // namespace

uint32_t ReadBlockHeads(const BlockRows& rows, BlockBytesReader& reader, BlockHeadVisitor& visitor) {
  HeadReader heads(rows, reader, visitor);
  const size_t count = rows.Count();
  size_t w = 0;
  while (w < count) {
    if (!Wanted(rows.InWalkOrder(w))) {
      ++w;
      continue;
    }
    // The window: the wanted blocks after this one, in rising addresses,
    // whose heads end within kHeadWindowBytes of its start.
    const uint64_t start = rows.InWalkOrder(w).address;
    size_t last = w;
    uint64_t previous = start;
    for (size_t next = w + 1; next < count; ++next) {
      const BlockRowValues& row = rows.InWalkOrder(next);
      if (!Wanted(row)) continue;
      if (row.address < previous || row.address - start + HeadBytes(row) > kHeadWindowBytes) break;
      previous = row.address;
      last = next;
    }
    heads.Window(w, last);
    w = last + 1;
  }
  return heads.Unreadable();
}
