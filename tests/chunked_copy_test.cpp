#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "blockdata/ChunkedCopy.h"

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
