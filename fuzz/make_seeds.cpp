// Writes the seed inputs of the heap-query fuzzer into the folder given as
// the only argument: small well-formed query images from the image builder
// in the layouts of 32-bit and 64-bit processes, and a few with one field
// bent (huge counts, arrays at the top of the address space, a buffer whose
// list pointer would wrap).
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/heap_query_input.h"
#include "heap/QueryImageBuilder.h"

namespace {

HeapEntryRecord Segment(uint64_t address) { return HeapEntryRecord{0x00100000, kEntryFlagSegment, address}; }

HeapEntryRecord Block(uint64_t size, uint16_t flags) { return HeapEntryRecord{size, flags, 0}; }

HeapRecord Heap(uint64_t base, uint16_t overhead = 8) {
  return HeapRecord{base, 0x00000002, overhead, 0x1200, 0x10000, 0, 0};
}

void Put32(std::vector<uint8_t>& bytes, uint64_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(std::vector<uint8_t>& bytes, uint64_t offset, uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Offset in the image of byte `field` of heap record `index`.
uint64_t HeapField(uint32_t index, uint32_t field, const QueryLayout& layout = kQueryLayout32) {
  return FixtureHeapFieldOffset(index, field, layout);
}

bool WriteFile(const std::string& folder, const char* name, const std::vector<uint8_t>& input) {
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(input.data(), 1, input.size(), f) != input.size() || std::fclose(f) != 0) {
    std::perror(path.c_str());
    return false;
  }
  return true;
}

// A 32-bit input in the short form.
bool Write(const std::string& folder, const char* name, uint32_t bufferOffset, uint32_t findBase,
           const FixtureImage& image, uint32_t systemBuild = 7601) {
  return WriteFile(
      folder, name,
      heapfuzz::MakeInput(static_cast<uint32_t>(image.Base()), bufferOffset, findBase, image.Bytes(), systemBuild));
}

// An input in the wide form, its image placed at `base`.
bool WriteWide(const std::string& folder, const char* name, Width width, uint64_t base, uint64_t bufferOffset,
               uint64_t findBase, const FixtureImage& image, uint32_t systemBuild) {
  return WriteFile(folder, name,
                   heapfuzz::MakeWideInput(width, base, bufferOffset, findBase, image.Bytes(), systemBuild));
}

bool Write64(const std::string& folder, const char* name, uint64_t bufferOffset, uint64_t findBase,
             const FixtureImage& image, uint32_t systemBuild) {
  return WriteWide(folder, name, Width::Bits64, image.Base(), bufferOffset, findBase, image, systemBuild);
}

// The 64-bit seeds: a process's heaps and the query buffer above 4 GiB, in
// both record forms, and the bent fields of the 32-bit seeds again.
bool WriteSixtyFourBitSeeds(const std::string& dir) {
  const QueryLayout& plain = kQueryLayout64;
  const QueryLayout& tagged = kQueryLayout64Tagged;
  const uint64_t low = 0x00010000;
  const std::vector<HeapEntryRecord> mixed{Segment(0x00150740), Block(0x20, 0x0001),       Block(0x40, 0x0000),
                                           Segment(0x00A00040), Block(0x000F0000, 0x0100), Block(0x18, 0x0200)};
  const std::vector<FixtureHeap> two{{Heap(0x00150000), mixed}, {Heap(0x00250000, 0x10), mixed}};
  bool ok = true;

  ok &= Write64(dir, "64-empty-list", 0, 0, BuildEmptyQueryImage(low, plain), 19045);
  // One heap: nothing after record 0 tells the record size, the build does.
  ok &=
      Write64(dir, "64-one-heap", 0, 0x00150000, BuildQueryImage(low, {{Heap(0x00150000), mixed}}, true, plain), 19045);
  ok &= Write64(dir, "64-two-heaps", 0, 0x00250000, BuildQueryImage(low, two, true, plain), 19045);
  ok &= Write64(dir, "64-tagged-two-heaps", 0, 0x00250000, BuildQueryImage(low, two, true, tagged), 22621);

  // Record 0's tag holds an aligned address, so that 88 bytes on from
  // record 0 a heap seems to start too: both sizes read plausibly, and the
  // build decides.
  FixtureImage byBuild = BuildQueryImage(low, two, true, tagged);
  Put64(byBuild.Bytes(), HeapField(0, plain.recordSize, tagged), 0x000001D200000000);
  ok &= Write64(dir, "64-tagged-by-build", 0, 0x00250000, byBuild, 22621);

  // A 64-bit process as it is met: buffer, heaps and segments above 4 GiB,
  // and a block larger than 4 GiB.
  const uint64_t heap1 = 0x000001D23F500000, heap2 = 0x000001D241100000;
  const std::vector<HeapEntryRecord> high{Segment(heap1 + 0x740), Block(0x0000000123456780, 0x0001),
                                          Block(0x40, 0x0100),    Segment(heap2 + 0x740),
                                          Block(0x30, 0x0001),    Block(0x50, 0x0000)};
  ok &= Write64(
      dir, "64-above-4gib", 0, heap2,
      BuildQueryImage(0x000002334F2C0000, {{Heap(heap1, 0x10), high}, {Heap(heap2, 0x10), high}}, true, tagged), 22631);

  // The list claims 0xFFFFFFFF heaps, the image holds one; a heap claims
  // 0xFFFFFFFF entries, the image holds six.
  FixtureImage hugeCount = BuildQueryImage(low, {{Heap(0x00150000), mixed}}, true, plain);
  Put32(hugeCount.Bytes(), FixtureHeapListOffset(plain), 0xFFFFFFFF);
  ok &= Write64(dir, "64-huge-heap-count", 0, 0x00990000, hugeCount, 19045);
  FixtureImage hugeEntries = BuildQueryImage(low, {{Heap(0x00150000), mixed}}, true, plain);
  Put32(hugeEntries.Bytes(), HeapField(0, plain.numberOfEntries, plain), 0xFFFFFFFF);
  ok &= Write64(dir, "64-huge-entry-count", 0, 0x00150000, hugeEntries, 19045);

  // The image ends at 2^64; then its entry array starts at the last entry,
  // so entry 1 would wrap to 0.
  const size_t size = BuildQueryImage(0, {{Heap(0x00150000), mixed}}, true, plain).Bytes().size();
  const uint64_t top = 0 - uint64_t{size};
  ok &= Write64(dir, "64-image-at-top", 0, 0x00150000, BuildQueryImage(top, {{Heap(0x00150000), mixed}}, true, plain),
                19045);
  FixtureImage wrapEntries = BuildQueryImage(top, {{Heap(0x00150000), mixed}}, true, plain);
  Put64(wrapEntries.Bytes(), HeapField(0, plain.entries, plain), 0 - uint64_t{plain.entryRecordSize});
  ok &= Write64(dir, "64-entries-wrap", 0, 0x00150000, wrapEntries, 19045);

  // A buffer 16 bytes below 2^64: its list pointer would lie past 2^64,
  // and where it would wrap to lies a copy of the real one.
  FixtureImage wrapBuffer = BuildQueryImage(0, {{Heap(0x00150000), mixed}}, true, plain);
  Put64(wrapBuffer.Bytes(), plain.heapsPointer - 16, FixtureHeapListOffset(plain));
  ok &= Write64(dir, "64-buffer-wraps", 0 - uint64_t{16}, 0x00150000, wrapBuffer, 19045);

  // 32-bit layouts in the wide form: as the short form reads them, and the
  // same bytes above 4 GiB, where a 32-bit reader reaches nothing.
  const FixtureImage narrow = BuildQueryImage(low, {{Heap(0x00150000), mixed}});
  ok &= WriteWide(dir, "wide-32-one-heap", Width::Bits32, low, 0, 0x00150000, narrow, 7601);
  ok &= WriteWide(dir, "wide-32-above-4gib", Width::Bits32, 0x0000000100010000, 0, 0x00150000, narrow, 7601);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<HeapEntryRecord> mixed{Segment(0x00150580), Block(0x20, 0x0001),       Block(0x40, 0x0000),
                                           Segment(0x00A00040), Block(0x000F0000, 0x0100), Block(0x18, 0x0200)};
  bool ok = true;

  ok &= Write(dir, "empty-list", 0, 0, BuildEmptyQueryImage(0x00010000));
  ok &= Write(dir, "one-heap", 0, 0x00150000, BuildQueryImage(0x00010000, {{Heap(0x00150000), mixed}}));
  ok &= Write(dir, "two-heaps", 0, 0x00250000,
              BuildQueryImage(0x00340000, {{Heap(0x00150000), {Block(0x10, 1), Block(0x30, 0x100)}},
                                           {Heap(0x00250000, 0x18), mixed}}));
  ok &= Write(dir, "segments-only", 0, 0x00150000,
              BuildQueryImage(0x00010000, {{Heap(0x00150000), {Segment(0x1000), Segment(0x2000)}}}));

  // Records 72 bytes apart from offset 8: found by the process heap in the
  // header, and by the build number alone when the header names none.
  const std::vector<FixtureHeap> tagged{{Heap(0x00150000), mixed}, {Heap(0x00250000, 0x18), mixed}};
  ok &= Write(dir, "tagged-two-heaps", 0, 0x00250000, BuildQueryImage(0x00010000, tagged, true, kQueryLayout32Tagged));
  FixtureImage taggedByBuild = BuildQueryImage(0x00010000, tagged, true, kQueryLayout32Tagged);
  Put32(taggedByBuild.Bytes(), kQueryLayout32.processHeap, 0);
  ok &= Write(dir, "tagged-by-build", 0, 0x00150000, taggedByBuild, 22621);

  // 30 blocks: one progress caption.
  std::vector<HeapEntryRecord> many{Segment(0x00400000)};
  many.insert(many.end(), 30, Block(0x10, 0x0001));
  ok &= Write(dir, "progress", 0, 0x00150000, BuildQueryImage(0x00010000, {{Heap(0x00150000), many}}));

  // The list claims 0xFFFFFFFF heaps, the image holds one.
  FixtureImage hugeCount = BuildQueryImage(0x00010000, {{Heap(0x00150000), mixed}});
  Put32(hugeCount.Bytes(), FixtureHeapListOffset(kQueryLayout32), 0xFFFFFFFF);
  ok &= Write(dir, "huge-heap-count", 0, 0x00990000, hugeCount);

  // The heap claims 0xFFFFFFFF entries, the image holds six.
  FixtureImage hugeEntries = BuildQueryImage(0x00010000, {{Heap(0x00150000), mixed}});
  Put32(hugeEntries.Bytes(), HeapField(0, 24), 0xFFFFFFFF);
  ok &= Write(dir, "huge-entry-count", 0, 0x00150000, hugeEntries);

  // The whole image ends at the top of the address space.
  const FixtureImage probe = BuildQueryImage(0, {{Heap(0x00150000), mixed}});
  const uint32_t topBase = static_cast<uint32_t>((uint64_t{1} << 32) - probe.Bytes().size());
  ok &= Write(dir, "image-at-top", 0, 0x00150000, BuildQueryImage(topBase, {{Heap(0x00150000), mixed}}));

  // An entry array that starts just below 2^32: entry 1 would wrap to 0.
  FixtureImage wrapEntries = BuildQueryImage(topBase, {{Heap(0x00150000), mixed}});
  Put32(wrapEntries.Bytes(), HeapField(0, 60), 0xFFFFFFF0);
  ok &= Write(dir, "entries-wrap", 0, 0x00150000, wrapEntries);

  // A buffer address whose list pointer would lie past 2^32.
  ok &= Write(dir, "buffer-wraps", 0xFFFFFFF0, 0x00150000, BuildQueryImage(0x00000000, {{Heap(0x00150000), mixed}}));

  // Records written as given: no entry array, a dangling one, a zero one.
  HeapRecord dangling = Heap(0x00150000);
  dangling.NumberOfEntries = 4;
  dangling.Entries = 0x7FFF0000;
  HeapRecord none = Heap(0x00250000);
  none.NumberOfEntries = 4;
  ok &= Write(dir, "summary-only", 0, 0x00250000, BuildQueryImage(0x00010000, {{dangling, {}}, {none, {}}}, false));

  ok &= WriteSixtyFourBitSeeds(dir);
  return ok ? 0 : 1;
}
