#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "heap/BlockTableFill.h"
#include "heap/BlockWalk.h"
#include "heap/QueryImageBuilder.h"
#include "heap/TableText.h"

namespace {

constexpr uint32_t kBase = 0x00010000;
constexpr uint64_t kNotRead = 0xDEADBEEFDEADBEEF;  // Address of block entries

HeapEntryRecord Segment(uint64_t address) { return HeapEntryRecord{0x00100000, 0x0002, address}; }

HeapEntryRecord Block(uint64_t size, uint16_t flags) { return HeapEntryRecord{size, flags, kNotRead}; }

// Records every read, so a test can tell which bytes the walk touched.
class RecordingImage : public MemoryImage {
 public:
  explicit RecordingImage(const MemoryImage& inner) : m_inner(inner) {}
  bool Read(uint64_t address, void* out, uint32_t size) const override {
    m_lastEnd = std::max<uint64_t>(m_lastEnd, uint64_t{address} + size);
    return m_inner.Read(address, out, size);
  }
  uint64_t HighestEnd() const { return m_lastEnd; }

 private:
  const MemoryImage& m_inner;
  mutable uint64_t m_lastEnd = 0;
};

class Sink : public BlockTableSink {
 public:
  explicit Sink(Width rowWidth = Width::Bits32) : width(rowWidth) {}
  void AddRow(uint32_t row, const BlockCursor& block) override {
    BlockRowTexts t;
    MakeBlockRowTexts(row, block, width, t);
    rows.push_back(std::string(t.index) + " " + t.address + " " + t.size + " " + t.allocationType + " " + t.status);
    events.push_back("row " + std::to_string(row));
  }
  void SetProgress(const char* text) override {
    progress.push_back(text);
    events.push_back("progress");
  }
  Width width;
  std::vector<std::string> rows, progress, events;
};

struct Fill {
  uint32_t count;
  Sink sink;
};

Fill FillHeap(std::vector<HeapEntryRecord> entries, uint16_t overhead = 8) {
  FixtureImage image = BuildQueryImage(kBase, {{HeapRecord{0x150000, 0, overhead, 0, 0, 0, 0}, entries}});
  HeapQueryReader reader(image, kBase, kQueryLayout32);
  HeapRecord heap{};
  EXPECT_TRUE(reader.ReadHeap(0, heap));
  Fill fill;
  fill.count = FillBlockRows(reader, heap, fill.sink);
  EXPECT_EQ(fill.count, fill.sink.rows.size());
  return fill;
}

// What the tables show of a whole buffer, read as the program reads it:
// each node row followed by the block rows of its heap.
std::vector<std::string> TablesOf(const FixtureImage& image, Width width, uint32_t systemBuild) {
  const HeapQueryReader reader(image, image.Base(), ChooseHeapListLayout(image, image.Base(), width, systemBuild));
  std::vector<std::string> lines;
  HeapRecord heap{};
  for (uint32_t i = 0; reader.ReadHeap(i, heap); ++i) {
    NodeRowTexts node{};
    MakeNodeRowTexts(i, heap, width, node);
    lines.push_back("node");
    for (const char* cell : node.cells) lines.back() += std::string(" ") + cell;
    Sink sink(width);
    FillBlockRows(reader, heap, sink);
    lines.insert(lines.end(), sink.rows.begin(), sink.rows.end());
  }
  return lines;
}

}  // namespace

// The 32-bit rows of the scenario below, and what a 64-bit program shows
// of the same heaps: addresses 16 digits wide, everything else alike.
std::vector<std::string> Widened(std::vector<std::string> lines) {
  for (std::string& line : lines) {
    const size_t at = line.find(" 0x");
    line.insert(at + 3, "00000000");
  }
  return lines;
}

TEST(HeapListLayouts, OneProcessReadsTheSameFromAllFourRecordLayouts) {
  const std::vector<FixtureHeap> heaps = {
      {HeapRecord{0x00150000, 0x00000002, 8, 0x1200, 0x10000, 0, 0},
       {Segment(0x00150580), Block(0x20, 0x0001), Block(0x40, 0x0000), Segment(0x00A00040), Block(0x000F0000, 0x0100)}},
      {HeapRecord{0x00A00000, 0x00001002, 0x18, 0x40, 0x2000, 0, 0}, {Block(0x30, 0x0100), Block(0x10, 0x0001)}},
      {HeapRecord{0x7FFE0000, 0x50000062, 8, 0, 0x1000, 0, 0}, {}}};
  const std::vector<std::string> expected = {"node 1 0x00150000 5 0x00010000 0x00001200 0x00000002",
                                             "1 0x00150588 0x00000020 FIXED Allocated",
                                             "2 0x001505a8 0x00000040 Not applicable Free",
                                             "3 0x00a00048 0x000f0000 Not applicable Free",
                                             "node 2 0x00a00000 2 0x00002000 0x00000040 0x00001002",
                                             "1 0x00000000 0x00000030 Not applicable Free",
                                             "2 0x00000030 0x00000010 FIXED Allocated",
                                             "node 3 0x7ffe0000 0 0x00001000 0x00000000 0x50000062"};
  for (const Width width : {Width::Bits32, Width::Bits64}) {
    const std::vector<std::string> want = width == Width::Bits64 ? Widened(expected) : expected;
    FixtureImage untagged = BuildQueryImage(kBase, heaps, true, LayoutOf(width, false));
    FixtureImage tagged = BuildQueryImage(kBase, heaps, true, LayoutOf(width, true));
    for (uint32_t build : {0u, 7601u, 22621u}) {
      EXPECT_EQ(want, TablesOf(untagged, width, build)) << build;
      EXPECT_EQ(want, TablesOf(tagged, width, build)) << build;
    }
    // With no process heap in the header, a 32-bit buffer can't tell its
    // layout; the build number can. A 64-bit one tells by its records.
    for (FixtureImage* image : {&untagged, &tagged})
      PutWord(LayoutOf(width, false), image->Bytes().data() + LayoutOf(width, false).processHeap, 0);
    EXPECT_EQ(want, TablesOf(untagged, width, 22000));
    EXPECT_EQ(want, TablesOf(tagged, width, 22621));
    EXPECT_EQ(width == Width::Bits64, want == TablesOf(tagged, width, 22000));
    EXPECT_EQ(width == Width::Bits64, want == TablesOf(untagged, width, 22621));
  }
}

TEST(HeapListLayouts, SixtyFourBitAddressesAndSizesKeepTheirUpperHalf) {
  // As a 64-bit process's heaps lie: far above 4 GiB, with a block bigger
  // than 4 GiB. Read at 32-bit widths or offsets, none of this survives.
  constexpr uint64_t kHigh = 0x00007FF6A0000000;
  const std::vector<FixtureHeap> heaps = {
      {HeapRecord{0x000001E5F0A00000, 0x00000002, 0x10, 0x1'0000'2000, 0x2'0000'0000, 0, 0},
       {Segment(0x000001E5F0A00740), Block(0x30, 0x0001), Block(0x1'0000'0010, 0x0001), Block(0x40, 0x0100)}},
      {HeapRecord{kHigh, 0x00001002, 0x10, 0x60, 0x10000, 0, 0}, {Segment(kHigh + 0x700), Block(0x60, 0x0001)}}};
  const std::vector<std::string> expected = {
      "node 1 0x000001e5f0a00000 4 0x200000000 0x100002000 0x00000002",
      "1 0x000001e5f0a00750 0x00000030 FIXED Allocated",
      "2 0x000001e5f0a00780 0x100000010 FIXED Allocated",
      "3 0x000001e6f0a00790 0x00000040 Not applicable Free",
      "node 2 0x00007ff6a0000000 2 0x00010000 0x00000060 0x00001002",
      "1 0x00007ff6a0000710 0x00000060 FIXED Allocated"};
  constexpr uint64_t kHighBase = 0x000001E5EFF00000;  // the buffer, too, lies above 4 GiB
  for (bool tagged : {false, true}) {
    const QueryLayout& layout = LayoutOf(Width::Bits64, tagged);
    const FixtureImage image = BuildQueryImage(kHighBase, heaps, true, layout);
    EXPECT_EQ(expected, TablesOf(image, Width::Bits64, tagged ? 22000 : 22621)) << tagged;
  }
}

TEST(BlockWalkTest, WorkedExampleGivesThreeRowsWithKindsFromOwnFlags) {
  Fill fill = FillHeap(
      {Segment(0x00150580), Block(0x20, 0x0001), Block(0x40, 0x0000), Segment(0x00A00040), Block(0x000F0000, 0x0100)});
  EXPECT_EQ(
      (std::vector<std::string>{"1 0x00150588 0x00000020 FIXED Allocated", "2 0x001505a8 0x00000040 Not applicable Free",
                                "3 0x00a00048 0x000f0000 Not applicable Free"}),
      fill.sink.rows);
  EXPECT_TRUE(fill.sink.progress.empty());
}

TEST(BlockWalkTest, SegmentEntriesMakeNoRows) {
  EXPECT_EQ(0u, FillHeap({}).count);
  EXPECT_EQ(0u, FillHeap({Segment(0x1000), Segment(0x2000), Segment(0x3000)}).count);

  Fill trailing = FillHeap({Segment(0x1000), Block(0x10, 0x0001), Segment(0x2000)});
  EXPECT_EQ(std::vector<std::string>{"1 0x00001008 0x00000010 FIXED Allocated"}, trailing.sink.rows);

  // The address comes from the last segment before the block, in the
  // first step and in later ones.
  Fill twice = FillHeap(
      {Segment(0x1000), Segment(0x2000), Block(0x10, 0x0001), Segment(0x3000), Segment(0x4000), Block(0x30, 0x0001)},
      0x18);
  EXPECT_EQ(
      (std::vector<std::string>{"1 0x00002018 0x00000010 FIXED Allocated", "2 0x00004018 0x00000030 FIXED Allocated"}),
      twice.sink.rows);
}

TEST(BlockWalkTest, BlockAtEntryZeroCountsFromAddressZero) {
  Fill fill = FillHeap({Block(0x100, 0x0001), Block(0x20, 0x0001), Block(0x8, 0x0001)});
  EXPECT_EQ(
      (std::vector<std::string>{"1 0x00000000 0x00000100 FIXED Allocated", "2 0x00000100 0x00000020 FIXED Allocated",
                                "3 0x00000120 0x00000008 FIXED Allocated"}),
      fill.sink.rows);
}

TEST(BlockWalkTest, ClassifiesEachBlockByItsOwnFlags) {
  // Windows 10 and 11 write free blocks with flags 0 (an LFH slot 0x8000)
  // and never 0x0100: a block without a busy bit is free, whatever the
  // block before it was. Busy LFH slots (0x8001) and large blocks (0x4001)
  // are busy; the walk can't tell them apart from fixed blocks.
  Fill fill = FillHeap({Block(0x10, 0x0004), Block(0x10, 0x0020), Block(0x10, 0x0101), Block(0x10, 0x0200),
                        Block(0x10, 0x0100), Block(0x10, 0x0000), Block(0x10, 0x8001), Block(0x10, 0x8000),
                        Block(0x10, 0x4001), Block(0x10, 0x0002 | 0x0001)});
  std::vector<std::string> kinds;
  for (const std::string& row : fill.sink.rows)
    kinds.push_back(row.substr(row.find(' ', row.find(' ', row.find(' ') + 1) + 1) + 1));
  EXPECT_EQ((std::vector<std::string>{"Not applicable Free", "FIXED Allocated", "FIXED Allocated", "FIXED Allocated",
                                      "Not applicable Free", "Not applicable Free", "FIXED Allocated",
                                      "Not applicable Free", "FIXED Allocated"}),
            kinds);
}

TEST(BlockWalkTest, NeverReadsPastTheEntryCountOrTheImage) {
  // Three entries in the image, the record claims two: the third (a
  // block) must not show up, nor be read. And a segment as the last
  // counted entry must end the walk without a read past it.
  HeapRecord heap{0x150000, 0, 8, 0, 0, 2, 0};
  for (uint16_t lastFlags : {uint16_t{0x0001}, uint16_t{0x0002}}) {
    std::vector<HeapEntryRecord> entries{Block(0x10, 0x0001), Block(0x10, lastFlags), Block(0x10, 0x0001)};
    FixtureImage image = BuildQueryImage(kBase, {{heap, entries}});
    const uint32_t arrayEnd = static_cast<uint32_t>(kBase + image.Bytes().size()) - 16;
    // Patch the count back to 2 (the builder wrote 3).
    image.Bytes()[FixtureHeapListOffset(kQueryLayout32) + 4 + 24] = 2;
    RecordingImage recording(image);
    HeapQueryReader reader(recording, kBase, kQueryLayout32);
    HeapRecord read{};
    ASSERT_TRUE(reader.ReadHeap(0, read));
    ASSERT_EQ(2u, read.NumberOfEntries);
    Sink sink;
    EXPECT_EQ(lastFlags == 0x0002 ? 1u : 2u, FillBlockRows(reader, read, sink));
    EXPECT_LE(recording.HighestEnd(), arrayEnd);
  }

  // The record claims more entries than the image holds: the walk ends
  // at the first entry it can't read.
  FixtureImage cut = BuildQueryImage(kBase, {{heap, {Block(0x10, 1), Block(0x10, 1), Block(0x10, 1), Block(0x10, 1)}}});
  cut.Bytes().resize(cut.Bytes().size() - 24);
  cut.Bytes().shrink_to_fit();
  HeapQueryReader reader(cut, kBase, kQueryLayout32);
  HeapRecord read{};
  ASSERT_TRUE(reader.ReadHeap(0, read));
  Sink sink;
  EXPECT_EQ(2u, FillBlockRows(reader, read, sink));

  BlockCursor cursor{0, 0, 0, read.NumberOfEntries};
  EXPECT_FALSE(BlockWalkNext(cursor, reader, read));
}

TEST(BlockTableFillTest, ProgressAfterEveryTwentyFifthRow) {
  auto blocks = [](size_t n) {
    std::vector<HeapEntryRecord> entries{Segment(0x1000)};
    entries.insert(entries.end(), n, Block(0x10, 0x0001));
    return entries;
  };
  EXPECT_TRUE(FillHeap(blocks(24)).sink.progress.empty());

  Fill one = FillHeap(blocks(25));
  EXPECT_EQ(std::vector<std::string>{"Heap Blocks within the selected Node - processing 25 of 26 blocks..."},
            one.sink.progress);
  EXPECT_EQ("progress", one.sink.events.back());

  Fill two = FillHeap(blocks(51));
  ASSERT_EQ(2u, two.sink.progress.size());
  EXPECT_EQ("Heap Blocks within the selected Node - processing 50 of 52 blocks...", two.sink.progress[1]);
  // Progress follows row 25 (index 24) and comes before the next row.
  EXPECT_EQ("row 24", two.sink.events[24]);
  EXPECT_EQ("progress", two.sink.events[25]);
  EXPECT_EQ("row 25", two.sink.events[26]);
}
