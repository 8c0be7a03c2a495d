// Inputs for the heap-query fuzz target replayed through the same checks it
// runs (fuzz/heap_query_input.h): the committed seeds, and hand-made images
// for the paths where a reader goes wrong most easily: counts far beyond the
// image, addresses that would wrap past 2^32 or 2^64 onto readable bytes,
// the record size of a 64-bit list, and 64-bit addresses cut to 32 bits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/heap_query_input.h"

namespace {

// Image bytes addressed as the reader sees them, in the record layout of a
// 32-bit process or, when wide, of a 64-bit one.
class Image {
 public:
  Image(uint64_t base, size_t size, bool wide = false) : m_base(base), m_wide(wide), m_bytes(size, 0) {}

  Image& Put(uint64_t address, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) m_bytes.at(address - m_base + i) = static_cast<uint8_t>(value >> (8 * i));
    return *this;
  }
  Image& Put32(uint64_t address, uint32_t value) { return Put(address, value, 4); }
  Image& Put16(uint64_t address, uint16_t value) { return Put(address, value, 2); }
  // A pointer or size: 4 or 8 bytes.
  Image& PutWord(uint64_t address, uint64_t value) { return Put(address, value, m_wide ? 8 : 4); }
  // The header's heap-list pointer and process heap.
  Image& PutHeader(uint64_t buffer, uint64_t list, uint64_t processHeap) {
    return PutWord(buffer + (m_wide ? 112 : 56), list).PutWord(buffer + (m_wide ? 152 : 76), processHeap);
  }
  // Heap record at `address`: base, overhead, entry count and array.
  Image& PutHeap(uint64_t address, uint64_t heapBase, uint16_t overhead, uint32_t count, uint64_t entries) {
    return PutWord(address, heapBase)
        .Put16(address + (m_wide ? 12 : 8), overhead)
        .Put32(address + (m_wide ? 36 : 24), count)
        .PutWord(address + (m_wide ? 80 : 60), entries);
  }
  Image& PutEntry(uint64_t address, uint64_t size, uint16_t flags, uint64_t entryAddress) {
    return PutWord(address, size)
        .Put16(address + (m_wide ? 8 : 4), flags)
        .PutWord(address + (m_wide ? 24 : 12), entryAddress);
  }

  // 32-bit images go in the fuzzer's short input form, 64-bit ones in the
  // wide form.
  heapfuzz::RunResult Run(uint64_t bufferOffset, uint64_t findBase, uint32_t build = 7601) const {
    const std::vector<uint8_t> input =
        m_wide ? heapfuzz::MakeWideInput(Width::Bits64, m_base, bufferOffset, findBase, m_bytes, build)
               : heapfuzz::MakeInput(static_cast<uint32_t>(m_base), static_cast<uint32_t>(bufferOffset),
                                     static_cast<uint32_t>(findBase), m_bytes, build);
    return heapfuzz::RunHeapQueryInput(input.data(), input.size());
  }

 private:
  uint64_t m_base;
  bool m_wide;
  std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST(FuzzRegressionTest, CommittedSeedsPassEveryCheck) {
  const std::filesystem::path corpus = std::filesystem::path(__FILE__).parent_path().parent_path() / "fuzz" / "corpus";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  size_t files = 0;
  // Rows reached, by width and record form: every layout's walk is seeded.
  uint64_t rows[2][2] = {};
  for (const auto& file : std::filesystem::directory_iterator(corpus)) {
    std::ifstream in(file.path(), std::ios::binary);
    const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const heapfuzz::RunResult result = heapfuzz::RunHeapQueryInput(input.data(), input.size());
    EXPECT_EQ("", result.failure) << file.path();
    rows[result.wide][result.tagged] += result.rows;
    ++files;
  }
  EXPECT_GE(files, 20u);
  for (int wide = 0; wide < 2; ++wide)
    for (int tagged = 0; tagged < 2; ++tagged)
      EXPECT_GT(rows[wide][tagged], 0u) << (wide ? "64" : "32") << "-bit " << (tagged ? "tagged" : "untagged")
                                        << " records: no seed reaches the block walk";
}

TEST(FuzzRegressionTest, HugeCountsEndWhereTheImageEnds) {
  // The list claims 0xFFFFFFFF heaps and holds two records, with the
  // same base: FindHeap must give the first and stop at the image end.
  const uint32_t base = 0x00400000;
  Image heaps(base, 64 + 4 + 2 * 64);
  heaps.Put32(base + 56, base + 64).Put32(base + 64, 0xFFFFFFFF);
  heaps.PutHeap(base + 68, 0x00150000, 8, 0, 0).PutHeap(base + 132, 0x00150000, 16, 0, 0);
  heapfuzz::RunResult r = heaps.Run(0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(0xFFFFFFFFu, r.heapCount);
  EXPECT_EQ(2u, r.heapsRead);
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(heaps.Run(0, 0x00990000).found);

  // A heap claims 0xFFFFFFFF entries and the image holds three.
  Image entries(base, 64 + 4 + 64 + 3 * 16);
  const uint32_t array = base + 132;
  entries.Put32(base + 56, base + 64).Put32(base + 64, 1).PutHeap(base + 68, 0x00150000, 8, 0xFFFFFFFF, array);
  entries.PutEntry(array, 0x20, kEntryFlagSegment, 0x00150000)
      .PutEntry(array + 16, 0x20, 0x0001, 0)
      .PutEntry(array + 32, 0x40, 0x0100, 0);
  r = entries.Run(0, 0);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(1u, r.heapsRead);
  EXPECT_EQ(2u, r.rows);
}

TEST(FuzzRegressionTest, AddressesThatWrapPast4GiBReadNothing) {
  // The buffer sits 16 bytes below 2^32, so its list pointer would be at
  // 0x28 after a wrap, and there lies a list of one heap. A reader that
  // wrapped would find it.
  Image low(0, 0x200);
  low.Put32(0x28, 0x100).Put32(0x100, 1).PutHeap(0x104, 0x00150000, 8, 0, 0);
  heapfuzz::RunResult r = low.Run(0xFFFFFFF0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(0u, r.heapCount);
  EXPECT_FALSE(r.found);

  // The buffer at 0, pointing at the same list: the list is read, and the
  // far indexes (0x04000000 heaps, 0x10000000 entries on) land back on
  // record 0 and entry 0 only if the offsets wrap.
  low.Put32(0x38, 0x100).PutHeap(0x104, 0x00150000, 8, 0xFFFFFFFF, 0x180).PutEntry(0x180, 0x10, 0x0001, 0);
  r = low.Run(0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_TRUE(r.found);

  // An image ending at 2^32 whose entry array starts at its last 16
  // bytes: entry 0 is a block, entry 1 would be at address 0.
  const uint32_t top = 0xFFFFFF00;
  Image high(top, 0x100);
  high.Put32(top + 56, top + 64).Put32(top + 64, 1).PutHeap(top + 68, 0x00150000, 8, 5, 0xFFFFFFF0);
  high.PutEntry(0xFFFFFFF0, 0x30, 0x0001, 0);
  r = high.Run(0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(1u, r.rows);
}

TEST(FuzzRegressionTest, SelfOverlappingRecordsAndWrappingBlockAddresses) {
  // The entry array is the buffer itself, so the header bytes are read as
  // entries; a segment near 2^32 plus the overhead wraps the block address.
  const uint32_t base = 0x00010000;
  Image image(base, 0x100);
  image.Put32(base + 56, base + 0x80).Put32(base + 0x80, 1).PutHeap(base + 0x84, 0x00150000, 0x18, 8, base);
  image.PutEntry(base, 0x10, kEntryFlagSegment, 0xFFFFFFF0).PutEntry(base + 16, 0x40, 0x0001, 0);
  image.PutEntry(base + 32, 0x20, 0x0100, 0);
  const heapfuzz::RunResult r = image.Run(0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(1u, r.heapsRead);
  // Entries 3 to 7 take in the list pointer and the zero bytes after it:
  // five more blocks, unclassified.
  EXPECT_EQ(7u, r.rows);
  EXPECT_EQ(16u, r.dumpRows);
}

TEST(FuzzRegressionTest, SixtyFourBitRecordSizeIsToldByTheRecordsAfterTheFirst) {
  // Three heaps 96 bytes apart from offset 8 of the list (tagged). Read 88
  // bytes apart, record 1's base would be record 0's tag, which is 0: the
  // records decide, even under a build that writes no tags.
  const uint64_t base = 0x000002334F2C0000, list = base + 160;
  const uint64_t heaps[3] = {0x000001D23F500000, 0x000001D241100000, 0x000001D243A00000};
  Image tagged(base, 160 + 8 + 3 * 96, true);
  tagged.PutHeader(base, list, heaps[0]).Put32(list, 3);
  for (int i = 0; i < 3; ++i) tagged.PutHeap(list + 8 + 96 * i, heaps[i], 16, 0, 0);
  heapfuzz::RunResult r = tagged.Run(0, heaps[2], 7601);
  EXPECT_EQ("", r.failure);
  EXPECT_TRUE(r.tagged);
  EXPECT_EQ(3u, r.heapsRead);
  EXPECT_TRUE(r.found);

  // The same heaps 88 bytes apart, under a build that writes tags.
  Image plain(base, 160 + 8 + 3 * 88, true);
  plain.PutHeader(base, list, heaps[0]).Put32(list, 3);
  for (int i = 0; i < 3; ++i) plain.PutHeap(list + 8 + 88 * i, heaps[i], 16, 0, 0);
  r = plain.Run(0, heaps[2], 22621);
  EXPECT_EQ("", r.failure);
  EXPECT_FALSE(r.tagged);
  EXPECT_EQ(3u, r.heapsRead);
  EXPECT_TRUE(r.found);

  // One heap leaves nothing to go by: builds after 22000 write tags.
  Image one(base, 160 + 8 + 96, true);
  one.PutHeader(base, list, heaps[0]).Put32(list, 1).PutHeap(list + 8, heaps[0], 16, 0, 0);
  r = one.Run(0, heaps[0], 22001);
  EXPECT_EQ("", r.failure);
  EXPECT_TRUE(r.tagged);
  EXPECT_TRUE(r.found);
  r = one.Run(0, heaps[0], 22000);
  EXPECT_EQ("", r.failure);
  EXPECT_FALSE(r.tagged);

  // Neither size gives heaps when record 1's base is not 64 KiB-aligned,
  // or its entry array can't be read: the build decides again.
  tagged.PutWord(list + 8 + 96, heaps[1] + 0x1000);
  r = tagged.Run(0, heaps[2], 7601);
  EXPECT_EQ("", r.failure);
  EXPECT_FALSE(r.tagged);
  r = tagged.Run(0, heaps[2], 22621);
  EXPECT_EQ("", r.failure);
  EXPECT_TRUE(r.tagged);
  tagged.PutHeap(list + 8 + 96, heaps[1], 16, 4, 0x00007FF000000000);
  r = tagged.Run(0, heaps[2], 7601);
  EXPECT_EQ("", r.failure);
  EXPECT_FALSE(r.tagged);
}

TEST(FuzzRegressionTest, SixtyFourBitAddressesKeepTheirHighHalf) {
  // A heap above 4 GiB whose segment starts its blocks there, the first
  // block larger than 4 GiB: cut to 32 bits anywhere, an address, a size
  // or the second block's address would read differently.
  const uint64_t base = 0x000002334F2C0000, list = base + 160, array = list + 8 + 88;
  const uint64_t heap = 0x000001D23F500000;
  Image image(base, 160 + 8 + 88 + 3 * 32, true);
  image.PutHeader(base, list, heap).Put32(list, 1).PutHeap(list + 8, heap, 16, 3, array);
  image.PutEntry(array, 0x1000, kEntryFlagSegment, heap + 0x740)
      .PutEntry(array + 32, 0x0000000123456780, 0x0001, 0)
      .PutEntry(array + 64, 0x40, 0x0100, 0);
  const heapfuzz::RunResult r = image.Run(0, heap);
  EXPECT_EQ("", r.failure);
  EXPECT_TRUE(r.wide);
  EXPECT_EQ(2u, r.rows);
  EXPECT_TRUE(r.found);
  // The low half alone is another address.
  EXPECT_FALSE(image.Run(0, heap & 0xFFFFFFFF).found);
}

TEST(FuzzRegressionTest, SixtyFourBitAddressesThatWrapPast2To64ReadNothing) {
  // The buffer sits 16 bytes below 2^64, so its list pointer would be at
  // 96 after a wrap, and there lies a list of one heap.
  Image low(0, 0x200, true);
  low.PutWord(96, 0x100).Put32(0x100, 1).PutHeap(0x108, 0x00150000, 8, 0, 0);
  heapfuzz::RunResult r = low.Run(0 - uint64_t{16}, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(0u, r.heapCount);
  EXPECT_FALSE(r.found);

  // An image ending at 2^64 whose entry array starts at its last 32
  // bytes: entry 0 is a block, entry 1 would be at address 0.
  const uint64_t top = 0 - uint64_t{0x200}, last = 0 - uint64_t{32};
  Image high(top, 0x200, true);
  high.PutHeader(top, top + 160, 0x00150000).Put32(top + 160, 1).PutHeap(top + 168, 0x00150000, 8, 5, last);
  high.PutEntry(last, 0x30, 0x0001, 0);
  r = high.Run(0, 0x00150000);
  EXPECT_EQ("", r.failure);
  EXPECT_EQ(1u, r.rows);
}
