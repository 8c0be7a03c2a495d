// One fuzz input run through the heap-query reader, the block walk, the table
// texts and the dump rows, in the layouts of a 32-bit or a 64-bit process.
// Every answer is held against a plain decoding of the same bytes (offsets
// of its own, addresses as 128-bit values so nothing wraps, the layout
// choice worked out again) and the texts against printf. The fuzz target
// and the native regression tests share this file, so any input the fuzzer
// keeps can be replayed under GoogleTest.
//
// Inputs come in two forms, all values little-endian. The short form is
// read in the 32-bit layouts:
//   0  image base address
//   4  buffer address minus the base (wraps at 2^32, so the buffer may lie
//      anywhere)
//   8  heap base address to look for
//   12 the system's build number, which decides the heap-list layout when
//      the buffer can't
//   16 the image bytes
// The wide form starts with the marker "WIDE" (so a short input whose base
// is 0x45444957 is read as a wide one):
//   4  width: the 64-bit layouts when bit 0 is set, else the 32-bit ones
//   5  image base address (8 bytes)
//   13 buffer address minus the base (8 bytes, wraps at 2^64)
//   21 heap base address to look for (8 bytes)
//   29 the system's build number (4 bytes)
//   33 the image bytes
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

constexpr size_t kShortParameterSize = 16;
constexpr size_t kWideParameterSize = 33;
constexpr char kWideMarker[4] = {'W', 'I', 'D', 'E'};

struct RunResult {
  std::string failure;     // empty when every check held
  bool wide = false;       // read in the 64-bit layouts
  bool tagged = false;     // the layout the reader was given has tagged records
  uint32_t heapCount = 0;  // what the list claims
  uint32_t heapsRead = 0;  // records ReadHeap delivered
  uint64_t rows = 0;       // block rows over all heaps read
  bool found = false;      // FindHeap's answer
  size_t dumpRows = 0;
};

namespace detail {

inline void AppendLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace detail

// The bytes of a short-form input (32-bit layouts), for seeds and tests.
inline std::vector<uint8_t> MakeInput(uint32_t base, uint32_t bufferOffset, uint32_t findBase,
                                      const std::vector<uint8_t>& image, uint32_t systemBuild = 7601) {
  std::vector<uint8_t> out;
  for (uint32_t v : {base, bufferOffset, findBase, systemBuild}) detail::AppendLe(out, v, 4);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

// The bytes of a wide-form input.
inline std::vector<uint8_t> MakeWideInput(Width width, uint64_t base, uint64_t bufferOffset, uint64_t findBase,
                                          const std::vector<uint8_t>& image, uint32_t systemBuild = 7601) {
  std::vector<uint8_t> out(kWideMarker, kWideMarker + sizeof kWideMarker);
  out.push_back(width == Width::Bits64 ? 1 : 0);
  for (uint64_t v : {base, bufferOffset, findBase}) detail::AppendLe(out, v, 8);
  detail::AppendLe(out, systemBuild, 4);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

namespace detail {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint64_t Le64(const uint8_t* p) { return Le32(p) | uint64_t{Le32(p + 4)} << 32; }

struct Parameters {
  bool wide = false;
  uint64_t base = 0, buffer = 0, findBase = 0;
  uint32_t build = 0;
  size_t imageAt = 0;  // where the image bytes start in the input
};

inline bool ReadParameters(const uint8_t* data, size_t size, Parameters& p) {
  if (size >= sizeof kWideMarker && std::memcmp(data, kWideMarker, sizeof kWideMarker) == 0) {
    if (size < kWideParameterSize) return false;
    p.wide = (data[4] & 1) != 0;
    p.base = Le64(data + 5);
    p.buffer = p.base + Le64(data + 13);
    p.findBase = Le64(data + 21);
    p.build = Le32(data + 29);
    p.imageAt = kWideParameterSize;
    return true;
  }
  if (size < kShortParameterSize) return false;
  p.base = Le32(data);
  p.buffer = static_cast<uint32_t>(Le32(data) + Le32(data + 4));
  p.findBase = Le32(data + 8);
  p.build = Le32(data + 12);
  p.imageAt = kShortParameterSize;
  return true;
}

// Where the reference finds things, written out here rather than taken from
// the reader's layout table, so that an offset wrong there shows as a
// disagreement.
struct Offsets {
  const char* name;
  bool wide, tagged;
  uint32_t word;                      // pointer and size fields: 4 or 8 bytes
  uint32_t listPointer, processHeap;  // in the buffer's header
  uint32_t first, stride;             // record 0 in the list; the distance between records
  // In a heap record, whose base address is at 0.
  uint32_t flags, overhead, allocated, committed, count, entries;
  // An entry record, whose size is at 0.
  uint32_t entrySize, entryFlags, entryAddress;

  // The bytes of a record the reader needs: up to the entries pointer.
  uint32_t RecordBytes() const { return entries + word; }
};

constexpr Offsets kRaw32{.name = "32-bit",
                         .wide = false,
                         .tagged = false,
                         .word = 4,
                         .listPointer = 56,
                         .processHeap = 76,
                         .first = 4,
                         .stride = 64,
                         .flags = 4,
                         .overhead = 8,
                         .allocated = 12,
                         .committed = 16,
                         .count = 24,
                         .entries = 60,
                         .entrySize = 16,
                         .entryFlags = 4,
                         .entryAddress = 12};

constexpr Offsets kRaw64{.name = "64-bit",
                         .wide = true,
                         .tagged = false,
                         .word = 8,
                         .listPointer = 112,
                         .processHeap = 152,
                         .first = 8,
                         .stride = 88,
                         .flags = 8,
                         .overhead = 12,
                         .allocated = 16,
                         .committed = 24,
                         .count = 36,
                         .entries = 80,
                         .entrySize = 32,
                         .entryFlags = 8,
                         .entryAddress = 24};

// After build 22000 every record ends in an 8-byte tag, 8-byte aligned: a
// 32-bit list's record 0 moves from 4 to 8; a 64-bit one is at 8 already.
constexpr Offsets Tagged(Offsets o, const char* name, uint32_t first, uint32_t stride) {
  o.name = name;
  o.tagged = true;
  o.first = first;
  o.stride = stride;
  return o;
}
constexpr Offsets kRaw32Tagged = Tagged(kRaw32, "32-bit tagged", 8, 72);
constexpr Offsets kRaw64Tagged = Tagged(kRaw64, "64-bit tagged", 8, 96);
constexpr uint32_t kLastBuildWithoutTags = 22000;

inline bool SameLayout(const QueryLayout& l, const Offsets& o) {
  return (l.width == Width::Bits64) == o.wide && l.wordSize == o.word && l.heapsPointer == o.listPointer &&
         l.processHeap == o.processHeap && l.firstRecord == o.first && l.recordSize == o.stride &&
         l.heapFlags == o.flags && l.entryOverhead == o.overhead && l.bytesAllocated == o.allocated &&
         l.bytesCommitted == o.committed && l.numberOfEntries == o.count && l.entries == o.entries &&
         l.entryRecordSize == o.entrySize && l.entryFlags == o.entryFlags && l.entryAddress == o.entryAddress;
}

// Addresses and the sums of addresses and offsets, wide enough that none
// of them wraps.
using Address = unsigned __int128;

// The reference decoding: bytes straight out of the input.
class Raw {
 public:
  Raw(bool wide, uint64_t base, const std::vector<uint8_t>& bytes)
      : m_plain(wide ? kRaw64 : kRaw32),
        m_tagged(wide ? kRaw64Tagged : kRaw32Tagged),
        m_top(Address{1} << (wide ? 64 : 32)),
        m_base(base),
        m_bytes(bytes) {}

  // The largest address of the process.
  uint64_t Mask() const { return static_cast<uint64_t>(m_top - 1); }

  // [address, address + size) when every byte lies in the image and in the
  // process's address space.
  const uint8_t* At(Address address, uint64_t size) const {
    const Address end = address + size;
    if (address < m_base || end > m_base + m_bytes.size() || end > m_top) return nullptr;
    return m_bytes.data() + static_cast<size_t>(address - m_base);
  }

  static uint64_t Word(const Offsets& o, const uint8_t* p) { return o.word == 8 ? Le64(p) : Le32(p); }

  // A word or a 32-bit value at an address; 0 when it isn't there.
  uint64_t WordAt(Address address) const {
    const uint8_t* p = At(address, m_plain.word);
    return p ? Word(m_plain, p) : 0;
  }
  uint32_t Le32At(Address address) const {
    const uint8_t* p = At(address, 4);
    return p ? Le32(p) : 0;
  }

  uint64_t ListAddress(uint64_t buffer) const { return WordAt(Address{buffer} + m_plain.listPointer); }
  uint32_t Count(uint64_t buffer) const {
    const uint64_t list = ListAddress(buffer);
    return list ? Le32At(list) : 0;
  }

  // 32-bit: the process heap named at 76 is record 0's base, found at
  // offset 4 of the list (untagged, looked at first) or at 8 (tagged).
  // 64-bit: record 0 is at 8 either way, so records 1 to 63 decide: the
  // size whose records all have a non-zero, 64 KiB-aligned base and an
  // entry array that is null, empty or has a readable entry 0, when only
  // one size gives that. Otherwise the build: tagged after 22000.
  const Offsets& Layout(uint64_t buffer, uint32_t build) const {
    const uint64_t list = ListAddress(buffer);
    const uint32_t count = Count(buffer);
    if (list != 0 && count != 0) {
      if (!m_plain.wide) {
        const uint64_t processHeap = WordAt(Address{buffer} + m_plain.processHeap);
        if (processHeap != 0) {
          const uint8_t* at4 = At(Address{list} + m_plain.first, 4);
          const uint8_t* at8 = At(Address{list} + m_tagged.first, 4);
          if (at4 && Le32(at4) == processHeap) return m_plain;
          if (at8 && Le32(at8) == processHeap) return m_tagged;
        }
      } else if (count >= 2) {
        const bool plainFits = Plausible(list, count, m_plain), taggedFits = Plausible(list, count, m_tagged);
        if (plainFits != taggedFits) return plainFits ? m_plain : m_tagged;
      }
    }
    return build > kLastBuildWithoutTags ? m_tagged : m_plain;
  }

  bool Heap(uint64_t buffer, const Offsets& o, uint64_t index, HeapRecord& out) const {
    const uint64_t list = ListAddress(buffer);
    if (list == 0 || At(list, 4) == nullptr || index >= Count(buffer)) return false;
    const uint8_t* p = At(Address{list} + o.first + Address{o.stride} * index, o.RecordBytes());
    if (!p) return false;
    out = HeapRecord{Word(o, p),
                     Le32(p + o.flags),
                     Le16(p + o.overhead),
                     Word(o, p + o.allocated),
                     Word(o, p + o.committed),
                     Le32(p + o.count),
                     Word(o, p + o.entries)};
    return true;
  }

  bool Entry(const Offsets& o, const HeapRecord& heap, uint64_t index, HeapEntryRecord& out) const {
    if (heap.Entries == 0 || index >= heap.NumberOfEntries) return false;
    const uint8_t* p = At(Address{heap.Entries} + Address{o.entrySize} * index, o.entrySize);
    if (!p) return false;
    out = HeapEntryRecord{Word(o, p), Le16(p + o.entryFlags), Word(o, p + o.entryAddress)};
    return true;
  }

 private:
  bool Plausible(uint64_t list, uint32_t count, const Offsets& o) const {
    for (uint64_t i = 1; i < count && i < 64; ++i) {
      const uint8_t* p = At(Address{list} + o.first + Address{o.stride} * i, o.RecordBytes());
      if (!p) return false;
      const uint64_t base = Word(o, p), entries = Word(o, p + o.entries);
      if (base == 0 || base % 0x10000 != 0) return false;
      if (entries != 0 && Le32(p + o.count) != 0 && At(entries, o.entrySize) == nullptr) return false;
    }
    return true;
  }

  const Offsets& m_plain;
  const Offsets& m_tagged;
  Address m_top;
  Address m_base;
  const std::vector<uint8_t>& m_bytes;
};

struct Row {
  uint64_t address, size;
  uint32_t kind;
};

// The walk as a table reader would describe it: segment entries set the
// address of the block after them (entry address plus the heap's overhead)
// and make no row; any other block follows the one before it directly.
// Addresses wrap at the top of the process's address space. The first
// unreadable entry ends the table.
inline std::vector<Row> ReferenceWalk(const Raw& raw, const Offsets& o, const HeapRecord& heap) {
  std::vector<Row> rows;
  uint64_t address = 0, previousSize = 0;
  bool afterSegment = false;
  HeapEntryRecord e{};
  for (uint64_t i = 0; raw.Entry(o, heap, i, e); ++i) {
    if (e.Flags & kEntryFlagSegment) {
      address = (e.Address + heap.EntryOverhead) & raw.Mask();
      afterSegment = true;
      continue;
    }
    if (!afterSegment) address = (address + previousSize) & raw.Mask();
    // A block without a busy bit is free (0x0100 or no bit at all).
    const uint32_t kind = (e.Flags & (kEntryFlagsFixed | kEntryFlagFixedExtra)) ? kBlockKindFixed : kBlockKindFree;
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

inline unsigned long long Ull(uint64_t v) { return static_cast<unsigned long long>(v); }

// Passes reads through, and while a walk is watched, checks that each one is
// a whole entry of the heap's array, at an index below NumberOfEntries, and
// further on than the one before: every entry is read at most once, so a
// walk can neither loop nor run past its count.
class WatchedImage : public MemoryImage {
 public:
  WatchedImage(const MemoryImage& inner, Checks& checks) : m_inner(inner), m_checks(checks) {}

  void Watch(const HeapRecord& heap, uint32_t entrySize) {
    m_watching = true;
    m_begin = heap.Entries;
    m_count = heap.NumberOfEntries;
    m_entrySize = entrySize;
    m_last = 0;
    m_any = false;
  }
  void Unwatch() { m_watching = false; }

  bool Read(uint64_t address, void* out, uint32_t size) const override {
    if (m_watching) {
      const uint64_t offset = address - m_begin;
      m_checks.That(size == m_entrySize, "walk read %u bytes, not one entry", size);
      m_checks.That(address >= m_begin && offset / m_entrySize < m_count,
                    "walk read 0x%llx outside the %u entries at 0x%llx", Ull(address), m_count, Ull(m_begin));
      m_checks.That(offset % m_entrySize == 0, "walk read 0x%llx inside an entry", Ull(address));
      m_checks.That(!m_any || address > m_last, "walk read 0x%llx again or backwards (last 0x%llx)", Ull(address),
                    Ull(m_last));
      m_last = address;
      m_any = true;
    }
    return m_inner.Read(address, out, size);
  }

 private:
  const MemoryImage& m_inner;
  Checks& m_checks;
  bool m_watching = false;
  uint64_t m_begin = 0;
  uint32_t m_count = 0, m_entrySize = 1;
  mutable uint64_t m_last = 0;
  mutable bool m_any = false;
};

class RecordingSink : public BlockTableSink {
 public:
  struct Event {
    bool progress;
    uint32_t row;
    std::string index, address, size, type, status;  // or the caption in `type`
  };
  explicit RecordingSink(Width rowWidth) : width(rowWidth) {}
  void AddRow(uint32_t row, const BlockCursor& block) override {
    BlockRowTexts t;
    MakeBlockRowTexts(row, block, width, t);
    events.push_back(Event{false, row, t.index, t.address, t.size, t.allocationType ? t.allocationType : "(null)",
                           t.status ? t.status : "(null)"});
  }
  void SetProgress(const char* text) override {
    events.push_back(Event{true, 0, {}, {}, {}, text ? text : "(null)", {}});
  }
  Width width;
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

// The texts a table cell shows: a 32-bit program prints with "%x", a 64-bit
// one with "%llx" and addresses of sixteen digits.
inline std::string AddressText(bool wide, uint64_t v) {
  return wide ? Printf("0x%.16llx", Ull(v)) : Printf("0x%.8x", static_cast<unsigned>(v));
}
inline std::string SizeText(bool wide, uint64_t v) {
  return wide ? Printf("0x%.8llx", Ull(v)) : Printf("0x%.8x", static_cast<unsigned>(v));
}

// What the program reads back from an address or size cell.
inline bool ReadsBackAs(const char* text, uint64_t mask, uint64_t value) {
  uint64_t parsed = 0;
  return ParseHex(text, parsed) && (parsed & mask) == value;
}

inline bool SameHeap(const HeapRecord& a, const HeapRecord& b) {
  return a.BaseAddress == b.BaseAddress && a.Flags == b.Flags && a.EntryOverhead == b.EntryOverhead &&
         a.BytesAllocated == b.BytesAllocated && a.BytesCommitted == b.BytesCommitted &&
         a.NumberOfEntries == b.NumberOfEntries && a.Entries == b.Entries;
}

inline bool SameEntry(const HeapEntryRecord& a, const HeapEntryRecord& b) {
  return a.Size == b.Size && a.Flags == b.Flags && a.Address == b.Address;
}

// ReadHeap and ReadEntry at indexes the loops don't reach: the last one
// claimed, just past it, the top of the range, the first whose offset
// passes 2^32 and one from the input.
inline void CheckFarIndexes(Checks& c, const HeapQueryReader& reader, const Raw& raw, const Offsets& o, uint64_t buffer,
                            uint32_t count, uint32_t extra) {
  for (uint32_t index : {count - 1, count, UINT32_MAX, UINT32_MAX / o.stride + 1, extra}) {
    HeapRecord got{}, want{};
    const bool g = reader.ReadHeap(index, got), w = raw.Heap(buffer, o, index, want);
    c.That(g == w, "ReadHeap(%u) says %d, the bytes say %d", index, g, w);
    c.That(!g || SameHeap(got, want), "ReadHeap(%u) decoded other fields", index);
  }
}

inline void CheckFarEntries(Checks& c, const HeapQueryReader& reader, const Raw& raw, const Offsets& o,
                            const HeapRecord& heap, uint32_t extra) {
  const uint32_t n = heap.NumberOfEntries;
  for (uint32_t index : {n - 1, n, UINT32_MAX, UINT32_MAX / o.entrySize + 1, extra}) {
    HeapEntryRecord got{}, want{};
    const bool g = reader.ReadEntry(heap, index, got), w = raw.Entry(o, heap, index, want);
    c.That(g == w, "ReadEntry(%u) says %d, the bytes say %d", index, g, w);
    c.That(!g || SameEntry(got, want), "ReadEntry(%u) decoded other fields", index);
  }
}

inline void CheckNodeTexts(Checks& c, const Raw& raw, bool wide, uint32_t index, const HeapRecord& heap) {
  NodeRowTexts node{};
  MakeNodeRowTexts(index, heap, wide ? Width::Bits64 : Width::Bits32, node);
  const std::string want[6] = {Printf("%d", static_cast<int32_t>(index + 1)),
                               AddressText(wide, heap.BaseAddress),
                               Printf("%d", static_cast<int32_t>(heap.NumberOfEntries)),
                               SizeText(wide, heap.BytesCommitted),
                               SizeText(wide, heap.BytesAllocated),
                               Printf("0x%.8x", static_cast<unsigned>(heap.Flags))};
  for (int i = 0; i < 6; ++i)
    c.That(want[i] == node.cells[i], "node row %u cell %d is '%.18s', printf gives '%s'", index, i, node.cells[i],
           want[i].c_str());
  c.That(ReadsBackAs(node.cells[1], raw.Mask(), heap.BaseAddress), "base text %.18s reads back as another address",
         node.cells[1]);
}

inline const char* KindType(uint32_t kind) {
  return kind == kBlockKindFree ? kAllocationTypeFree : kAllocationTypeFixed;
}

inline const char* KindStatus(uint32_t kind) {
  return kind == kBlockKindFree ? kBlockStatusFree : kBlockStatusAllocated;
}

// FillBlockRows over one heap, every row and caption against the reference
// walk and printf, every read watched.
inline uint64_t CheckWalk(Checks& c, WatchedImage& watched, const HeapQueryReader& reader, const Raw& raw,
                          const Offsets& o, uint32_t heapIndex, const HeapRecord& heap) {
  const std::vector<Row> want = ReferenceWalk(raw, o, heap);
  RecordingSink sink(reader.Layout().width);
  watched.Watch(heap, o.entrySize);
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
    const std::string address = AddressText(o.wide, r.address), size = SizeText(o.wide, r.size);
    c.That(ev.index == Printf("%d", static_cast<int32_t>(row + 1)), "heap %u row %zu: index '%s'", heapIndex, row,
           ev.index.c_str());
    c.That(ev.address == address, "heap %u row %zu: address %s, the entries give %s", heapIndex, row,
           ev.address.c_str(), address.c_str());
    c.That(ev.size == size, "heap %u row %zu: size %s, the entries give %s", heapIndex, row, ev.size.c_str(),
           size.c_str());
    c.That(ReadsBackAs(ev.address.c_str(), raw.Mask(), r.address) && ReadsBackAs(ev.size.c_str(), raw.Mask(), r.size),
           "heap %u row %zu: %s, %s read back as another block", heapIndex, row, ev.address.c_str(), ev.size.c_str());
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

inline size_t CheckDump(Checks& c, const std::vector<uint8_t>& bytes, const Parameters& p) {
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
    const uint32_t offset = static_cast<uint32_t>(p.findBase ^ p.findBase >> 32);
    const size_t asked = bytes.size() < 40 ? bytes.size() : 16 + (p.buffer & 0x17);
    const size_t n = asked < kDumpBytesPerRow ? asked : kDumpBytesPerRow;
    char line[kDumpRowCapacity];
    const size_t length = FormatDumpRow(offset, bytes.data(), asked, line);
    const std::string want = ReferenceDumpRow(offset, bytes.data(), n);
    c.That(length == want.size() && want == line, "row of %zu bytes at 0x%08x is '%s', printf gives '%s'", asked,
           offset, line, want.c_str());
  }

  // The header, cut to a capacity from the buffer address's top byte: whole
  // (a 64-bit one takes up to 98 bytes) for the usual buffer, whose top
  // byte is 0.
  char header[128];
  char want[128];
  const size_t capacity = sizeof header - static_cast<uint8_t>(p.buffer >> (p.wide ? 56 : 24)) % sizeof header;
  const size_t length =
      FormatDumpHeader(p.base, p.buffer, p.findBase, p.wide ? Width::Bits64 : Width::Bits32, header, capacity);
  if (p.wide)
    std::snprintf(want, capacity, "Heap Node Address= 0x%.16llx, Block Address= 0x%.16llx, Size= 0x%.8llx", Ull(p.base),
                  Ull(p.buffer), Ull(p.findBase));
  else
    std::snprintf(want, capacity, "Heap Node Address= 0x%.8x, Block Address= 0x%.8x, Size= 0x%.8x",
                  static_cast<unsigned>(p.base), static_cast<unsigned>(p.buffer), static_cast<unsigned>(p.findBase));
  c.That(length == std::strlen(want) && std::strcmp(header, want) == 0,
         "header in %zu bytes is '%s', printf gives '%s'", capacity, header, want);
  return rows;
}

}  // namespace detail

inline RunResult RunHeapQueryInput(const uint8_t* data, size_t size) {
  using namespace detail;
  RunResult result;
  Parameters p;
  if (!ReadParameters(data, size, p)) return result;
  const std::vector<uint8_t> bytes(data + p.imageAt, data + size);
  const Width width = p.wide ? Width::Bits64 : Width::Bits32;
  const uint32_t extra = static_cast<uint32_t>(p.findBase ^ p.findBase >> 32);

  Checks c;
  const FixtureImage image(p.base, bytes);
  WatchedImage watched(image, c);
  const Raw raw(p.wide, p.base, bytes);
  const QueryLayout& layout = ChooseHeapListLayout(image, p.buffer, width, p.build);
  const Offsets& o = raw.Layout(p.buffer, p.build);
  result.wide = p.wide;
  result.tagged = o.tagged;
  c.That(SameLayout(layout, o), "layout {%u-byte words, records of %u from %u} chosen, the bytes say %s",
         layout.wordSize, layout.recordSize, layout.firstRecord, o.name);
  const HeapQueryReader reader(watched, p.buffer, layout);

  result.heapCount = reader.HeapCount();
  c.That(result.heapCount == raw.Count(p.buffer), "HeapCount %u, the bytes say %u", result.heapCount,
         raw.Count(p.buffer));

  // The loop the node table runs: until the first record that isn't there.
  // Records lie at rising addresses, so this ends within the image whatever
  // the count claims.
  bool firstFound = false;
  HeapRecord firstMatch{};
  for (uint32_t i = 0; c.ok(); ++i) {
    HeapRecord got{}, want{};
    const bool g = reader.ReadHeap(i, got);
    const bool w = raw.Heap(p.buffer, o, i, want);
    if (!c.That(g == w, "ReadHeap(%u) says %d, the bytes say %d", i, g, w) || !g) break;
    c.That(SameHeap(got, want), "ReadHeap(%u) decoded other fields", i);
    ++result.heapsRead;
    if (!firstFound && got.BaseAddress == p.findBase) {
      firstFound = true;
      firstMatch = got;
    }
    CheckNodeTexts(c, raw, p.wide, i, got);
    CheckFarEntries(c, reader, raw, o, got, extra);
    result.rows += CheckWalk(c, watched, reader, raw, o, i, got);
  }
  if (c.ok()) CheckFarIndexes(c, reader, raw, o, p.buffer, result.heapCount, extra);

  HeapRecord found{};
  result.found = reader.FindHeap(p.findBase, found);
  c.That(result.found == firstFound, "FindHeap(0x%llx) says %d, the list says %d", Ull(p.findBase), result.found,
         firstFound);
  c.That(!result.found || SameHeap(found, firstMatch), "FindHeap(0x%llx) gave a later heap", Ull(p.findBase));

  if (c.ok()) result.dumpRows = CheckDump(c, bytes, p);
  result.failure = c.failure();
  return result;
}

}  // namespace heapfuzz
