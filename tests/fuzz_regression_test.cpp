// Inputs for the heap-query fuzz target replayed through the same checks it
// runs (fuzz/heap_query_input.h): the committed seeds, and hand-made images
// for the paths where a reader goes wrong most easily: counts far beyond the
// image, and addresses that would wrap past 2^32 onto readable bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/heap_query_input.h"

namespace {

// Image bytes addressed as the reader sees them.
class Image {
 public:
  Image(uint32_t base, size_t size) : m_base(base), m_bytes(size, 0) {}

  Image& Put32(uint32_t address, uint32_t value) {
    for (int i = 0; i < 4; ++i) m_bytes.at(address - m_base + i) = static_cast<uint8_t>(value >> (8 * i));
    return *this;
  }
  Image& Put16(uint32_t address, uint16_t value) {
    m_bytes.at(address - m_base) = static_cast<uint8_t>(value);
    m_bytes.at(address - m_base + 1) = static_cast<uint8_t>(value >> 8);
    return *this;
  }
  // Heap record at `address`: base, overhead, entry count and array.
  Image& PutHeap(uint32_t address, uint32_t heapBase, uint16_t overhead, uint32_t count, uint32_t entries) {
    return Put32(address, heapBase)
        .Put16(address + 8, overhead)
        .Put32(address + 24, count)
        .Put32(address + 60, entries);
  }
  Image& PutEntry(uint32_t address, uint32_t size, uint16_t flags, uint32_t entryAddress) {
    return Put32(address, size).Put16(address + 4, flags).Put32(address + 12, entryAddress);
  }

  heapfuzz::RunResult Run(uint32_t bufferOffset, uint32_t findBase) const {
    const std::vector<uint8_t> input = heapfuzz::MakeInput(m_base, bufferOffset, findBase, m_bytes);
    return heapfuzz::RunHeapQueryInput(input.data(), input.size());
  }

 private:
  uint32_t m_base;
  std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST(FuzzRegressionTest, CommittedSeedsPassEveryCheck) {
  const std::filesystem::path corpus = std::filesystem::path(__FILE__).parent_path().parent_path() / "fuzz" / "corpus";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  size_t files = 0;
  uint64_t rows = 0;
  for (const auto& file : std::filesystem::directory_iterator(corpus)) {
    std::ifstream in(file.path(), std::ios::binary);
    const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const heapfuzz::RunResult result = heapfuzz::RunHeapQueryInput(input.data(), input.size());
    EXPECT_EQ("", result.failure) << file.path();
    rows += result.rows;
    ++files;
  }
  EXPECT_GE(files, 10u);
  EXPECT_GT(rows, 0u) << "no seed reaches the block walk";
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
