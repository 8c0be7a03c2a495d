// One fuzz input run through the heap-query reader, the block walk, the table
// texts and the dump rows. Every answer is held against a plain decoding of
// the same bytes (64-bit address arithmetic, no shared code with the reader)
// and the texts against printf. The fuzz target and the native regression
// tests share this file, so any input the fuzzer keeps can be replayed under
// GoogleTest.
//
// Input layout, all little-endian:
//   0  image base address
//   4  buffer address minus the base (wraps, so the buffer may lie anywhere)
//   8  heap base address to look for
//   12 the system's build number, which decides the heap-list layout when
//      the buffer's header can't
//   16 the image bytes
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "blockdata/DumpLines.h"
#include "heap/BlockTableFill.h"
#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"
#include "heap/MemoryImage.h"
#include "heap/TableText.h"

namespace heapfuzz {

constexpr size_t kParameterSize = 16;

struct RunResult {
  std::string failure;     // empty when every check held
  uint32_t heapCount = 0;  // what the list claims
  uint32_t heapsRead = 0;  // records ReadHeap delivered
  uint64_t rows = 0;       // block rows over all heaps read
  bool found = false;      // FindHeap's answer
  size_t dumpRows = 0;
  bool tagged = false;  // the layout the reader was given
};

// The bytes of an input, for seeds and tests.
inline std::vector<uint8_t> MakeInput(uint32_t base, uint32_t bufferOffset, uint32_t findBase,
                                      const std::vector<uint8_t>& image, uint32_t systemBuild = 7601) {
  std::vector<uint8_t> out;
  for (uint32_t v : {base, bufferOffset, findBase, systemBuild})
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

namespace detail {

inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The reference decoding: bytes straight out of the input, addresses as
// 64-bit values so nothing ever wraps.
class Raw {
 public:
  Raw(uint32_t base, const std::vector<uint8_t>& bytes) : m_base(base), m_bytes(bytes) {}

  const uint8_t* At(uint64_t address, uint64_t size) const {
    const uint64_t end = address + size;
    if (address < m_base || end > m_base + m_bytes.size() || end > (uint64_t{1} << 32)) return nullptr;
    return m_bytes.data() + (address - m_base);
  }

  uint32_t Value(uint64_t address) const {
    const uint8_t* p = At(address, 4);
    return p ? Le32(p) : 0;
  }

  uint32_t ListAddress(uint32_t buffer) const { return Value(uint64_t{buffer} + 56); }

  uint32_t Count(uint32_t buffer) const {
    const uint32_t list = ListAddress(buffer);
    return list ? Value(list) : 0;
  }

  // Tagged records (72 bytes from offset 8) when the process heap at 76 is
  // found at offset 8 of the list and not at 4, or when nothing is found
  // and the build is past 22000.
  bool Tagged(uint32_t buffer, uint32_t build) const {
    const uint32_t list = ListAddress(buffer);
    const uint32_t processHeap = Value(uint64_t{buffer} + 76);
    if (list != 0 && At(list, 4) && Count(buffer) != 0 && At(uint64_t{buffer} + 76, 4) && processHeap != 0) {
      if (At(uint64_t{list} + 4, 4) && Value(uint64_t{list} + 4) == processHeap) return false;
      if (At(uint64_t{list} + 8, 4) && Value(uint64_t{list} + 8) == processHeap) return true;
    }
    return build > 22000;
  }

  bool Heap(uint32_t buffer, bool tagged, uint64_t index, HeapRecord& out) const {
    const uint32_t list = ListAddress(buffer);
    if (list == 0 || At(list, 4) == nullptr || index >= Count(buffer)) return false;
    const uint8_t* p = tagged ? At(list + 8 + 72 * index, 64) : At(list + 4 + 64 * index, 64);
    if (!p) return false;
    out = HeapRecord{Le32(p), Le32(p + 4), Le16(p + 8), Le32(p + 12), Le32(p + 16), Le32(p + 24), Le32(p + 60)};
    return true;
  }

  bool Entry(const HeapRecord& heap, uint64_t index, HeapEntryRecord& out) const {
    if (heap.Entries == 0 || index >= heap.NumberOfEntries) return false;
    const uint8_t* p = At(heap.Entries + 16 * index, 16);
    if (!p) return false;
    out = HeapEntryRecord{Le32(p), Le16(p + 4), Le32(p + 12)};
    return true;
  }

 private:
  uint64_t m_base;
  const std::vector<uint8_t>& m_bytes;
};

struct Row {
  uint32_t address, size, kind;
};

// The walk as a table reader would describe it: segment entries set the
// address of the block after them (entry address plus the heap's overhead)
// and make no row; any other block follows the one before it directly. The
// first unreadable entry ends the table.
inline std::vector<Row> ReferenceWalk(const Raw& raw, const HeapRecord& heap) {
  std::vector<Row> rows;
  uint32_t address = 0, previousSize = 0;
  bool afterSegment = false;
  HeapEntryRecord e{};
  for (uint64_t i = 0; raw.Entry(heap, i, e); ++i) {
    if (e.Flags & kEntryFlagSegment) {
      address = e.Address + heap.EntryOverhead;
      afterSegment = true;
      continue;
    }
    if (!afterSegment) address += previousSize;
    const uint32_t kind = (e.Flags & (kEntryFlagsFixed | kEntryFlagFixedExtra)) ? kBlockKindFixed
                          : (e.Flags & kEntryFlagFree)                          ? kBlockKindFree
                                                                                : kBlockKindUnclassified;
    rows.push_back(Row{address, e.Size, kind});
    previousSize = e.Size;
    afterSegment = false;
  }
  return rows;
}

// Records the first failed check; later checks are skipped by the caller
// testing ok().
class Checks {
 public:
  bool ok() const { return m_failure.empty(); }
  const std::string& failure() const { return m_failure; }

#if defined(__GNUC__)
  __attribute__((format(printf, 3, 4)))
#endif
  bool
  That(bool condition, const char* format, ...) {
    if (!condition && m_failure.empty()) {
      char text[512];
      va_list args;
      va_start(args, format);
      std::vsnprintf(text, sizeof text, format, args);
      va_end(args);
      m_failure = text;
    }
    return condition;
  }

 private:
  std::string m_failure;
};

// Passes reads through, and while a walk is watched, checks that each one is
// a whole entry of the heap's array, at an index below NumberOfEntries, and
// further on than the one before: every entry is read at most once, so a
// walk can neither loop nor run past its count.
class WatchedImage : public MemoryImage {
 public:
  WatchedImage(const MemoryImage& inner, Checks& checks) : m_inner(inner), m_checks(checks) {}

  void Watch(const HeapRecord& heap) {
    m_watching = true;
    m_begin = heap.Entries;
    m_end = m_begin + uint64_t{kHeapEntryRecordSize} * heap.NumberOfEntries;
    m_last = 0;
    m_any = false;
  }
  void Unwatch() { m_watching = false; }

  bool Read(uint32_t address, void* out, uint32_t size) const override {
    if (m_watching) {
      m_checks.That(size == kHeapEntryRecordSize, "walk read %u bytes, not one entry", size);
      m_checks.That(address >= m_begin && uint64_t{address} + size <= m_end,
                    "walk read 0x%08x outside entries [0x%08llx, 0x%08llx)", address,
                    static_cast<unsigned long long>(m_begin), static_cast<unsigned long long>(m_end));
      m_checks.That((address - m_begin) % kHeapEntryRecordSize == 0, "walk read 0x%08x inside an entry", address);
      m_checks.That(!m_any || address > m_last, "walk read 0x%08x again or backwards (last 0x%08x)", address, m_last);
      m_last = address;
      m_any = true;
    }
    return m_inner.Read(address, out, size);
  }

 private:
  const MemoryImage& m_inner;
  Checks& m_checks;
  bool m_watching = false;
  uint64_t m_begin = 0, m_end = 0;
  mutable uint32_t m_last = 0;
  mutable bool m_any = false;
};

class RecordingSink : public BlockTableSink {
 public:
  struct Event {
    bool progress;
    uint32_t row;
    std::string index, address, size, type, status;  // or the caption in `type`
  };
  void AddRow(uint32_t row, const BlockRowTexts& t) override {
    events.push_back(Event{false, row, t.index, t.address, t.size, t.allocationType ? t.allocationType : "(null)",
                           t.status ? t.status : "(null)"});
  }
  void SetProgress(const char* text) override {
    events.push_back(Event{true, 0, {}, {}, {}, text ? text : "(null)", {}});
  }
  std::vector<Event> events;
};

inline std::string Printf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

inline std::string Printf(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

inline std::string Hex(uint32_t v) { return Printf("0x%.8x", static_cast<unsigned>(v)); }

inline bool SameHeap(const HeapRecord& a, const HeapRecord& b) {
  return a.BaseAddress == b.BaseAddress && a.Flags == b.Flags && a.EntryOverhead == b.EntryOverhead &&
         a.BytesAllocated == b.BytesAllocated && a.BytesCommitted == b.BytesCommitted &&
         a.NumberOfEntries == b.NumberOfEntries && a.Entries == b.Entries;
}

inline bool SameEntry(const HeapEntryRecord& a, const HeapEntryRecord& b) {
  return a.Size == b.Size && a.Flags == b.Flags && a.Address == b.Address;
}

// ReadHeap and ReadEntry at indexes the loops don't reach: the last one
// claimed, just past it, the top of the range and one from the input.
inline void CheckFarIndexes(Checks& c, const HeapQueryReader& reader, const Raw& raw, uint32_t buffer, bool tagged,
                            uint32_t count, uint32_t extra) {
  for (uint32_t index : {count - 1, count, UINT32_MAX, UINT32_MAX / kHeapRecordSize + 1, extra}) {
    HeapRecord got{}, want{};
    const bool g = reader.ReadHeap(index, got), w = raw.Heap(buffer, tagged, index, want);
    c.That(g == w, "ReadHeap(%u) says %d, the bytes say %d", index, g, w);
    c.That(!g || SameHeap(got, want), "ReadHeap(%u) decoded other fields", index);
  }
}

inline void CheckFarEntries(Checks& c, const HeapQueryReader& reader, const Raw& raw, const HeapRecord& heap,
                            uint32_t extra) {
  const uint32_t n = heap.NumberOfEntries;
  for (uint32_t index : {n - 1, n, UINT32_MAX, UINT32_MAX / kHeapEntryRecordSize + 1, extra}) {
    HeapEntryRecord got{}, want{};
    const bool g = reader.ReadEntry(heap, index, got), w = raw.Entry(heap, index, want);
    c.That(g == w, "ReadEntry(%u) says %d, the bytes say %d", index, g, w);
    c.That(!g || SameEntry(got, want), "ReadEntry(%u) decoded other fields", index);
  }
}

inline void CheckNodeTexts(Checks& c, uint32_t index, const HeapRecord& heap) {
  NodeRowTexts node{};
  MakeNodeRowTexts(index, heap, node);
  const std::string want[6] = {Printf("%d", static_cast<int32_t>(index + 1)),
                               Hex(heap.BaseAddress),
                               Printf("%d", static_cast<int32_t>(heap.NumberOfEntries)),
                               Hex(heap.BytesCommitted),
                               Hex(heap.BytesAllocated),
                               Hex(heap.Flags)};
  for (int i = 0; i < 6; ++i)
    c.That(want[i] == node.cells[i], "node row %u cell %d is '%.12s', printf gives '%s'", index, i, node.cells[i],
           want[i].c_str());
  uint32_t parsed = 0;
  c.That(ParseHex32(node.cells[1], parsed) && parsed == heap.BaseAddress, "base text %.12s reads back as 0x%08x",
         node.cells[1], parsed);
}

inline const char* KindType(uint32_t kind) {
  return kind == kBlockKindFixed  ? kAllocationTypeFixed
         : kind == kBlockKindFree ? kAllocationTypeFree
                                  : kAllocationTypeUnknown;
}

inline const char* KindStatus(uint32_t kind) {
  return kind == kBlockKindFree ? kBlockStatusFree : kBlockStatusAllocated;
}

// FillBlockRows over one heap, every row and caption against the reference
// walk and printf, every read watched.
inline uint64_t CheckWalk(Checks& c, WatchedImage& watched, const HeapQueryReader& reader, const Raw& raw,
                          uint32_t heapIndex, const HeapRecord& heap) {
  const std::vector<Row> want = ReferenceWalk(raw, heap);
  RecordingSink sink;
  watched.Watch(heap);
  const uint32_t count = FillBlockRows(reader, heap, sink);
  watched.Unwatch();
  if (!c.ok()) return count;
  c.That(count == want.size(), "heap %u: %u rows, the entries give %zu", heapIndex, count, want.size());
  c.That(count <= heap.NumberOfEntries, "heap %u: %u rows from %u entries", heapIndex, count, heap.NumberOfEntries);

  size_t row = 0;
  for (size_t e = 0; e < sink.events.size() && c.ok(); ++e) {
    const RecordingSink::Event& ev = sink.events[e];
    if (ev.progress) {
      c.That(row != 0 && row % 25 == 0, "heap %u: progress after %zu rows", heapIndex, row);
      const std::string caption = Printf("%s - processing %d of %d blocks...", kBlockCaptionText,
                                         static_cast<int32_t>(row), static_cast<int32_t>(heap.NumberOfEntries));
      c.That(ev.type == caption, "heap %u: caption '%s', printf gives '%s'", heapIndex, ev.type.c_str(),
             caption.c_str());
      continue;
    }
    // A caption is due after every 25th row, before the next row.
    c.That(row == 0 || row % 25 != 0 || sink.events[e - 1].progress, "heap %u: no caption after row %zu", heapIndex,
           row);
    if (!c.That(row < want.size() && ev.row == row, "heap %u: row %u where %zu was due", heapIndex, ev.row, row)) break;
    c.That(ev.row < heap.NumberOfEntries, "heap %u: row %u of %u entries", heapIndex, ev.row, heap.NumberOfEntries);
    const Row& r = want[row];
    c.That(ev.index == Printf("%d", static_cast<int32_t>(row + 1)), "heap %u row %zu: index '%s'", heapIndex, row,
           ev.index.c_str());
    c.That(ev.address == Hex(r.address), "heap %u row %zu: address %s, the entries give %s", heapIndex, row,
           ev.address.c_str(), Hex(r.address).c_str());
    c.That(ev.size == Hex(r.size), "heap %u row %zu: size %s, the entries give %s", heapIndex, row, ev.size.c_str(),
           Hex(r.size).c_str());
    c.That(ev.type == KindType(r.kind) && ev.status == KindStatus(r.kind), "heap %u row %zu: '%s'/'%s' for kind %u",
           heapIndex, row, ev.type.c_str(), ev.status.c_str(), r.kind);
    ++row;
  }
  c.That(!c.ok() || row == count, "heap %u: %zu rows reached the sink, %u counted", heapIndex, row, count);
  c.That(!c.ok() || count == 0 || count % 25 != 0 || sink.events.back().progress,
         "heap %u: no caption after the last row %u", heapIndex, count);
  return count;
}

inline std::string ReferenceDumpRow(uint32_t offset, const uint8_t* bytes, size_t n) {
  std::string row = Printf("%.8xh  ", static_cast<unsigned>(offset));
  for (size_t i = 0; i < n; ++i) row += Printf("%.2X ", static_cast<unsigned>(bytes[i]));
  row += Printf("%*s", static_cast<int>(50 - 3 * n), " ");
  for (size_t i = 0; i < n; ++i) row += (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.';
  return row;
}

inline size_t CheckDump(Checks& c, const std::vector<uint8_t>& bytes, uint32_t base, uint32_t buffer,
                        uint32_t findBase) {
  size_t rows = 0;
  ForEachDumpRow(bytes.data(), bytes.size(), [&](const char* line, size_t length) {
    const size_t at = rows * kDumpBytesPerRow;
    const size_t n = bytes.size() - at < kDumpBytesPerRow ? bytes.size() - at : kDumpBytesPerRow;
    const std::string want = ReferenceDumpRow(static_cast<uint32_t>(at), bytes.data() + at, n);
    c.That(length == want.size() && std::strlen(line) == length && want == line,
           "dump row %zu is '%s', printf gives '%s'", rows, line, want.c_str());
    ++rows;
  });
  c.That(rows == (bytes.size() + kDumpBytesPerRow - 1) / kDumpBytesPerRow, "%zu dump rows for %zu bytes", rows,
         bytes.size());

  // One row at an offset from the input, asked for more than a row holds.
  if (!bytes.empty()) {
    const size_t asked = bytes.size() < 40 ? bytes.size() : 16 + (buffer & 0x17);
    const size_t n = asked < kDumpBytesPerRow ? asked : kDumpBytesPerRow;
    char line[kDumpRowCapacity];
    const size_t length = FormatDumpRow(findBase, bytes.data(), asked, line);
    const std::string want = ReferenceDumpRow(findBase, bytes.data(), n);
    c.That(length == want.size() && want == line, "row of %zu bytes at 0x%08x is '%s', printf gives '%s'", asked,
           findBase, line, want.c_str());
  }

  // The header, cut to a capacity from the input.
  char header[128];
  char want[128];
  const size_t capacity = 1 + (buffer >> 24) % 100;
  const size_t length = FormatDumpHeader(base, buffer, findBase, header, capacity);
  std::snprintf(want, capacity, "Heap Node Address= 0x%.8x, Block Address= 0x%.8x, Size= 0x%.8x",
                static_cast<unsigned>(base), static_cast<unsigned>(buffer), static_cast<unsigned>(findBase));
  c.That(length == std::strlen(want) && std::strcmp(header, want) == 0,
         "header in %zu bytes is '%s', printf gives '%s'", capacity, header, want);
  return rows;
}

}  // namespace detail

inline RunResult RunHeapQueryInput(const uint8_t* data, size_t size) {
  using namespace detail;
  RunResult result;
  if (size < kParameterSize) return result;
  const uint32_t base = Le32(data);
  const uint32_t buffer = base + Le32(data + 4);
  const uint32_t findBase = Le32(data + 8);
  const uint32_t build = Le32(data + 12);
  const std::vector<uint8_t> bytes(data + kParameterSize, data + size);

  Checks c;
  const FixtureImage image(base, bytes);
  WatchedImage watched(image, c);
  const Raw raw(base, bytes);
  const HeapListLayout layout = ChooseHeapListLayout(image, buffer, build);
  result.tagged = layout == kHeapListTagged;
  c.That(result.tagged == raw.Tagged(buffer, build) && (result.tagged || layout == kHeapListUntagged),
         "layout {%u, %u} chosen, the bytes say %s", layout.firstRecord, layout.recordSize,
         raw.Tagged(buffer, build) ? "tagged" : "untagged");
  const HeapQueryReader reader(watched, buffer, layout);

  result.heapCount = reader.HeapCount();
  c.That(result.heapCount == raw.Count(buffer), "HeapCount %u, the bytes say %u", result.heapCount, raw.Count(buffer));

  // The loop the node table runs: until the first record that isn't there.
  // Records lie at rising addresses, so this ends within the image whatever
  // the count claims.
  bool firstFound = false;
  HeapRecord firstMatch{};
  for (uint32_t i = 0; c.ok(); ++i) {
    HeapRecord got{}, want{};
    const bool g = reader.ReadHeap(i, got);
    const bool w = raw.Heap(buffer, result.tagged, i, want);
    if (!c.That(g == w, "ReadHeap(%u) says %d, the bytes say %d", i, g, w) || !g) break;
    c.That(SameHeap(got, want), "ReadHeap(%u) decoded other fields", i);
    ++result.heapsRead;
    if (!firstFound && got.BaseAddress == findBase) {
      firstFound = true;
      firstMatch = got;
    }
    CheckNodeTexts(c, i, got);
    CheckFarEntries(c, reader, raw, got, findBase);
    result.rows += CheckWalk(c, watched, reader, raw, i, got);
  }
  CheckFarIndexes(c, reader, raw, buffer, result.tagged, result.heapCount, findBase);

  HeapRecord found{};
  result.found = reader.FindHeap(findBase, found);
  c.That(result.found == firstFound, "FindHeap(0x%08x) says %d, the list says %d", findBase, result.found, firstFound);
  c.That(!result.found || SameHeap(found, firstMatch), "FindHeap(0x%08x) gave a later heap", findBase);

  if (c.ok()) result.dumpRows = CheckDump(c, bytes, base, buffer, findBase);
  result.failure = c.failure();
  return result;
}

}  // namespace heapfuzz
