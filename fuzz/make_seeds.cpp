// Writes the seed inputs of the heap-query fuzzer into the folder given as
// the only argument: small well-formed query images from the image builder,
// and a few with one field bent (huge counts, arrays at the top of the
// address space, a buffer whose list pointer would wrap).
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/heap_query_input.h"
#include "heap/QueryImageBuilder.h"

namespace {

HeapEntryRecord Segment(uint32_t address) { return HeapEntryRecord{0x00100000, kEntryFlagSegment, address}; }

HeapEntryRecord Block(uint32_t size, uint16_t flags) { return HeapEntryRecord{size, flags, 0}; }

HeapRecord Heap(uint32_t base, uint16_t overhead = 8) {
  return HeapRecord{base, 0x00000002, overhead, 0x1200, 0x10000, 0, 0};
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Offset in the image of field `field` of heap record `index`.
size_t HeapField(uint32_t index, uint32_t field) { return static_cast<size_t>(FixtureHeapFieldOffset(index, field)); }

bool Write(const std::string& folder, const char* name, uint32_t bufferOffset, uint32_t findBase,
           const FixtureImage& image, uint32_t systemBuild = 7601) {
  const std::vector<uint8_t> input =
      heapfuzz::MakeInput(image.Base(), bufferOffset, findBase, image.Bytes(), systemBuild);
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(input.data(), 1, input.size(), f) != input.size() || std::fclose(f) != 0) {
    std::perror(path.c_str());
    return false;
  }
  return true;
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
  ok &= Write(dir, "tagged-two-heaps", 0, 0x00250000, BuildQueryImage(0x00010000, tagged, true, kHeapListTagged));
  FixtureImage taggedByBuild = BuildQueryImage(0x00010000, tagged, true, kHeapListTagged);
  Put32(taggedByBuild.Bytes(), kQueryProcessHeapOffset, 0);
  ok &= Write(dir, "tagged-by-build", 0, 0x00150000, taggedByBuild, 22621);

  // 30 blocks: one progress caption.
  std::vector<HeapEntryRecord> many{Segment(0x00400000)};
  many.insert(many.end(), 30, Block(0x10, 0x0001));
  ok &= Write(dir, "progress", 0, 0x00150000, BuildQueryImage(0x00010000, {{Heap(0x00150000), many}}));

  // The list claims 0xFFFFFFFF heaps, the image holds one.
  FixtureImage hugeCount = BuildQueryImage(0x00010000, {{Heap(0x00150000), mixed}});
  Put32(hugeCount.Bytes(), kFixtureHeapListOffset, 0xFFFFFFFF);
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
  return ok ? 0 : 1;
}
