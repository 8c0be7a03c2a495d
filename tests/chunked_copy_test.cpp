#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <algorithm>
#include <utility>

#include "blockdata/ChunkedCopy.h"
#include "analysis/BlockHeads.h"
#include "blockdata/FindBlock.h"

namespace {

struct ReadCall {
  uint64_t address;
  uint32_t length;
};

// Serves bytes of a pretend block at base; can be told to fail or to report
// fewer bytes than asked from a given call on.
class FakeReader : public ChunkReader {
 public:
  FakeReader(uint64_t base, size_t size) : base_(base), memory_(size) {
    for (size_t i = 0; i < size; ++i) memory_[i] = static_cast<uint8_t>(i * 7 + 3);
  }

  bool Read(uint64_t address, void* buffer, uint32_t length, uint32_t& bytesRead) override {
    calls.push_back({address, length});
    if (calls.size() == failOnCall) return false;
    uint32_t count = length;
    if (calls.size() == shortOnCall) count = shortCount;
    const size_t offset = address - base_;
    if (offset + (count < length ? count : length) > memory_.size()) return false;
    std::memcpy(buffer, memory_.data() + offset, count < length ? count : length);
    bytesRead = count;
    return true;
  }

  std::vector<uint8_t> Bytes(size_t from, size_t count) const {
    return {memory_.begin() + from, memory_.begin() + from + count};
  }

  std::vector<ReadCall> calls;
  size_t failOnCall = 0;   // 1-based; 0 never
  size_t shortOnCall = 0;  // 1-based; 0 never
  uint32_t shortCount = 0;

 private:
  uint64_t base_;
  std::vector<uint8_t> memory_;
};

class FakeWriter : public ChunkWriter {
 public:
  bool Write(const void* buffer, uint32_t length) override {
    ++writes;
    if (writes == failOnWrite) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    data.insert(data.end(), bytes, bytes + length);
    return true;
  }

  std::vector<uint8_t> data;
  size_t writes = 0;
  size_t failOnWrite = 0;  // 1-based; 0 never
};

// A block of a 64-bit process that crosses 4 GiB: the second chunk's
// address needs the upper half.
constexpr uint64_t kBase = 0x00000000FFFF8588;

}  // namespace

TEST(ChunkedCopy, ReadsInChunksOfAtMost32768Bytes) {
  {
    FakeReader reader(kBase, 32768);
    FakeWriter writer;
    EXPECT_EQ(CopyBlockChunks(kBase, 32768, reader, writer), CopyResult::Done);
    ASSERT_EQ(reader.calls.size(), 1u);
    EXPECT_EQ(reader.calls[0].address, kBase);
    EXPECT_EQ(reader.calls[0].length, 32768u);
    EXPECT_EQ(writer.data, reader.Bytes(0, 32768));
  }
  {
    FakeReader reader(kBase, 32769);
    FakeWriter writer;
    EXPECT_EQ(CopyBlockChunks(kBase, 32769, reader, writer), CopyResult::Done);
    ASSERT_EQ(reader.calls.size(), 2u);
    EXPECT_EQ(reader.calls[1].address, kBase + 32768);
    EXPECT_EQ(reader.calls[1].length, 1u);
    EXPECT_EQ(writer.data, reader.Bytes(0, 32769));
  }
}

TEST(ChunkedCopy, EmptyAndNegativeSizesCopyNothing) {
  // A 32-bit program's size with its top bit set is negative; a 64-bit
  // program's is a size.
  EXPECT_EQ(SignedBlockSize(0x80000010u, Width::Bits32), static_cast<int32_t>(0x80000010u));
  EXPECT_EQ(SignedBlockSize(0x80000010u, Width::Bits64), 0x80000010);
  for (const int64_t size : {int64_t{0}, int64_t{-1}, int64_t{INT32_MIN}, SignedBlockSize(0x80000010u, Width::Bits32),
                             SignedBlockSize(0x8000000000000000u, Width::Bits64)}) {
    FakeReader reader(kBase, 16);
    FakeWriter writer;
    EXPECT_EQ(CopyBlockChunks(kBase, size, reader, writer), CopyResult::Done) << size;
    EXPECT_TRUE(reader.calls.empty()) << size;
    EXPECT_EQ(writer.writes, 0u) << size;
  }
}

TEST(ChunkedCopy, FailedReadKeepsWhatWasWrittenBefore) {
  FakeReader reader(kBase, 4 * 32768);
  reader.failOnCall = 3;
  FakeWriter writer;
  EXPECT_EQ(CopyBlockChunks(kBase, 4 * 32768, reader, writer), CopyResult::ReadFailed);
  EXPECT_EQ(reader.calls.size(), 3u);
  EXPECT_EQ(writer.data, reader.Bytes(0, 2 * 32768));

  FakeReader first(kBase, 10);
  first.failOnCall = 1;
  FakeWriter none;
  EXPECT_EQ(CopyBlockChunks(kBase, 10, first, none), CopyResult::ReadFailed);
  EXPECT_EQ(none.writes, 0u);
}

TEST(ChunkedCopy, FailedWriteEndsTheCopy) {
  FakeReader reader(kBase, 3 * 32768);
  FakeWriter writer;
  writer.failOnWrite = 2;
  EXPECT_EQ(CopyBlockChunks(kBase, 3 * 32768, reader, writer), CopyResult::WriteFailed);
  EXPECT_EQ(reader.calls.size(), 2u);
  EXPECT_EQ(writer.data, reader.Bytes(0, 32768));
}

TEST(ChunkedCopy, ShortAndEmptySuccessfulReads) {
  // A short read is written and the next read starts right after it.
  FakeReader shortReader(kBase, 40000);
  shortReader.shortOnCall = 1;
  shortReader.shortCount = 30000;
  FakeWriter writer;
  EXPECT_EQ(CopyBlockChunks(kBase, 40000, shortReader, writer), CopyResult::Done);
  ASSERT_EQ(shortReader.calls.size(), 2u);
  EXPECT_EQ(shortReader.calls[1].address, kBase + 30000);
  EXPECT_EQ(shortReader.calls[1].length, 10000u);
  EXPECT_EQ(writer.data, shortReader.Bytes(0, 40000));

  // A "successful" read of nothing would repeat forever: it is a failure.
  FakeReader stalled(kBase, 50000);
  stalled.shortOnCall = 2;
  stalled.shortCount = 0;
  FakeWriter partial;
  EXPECT_EQ(CopyBlockChunks(kBase, 50000, stalled, partial), CopyResult::ReadFailed);
  EXPECT_EQ(stalled.calls.size(), 2u);
  EXPECT_EQ(partial.data, stalled.Bytes(0, 32768));

  // A count above what was asked is not believed either.
  FakeReader overstated(kBase, 40000);
  overstated.shortOnCall = 1;
  overstated.shortCount = 40000;
  FakeWriter nothing;
  EXPECT_EQ(CopyBlockChunks(kBase, 100, overstated, nothing), CopyResult::ReadFailed);
  EXPECT_EQ(nothing.writes, 0u);
}

// ---- Finding a block by its bytes: the same kind of read, through a reader.

namespace {
// A pretend process: bytes from base, with holes that fail every read
// touching them; records every read.
class FakeMemory : public BlockBytesReader {
 public:
  FakeMemory(uint64_t base, size_t size) : base_(base), bytes(size, 0x11) {}
  bool Read(uint64_t address, uint8_t* out, size_t length, size_t& bytesRead) override {
    reads.push_back({address, static_cast<uint32_t>(length)});
    if (address < base_ || address - base_ + length > bytes.size()) return false;
    for (const auto& [from, to] : holes)
      if (address < to && address + length > from) return false;
    std::memcpy(out, bytes.data() + (address - base_), length);
    bytesRead = length;
    return true;
  }
  void Put(uint64_t address, std::vector<uint8_t> value) {
    std::copy(value.begin(), value.end(), bytes.begin() + static_cast<long>(address - base_));
  }
  uint64_t base_;
  std::vector<uint8_t> bytes;
  std::vector<std::pair<uint64_t, uint64_t>> holes;
  std::vector<ReadCall> reads;
};

class CountingProgress : public FindProgress {
 public:
  void Searched(uint32_t done, uint32_t total) override { calls.push_back({done, total}); }
  std::vector<std::pair<uint32_t, uint32_t>> calls;
};

// Blocks of 0x20 bytes end to end from 0x1000; `free` lists free positions.
BlockRows EndToEnd(size_t count, std::vector<size_t> freeOnes = {}) {
  BlockRows rows;
  for (size_t i = 0; i < count; ++i)
    rows.Add({0x1000 + 0x20 * i, 0x20,
              std::find(freeOnes.begin(), freeOnes.end(), i) != freeOnes.end() ? kBlockKindFree : kBlockKindFixed});
  return rows;
}

std::vector<BytePattern> Patterns(std::vector<uint8_t> bytes) { return {BytePattern(std::move(bytes))}; }
}  // namespace

TEST(FindBytes, PatternCountsOnlyWhenWhollyInsideTheBytes) {
  const std::vector<uint8_t> data = {0xDE, 0xAD, 1, 2, 3, 0xDE, 0xAD, 0xBE, 0xEF, 9, 0xBE};
  EXPECT_TRUE(BytePattern({0xDE, 0xAD}).FoundIn(data.data(), data.size()));                    // at the start
  EXPECT_TRUE(BytePattern({0xEF, 9, 0xBE}).FoundIn(data.data(), data.size()));                 // at the end
  EXPECT_TRUE(BytePattern({0xDE, 0xAD, 0xBE, 0xEF}).FoundIn(data.data(), data.size()));        // after a false start
  EXPECT_FALSE(BytePattern({9, 0xBE, 0xEF}).FoundIn(data.data(), data.size()));                // cut off by the end
  EXPECT_FALSE(BytePattern({0xDE, 0xAD, 1}).FoundIn(data.data() + 1, data.size() - 1));        // cut off by the start
  EXPECT_TRUE(BytePattern({0xBE}).FoundIn(data.data(), data.size()));
  EXPECT_FALSE(BytePattern({1, 2, 3, 4}).FoundIn(data.data(), 3));
}

TEST(FindBytes, SearchWrapsFromTheRowAfterTheSelectedAndPassesOverFreeBlocks) {
  FakeMemory memory(0x1000, 0x20 * 100);
  memory.Put(0x1000 + 0x20 * 10 + 0x1E, {0xCA, 0xFE});  // ends block 10
  memory.Put(0x1000 + 0x20 * 40, {0xCA, 0xFE});         // starts block 40, which is free
  memory.Put(0x1000 + 0x20 * 60 + 0x1F, {0xCA, 0xFE});  // straddles blocks 60 and 61: no match
  const BlockRows rows = EndToEnd(100, {40});
  CountingProgress progress;
  FindOutcome found = FindBytesInBlocks(rows, 11, Patterns({0xCA, 0xFE}), 0x00FFFFFF, memory, progress);
  EXPECT_EQ(found.position, 10);  // round the end and back
  EXPECT_EQ(found.unreadable, 0u);
  EXPECT_EQ(progress.calls.size(), 3u);  // after 25, 50, 75 of the 100 rows looked at
  EXPECT_EQ(progress.calls.front(), (std::pair<uint32_t, uint32_t>{25, 100}));
  // End-to-end blocks are read a span at a time, not one by one.
  EXPECT_LE(memory.reads.size(), 3u);

  found = FindBytesInBlocks(rows, 10, Patterns({0xCA, 0xFE}), 0x00FFFFFF, memory, progress);
  EXPECT_EQ(found.position, 10);  // the selected row is looked at last
  EXPECT_EQ(FindBytesInBlocks(rows, 0, Patterns({0xFE, 0xCA}), 0x00FFFFFF, memory, progress).position, -1);
}

TEST(FindBytes, BlocksApartByTheirHeadersAreReadASpanAtATime) {
  // The system's rows give each block's data; its header lies between. A
  // span per block would make a million reads of a million-block heap.
  FakeMemory memory(0x1000, 0x30 * 100);
  BlockRows rows;
  for (uint64_t i = 0; i < 100; ++i) rows.Add({0x1010 + 0x30 * i, 0x20, kBlockKindFixed});
  memory.Put(0x1010 + 0x30 * 70 + 0x1F, {0xCA, 0xFE});  // runs on into block 71's header: no match
  memory.Put(0x1010 + 0x30 * 90, {0xCA, 0xFE});
  CountingProgress progress;
  EXPECT_EQ(FindBytesInBlocks(rows, 0, Patterns({0xCA, 0xFE}), 0x00FFFFFF, memory, progress).position, 90);
  EXPECT_LE(memory.reads.size(), 2u);
}

TEST(BlockHeads, NeighboursAreReadTogetherAndAnUnreadableBlockCostsOnlyItself) {
  // 3000 blocks of 0x30 bytes with 0x10-byte headers between them, block 7
  // unreadable, every fifth free; then one far away, out of any window.
  FakeMemory memory(0x1000, 0x40 * 3000 + 0x200000);
  memory.holes.push_back({0x1010 + 0x40 * 7, 0x1010 + 0x40 * 7 + 0x30});
  BlockRows rows;
  for (uint64_t i = 0; i < 3000; ++i) rows.Add({0x1010 + 0x40 * i, 0x30, i % 5 ? kBlockKindFixed : kBlockKindFree});
  rows.Add({0x1000 + 0x40 * 3000 + 0x100000, 0x1000, kBlockKindFixed});
  memory.Put(0x1010 + 0x40 * 8, {0xAB});
  struct Heads : BlockHeadVisitor {
    void Head(size_t walkIndex, const uint8_t* bytes, size_t count) override {
      seen.push_back(walkIndex);
      counts.push_back(count);
      if (walkIndex == 8) first8 = bytes[0];
    }
    std::vector<size_t> seen, counts;
    uint8_t first8 = 0;
  } heads;
  EXPECT_EQ(ReadBlockHeads(rows, memory, heads), 1u);
  EXPECT_EQ(heads.seen.size(), 3000u - 600 - 1 + 1);  // busy ones, not block 7, and the far one
  EXPECT_TRUE(std::is_sorted(heads.seen.begin(), heads.seen.end()));
  EXPECT_EQ(heads.first8, 0xAB);
  EXPECT_EQ(heads.counts.front(), 0x30u);
  EXPECT_EQ(heads.counts.back(), kHeadBytes) << "a big block's head only";
  EXPECT_LE(memory.reads.size(), 30u) << "windows and their halves, not a read a block";
}

TEST(FindBytes, UnreadableAndOversizedBlocksArePassedOverAndCounted) {
  FakeMemory memory(0x1000, 0x20 * 300);
  memory.holes.push_back({0x1000 + 0x20 * 7, 0x1000 + 0x20 * 8});  // block 7 alone
  memory.Put(0x1000 + 0x20 * 200, {0x42, 0x42, 0x42});
  BlockRows rows = EndToEnd(300);
  CountingProgress progress;
  FindOutcome found = FindBytesInBlocks(rows, 0, Patterns({0x42, 0x42, 0x42}), 0x00FFFFFF, memory, progress);
  EXPECT_EQ(found.position, 200);
  EXPECT_EQ(found.unreadable, 1u);
  // Halving the failed span costs a handful of reads, not one per block.
  EXPECT_LE(memory.reads.size(), 32u);

  BlockRows big;
  big.Add({0x1000, 0x01000000, kBlockKindFixed});  // over the limit: not even tried
  big.Add({0x1000 + 0x20 * 200, 0x20, kBlockKindFixed});
  memory.reads.clear();
  found = FindBytesInBlocks(big, 0, Patterns({0x77}), 0x00FFFFFF, memory, progress);
  EXPECT_EQ(found.position, -1);
  EXPECT_EQ(found.unreadable, 1u);
  ASSERT_EQ(memory.reads.size(), 1u);
  EXPECT_EQ(memory.reads[0].address, 0x1000u + 0x20 * 200);
}
