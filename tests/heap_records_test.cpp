#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "heap/HeapRecords.h"
#include "heap/QueryImageBuilder.h"

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Several images at once; a read succeeds when one of them holds the whole
// range. Lets a test put bytes at both ends of the address space.
class RegionImage : public MemoryImage {
 public:
  explicit RegionImage(std::vector<FixtureImage> regions) : m_regions(std::move(regions)) {}
  bool Read(uint64_t address, void* out, uint32_t size) const override {
    for (const FixtureImage& region : m_regions)
      if (region.Read(address, out, size)) return true;
    return false;
  }

 private:
  std::vector<FixtureImage> m_regions;
};

HeapRecord Heap(uint64_t base) { return HeapRecord{base, 0, 8, 0, 0, 0, 0}; }

}  // namespace

TEST(FixtureImageTest, ReadsOnlyWholeRangesInsideTheImage) {
  FixtureImage image(0x1000, {1, 2, 3, 4});
  uint8_t out[4] = {};
  EXPECT_TRUE(image.Read(0x1000, out, 4));
  EXPECT_EQ(0, std::memcmp(out, "\x01\x02\x03\x04", 4));
  EXPECT_TRUE(image.Read(0x1003, out, 1));
  EXPECT_FALSE(image.Read(0x1001, out, 4));
  EXPECT_FALSE(image.Read(0x0FFF, out, 2));
  EXPECT_FALSE(image.Read(0x1004, out, 1));

  // An image that ends exactly at the top of the address space.
  FixtureImage top(0xFFFFFF00, std::vector<uint8_t>(0x100, 0xAB));
  EXPECT_TRUE(top.Read(0xFFFFFFFC, out, 4));
  EXPECT_FALSE(top.Read(0xFFFFFFFE, out, 4));
  EXPECT_FALSE(top.Read(0xFFFFFFF0, out, 0xFFFFFFF0));
}

TEST(HeapQueryReaderTest, DecodesFieldsAtTheirOffsets) {
  // Laid out by hand: header, list at 0x1040 with two heaps, then one
  // entry array. Every byte no field owns is 0xFF.
  std::vector<uint8_t> bytes(0x40 + 4 + 2 * 64 + 16, 0xFF);
  Put32(bytes, 56, 0x1040);
  Put32(bytes, 0x40, 2);
  const size_t second = 0x44 + 64;
  Put32(bytes, second + 0, 0x00150000);
  Put32(bytes, second + 4, 0x00000002);
  bytes[second + 8] = 0x08;
  bytes[second + 9] = 0x00;  // offsets 10 and 11 stay 0xFF
  Put32(bytes, second + 12, 0x00012340);
  Put32(bytes, second + 16, 0x00100000);
  Put32(bytes, second + 24, 1);
  Put32(bytes, second + 60, 0x1000 + 0x44 + 128);
  const size_t entry = 0x44 + 128;
  Put32(bytes, entry + 0, 0x00000020);
  bytes[entry + 4] = 0x01;
  bytes[entry + 5] = 0x01;  // offsets 6 to 11 stay 0xFF
  Put32(bytes, entry + 12, 0x00A00040);
  FixtureImage image(0x1000, bytes);

  HeapQueryReader reader(image, 0x1000, kQueryLayout32);
  EXPECT_EQ(2u, reader.HeapCount());
  HeapRecord heap{};
  ASSERT_TRUE(reader.ReadHeap(1, heap));
  EXPECT_EQ(0x00150000u, heap.BaseAddress);
  EXPECT_EQ(0x00000002u, heap.Flags);
  EXPECT_EQ(8u, heap.EntryOverhead);
  EXPECT_EQ(0x00012340u, heap.BytesAllocated);
  EXPECT_EQ(0x00100000u, heap.BytesCommitted);
  EXPECT_EQ(1u, heap.NumberOfEntries);
  EXPECT_EQ(0x10C4u, heap.Entries);

  HeapEntryRecord e{};
  ASSERT_TRUE(reader.ReadEntry(heap, 0, e));
  EXPECT_EQ(0x20u, e.Size);
  EXPECT_EQ(0x0101u, e.Flags);
  EXPECT_EQ(0x00A00040u, e.Address);
  EXPECT_FALSE(reader.ReadEntry(heap, 1, e));

  ASSERT_TRUE(reader.ReadHeap(0, heap));
  EXPECT_EQ(0xFFFFu, heap.EntryOverhead);
  EXPECT_FALSE(reader.ReadHeap(2, heap));
}

TEST(HeapQueryReaderTest, ListsExactlyTheHeapsOfTheList) {
  HeapRecord out{};
  FixtureImage none = BuildEmptyQueryImage(0x2000);
  HeapQueryReader noHeaps(none, 0x2000, kQueryLayout32);
  EXPECT_EQ(0u, noHeaps.HeapCount());
  EXPECT_FALSE(noHeaps.ReadHeap(0, out));
  EXPECT_FALSE(noHeaps.FindHeap(0, out));

  FixtureImage zero = BuildQueryImage(0x2000, {});
  EXPECT_EQ(0u, HeapQueryReader(zero, 0x2000, kQueryLayout32).HeapCount());

  HeapRecord flagged = Heap(0x00300000);
  flagged.Flags = 0x1234;
  FixtureImage three = BuildQueryImage(0x2000, {{Heap(0x00150000), {}}, {flagged, {}}, {Heap(0x00300000), {}}});
  // The builder's bytes between the fields are not part of any field.
  three.Bytes()[FixtureHeapListOffset(kQueryLayout32) + 4 + 10] = 0xFF;
  three.Bytes()[FixtureHeapListOffset(kQueryLayout32) + 4 + 11] = 0xFF;
  HeapQueryReader reader(three, 0x2000, kQueryLayout32);
  ASSERT_EQ(3u, reader.HeapCount());
  ASSERT_TRUE(reader.ReadHeap(0, out));
  EXPECT_EQ(8u, out.EntryOverhead);
  ASSERT_TRUE(reader.ReadHeap(2, out));
  EXPECT_EQ(0x00300000u, out.BaseAddress);
  EXPECT_FALSE(reader.ReadHeap(3, out));
  // The last record ends the list: 4 + 64 * (n - 1) plus one record.
  EXPECT_EQ(FixtureHeapListOffset(kQueryLayout32) + 4 + 64 * 3, three.Bytes().size());

  // Of two heaps with the same base, the earlier one.
  ASSERT_TRUE(reader.FindHeap(0x00300000, out));
  EXPECT_EQ(0x1234u, out.Flags);
  EXPECT_FALSE(reader.FindHeap(0x00400000, out));
}

TEST(HeapQueryReaderTest, MalformedBuffersEndTheRecords) {
  HeapRecord out{};
  HeapEntryRecord entry{};

  // Count larger than the image: the records that exist, then no more.
  FixtureImage image = BuildQueryImage(0x2000, {{Heap(0x10000), {}}, {Heap(0x20000), {}}});
  Put32(image.Bytes(), FixtureHeapListOffset(kQueryLayout32), 1000000);
  HeapQueryReader big(image, 0x2000, kQueryLayout32);
  EXPECT_TRUE(big.ReadHeap(1, out));
  EXPECT_FALSE(big.ReadHeap(2, out));
  EXPECT_FALSE(big.FindHeap(0x30000, out));

  // List pointer outside the image; buffer address outside the image;
  // an image too short for the header.
  Put32(image.Bytes(), 56, 0x00900000);
  EXPECT_EQ(0u, HeapQueryReader(image, 0x2000, kQueryLayout32).HeapCount());
  EXPECT_EQ(0u, HeapQueryReader(image, 0x7000, kQueryLayout32).HeapCount());
  FixtureImage shortImage(0x2000, std::vector<uint8_t>(58, 0));
  EXPECT_EQ(0u, HeapQueryReader(shortImage, 0x2000, kQueryLayout32).HeapCount());

  // Null entry array, array past the end, index past the count.
  HeapRecord heap = Heap(0x10000);
  heap.NumberOfEntries = 4;
  FixtureImage entries = BuildQueryImage(0x2000, {{heap, {}}}, false);
  HeapQueryReader reader(entries, 0x2000, kQueryLayout32);
  ASSERT_TRUE(reader.ReadHeap(0, out));
  EXPECT_FALSE(reader.ReadEntry(out, 0, entry));
  out.Entries = 0x2000 + static_cast<uint32_t>(entries.Bytes().size()) - 8;
  EXPECT_FALSE(reader.ReadEntry(out, 0, entry));
  out.Entries = 0x2000;
  EXPECT_TRUE(reader.ReadEntry(out, 3, entry));
  EXPECT_FALSE(reader.ReadEntry(out, 4, entry));
}

TEST(HeapQueryReaderTest, AddressesNeverWrapAroundTheAddressSpace) {
  // Low memory holds a plausible buffer at 0: a wrapped address would
  // land on it.
  std::vector<uint8_t> low(0x200, 0);
  Put32(low, 0x28, 0x40);
  Put32(low, 0x40, 1);
  // High memory: a list whose record 0 ends at 0xFFFFFFFF, and an entry
  // array whose entry 0 ends there too.
  std::vector<uint8_t> high(0x100, 0);
  Put32(high, 0xBC, 5);       // count at 0xFFFFFFBC
  Put32(high, 0xC0 + 24, 3);  // record 0 NumberOfEntries
  Put32(high, 0xC0 + 60, 0xFFFFFFF0);
  RegionImage image({FixtureImage(0, low), FixtureImage(0xFFFFFF00, high)});

  // Buffer near the top: its list pointer at +56 would wrap to 0x28.
  EXPECT_EQ(0u, HeapQueryReader(image, 0xFFFFFFF0, kQueryLayout32).HeapCount());

  std::vector<uint8_t> header(60, 0);
  Put32(header, 56, 0xFFFFFFBC);
  RegionImage withHeader({FixtureImage(0, low), FixtureImage(0xFFFFFF00, high), FixtureImage(0x1000, header)});
  HeapQueryReader reader(withHeader, 0x1000, kQueryLayout32);
  EXPECT_EQ(5u, reader.HeapCount());
  HeapRecord heap{};
  ASSERT_TRUE(reader.ReadHeap(0, heap));
  HeapRecord next{};
  EXPECT_FALSE(reader.ReadHeap(1, next));
  HeapEntryRecord entry{};
  EXPECT_TRUE(reader.ReadEntry(heap, 0, entry));
  EXPECT_FALSE(reader.ReadEntry(heap, 1, entry));
}

TEST(HeapListLayoutTest, TheProcessHeapDecidesAndTheBuildOnlyWhenItCannot) {
  const std::vector<FixtureHeap> heaps = {{Heap(0x00150000), {}}, {Heap(0x00A00000), {}}};
  auto choose = [](const FixtureImage& image, uint32_t build) {
    return ChooseHeapListLayout(image, 0x2000, Width::Bits32, build);
  };
  FixtureImage untagged = BuildQueryImage(0x2000, heaps);
  FixtureImage tagged = BuildQueryImage(0x2000, heaps, true, kQueryLayout32Tagged);
  // Record 0's flags lie at offset 8 of an untagged list: equal to the
  // process heap, they must not make it look tagged.
  Put32(untagged.Bytes(), FixtureHeapFieldOffset(0, kQueryLayout32.heapFlags), 0x00150000);

  // Where the process heap is found, the build does not matter.
  for (uint32_t build : {0u, 7601u, 22000u, 22001u, 22621u, 26100u}) {
    EXPECT_EQ(kQueryLayout32, choose(untagged, build)) << build;
    EXPECT_EQ(kQueryLayout32Tagged, choose(tagged, build)) << build;
  }

  // The header names no process heap, or one the list does not start with:
  // builds after 22000 write tagged records.
  for (uint32_t processHeap : {0u, 0x00A00000u}) {
    for (FixtureImage* image : {&untagged, &tagged}) {
      Put32(image->Bytes(), kQueryLayout32.processHeap, processHeap);
      EXPECT_EQ(kQueryLayout32, choose(*image, 0));
      EXPECT_EQ(kQueryLayout32, choose(*image, 22000));
      EXPECT_EQ(kQueryLayout32Tagged, choose(*image, 22001));
    }
  }

  // No heap to compare with: an empty list (even with a process heap
  // named), no list at all.
  FixtureImage empty = BuildQueryImage(0x2000, {});
  Put32(empty.Bytes(), kQueryLayout32.processHeap, 0x00150000);
  FixtureImage none = BuildEmptyQueryImage(0x2000);
  for (const FixtureImage* image : {&empty, &none}) {
    EXPECT_EQ(kQueryLayout32, choose(*image, 7601));
    EXPECT_EQ(kQueryLayout32Tagged, choose(*image, 22621));
  }
}

TEST(HeapListLayoutTest, SixtyFourBitRecordSizeIsToldByTheRecordsAfterTheFirst) {
  // Record 0 starts at 8 in both forms and is the process heap in both, so
  // only the later records can tell 88 from 96 bytes.
  auto choose = [](const FixtureImage& image, uint32_t build) {
    return ChooseHeapListLayout(image, image.Base(), Width::Bits64, build);
  };
  constexpr uint64_t kBuffer = 0x000001E5EFF00000;
  HeapRecord second = Heap(0x000001E5F0A00000);
  second.NumberOfEntries = 3;
  const std::vector<FixtureHeap> heaps = {
      {Heap(0x000001E5F0000000), {}}, {second, {HeapEntryRecord{0x20, 0x0001, 0}}}, {Heap(0x7FF6A0010000), {}}};
  for (bool withEntries : {true, false}) {  // a summary-only query leaves the entry pointers null
    const FixtureImage untagged = BuildQueryImage(kBuffer, heaps, withEntries, kQueryLayout64);
    const FixtureImage tagged = BuildQueryImage(kBuffer, heaps, withEntries, kQueryLayout64Tagged);
    for (uint32_t build : {0u, 22000u, 22621u}) {
      EXPECT_EQ(kQueryLayout64, choose(untagged, build)) << build;
      EXPECT_EQ(kQueryLayout64Tagged, choose(tagged, build)) << build;
    }
  }

  // One heap, or records that read as heaps in neither form or in both:
  // the build decides, as for a 32-bit buffer that can't tell.
  FixtureImage one = BuildQueryImage(kBuffer, {{Heap(0x000001E5F0000000), {}}}, true, kQueryLayout64Tagged);
  FixtureImage unaligned = BuildQueryImage(kBuffer, heaps, true, kQueryLayout64);
  PutLe64(unaligned.Bytes().data() + FixtureHeapFieldOffset(1, 0, kQueryLayout64), 0x000001E5F0A00008);
  FixtureImage entriesElsewhere = BuildQueryImage(kBuffer, heaps, true, kQueryLayout64);
  PutLe64(entriesElsewhere.Bytes().data() + FixtureHeapFieldOffset(1, kQueryLayout64.entries, kQueryLayout64), 0x10);
  // Zeros from offset 96 on read as null-array heaps at 64 KiB multiples
  // in both forms, when their bases are 64 KiB-aligned too.
  FixtureImage both(kBuffer, std::vector<uint8_t>(0x400, 0));
  PutLe64(both.Bytes().data() + kQueryLayout64.heapsPointer, kBuffer + 0x100);
  PutLe32(both.Bytes().data() + 0x100, 3);
  for (uint64_t offset : {8u, 96u, 104u, 184u, 200u}) PutLe64(both.Bytes().data() + 0x100 + offset, 0x10000);
  for (FixtureImage* image : {&one, &unaligned, &entriesElsewhere, &both}) {
    EXPECT_EQ(kQueryLayout64, choose(*image, 0));
    EXPECT_EQ(kQueryLayout64, choose(*image, 22000));
    EXPECT_EQ(kQueryLayout64Tagged, choose(*image, 22001));
  }
}
