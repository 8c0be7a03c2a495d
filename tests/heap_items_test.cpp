// The system's heap items, read from bytes laid out as its callback gets
// them in a 32-bit and a 64-bit process.
#include <gtest/gtest.h>

#include <vector>

#include "heap/HeapItems.h"

namespace {

// An item of the width: type and its own size (set by Bytes()) as words,
// then words and 32-bit values in order.
class ItemBytes {
 public:
  ItemBytes(Width width, uint32_t type) : m_word(width == Width::Bits64 ? 8 : 4) {
    Word(type);
    Word(0);  // the item's size
  }
  ItemBytes& Word(uint64_t value) {
    for (uint32_t i = 0; i < m_word; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
  }
  ItemBytes& Put32(uint32_t value) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
  }
  // Pads to the word (the block's flags are padded so in a 64-bit item).
  ItemBytes& Align() {
    while (m_bytes.size() % m_word) m_bytes.push_back(0);
    return *this;
  }
  ItemBytes& Byte(uint8_t value) {
    m_bytes.push_back(value);
    return *this;
  }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> bytes = m_bytes;
    for (uint32_t i = 0; i < m_word; ++i) bytes[m_word + i] = static_cast<uint8_t>(bytes.size() >> (8 * i));
    return bytes;
  }

 private:
  uint32_t m_word;
  std::vector<uint8_t> m_bytes;
};

ItemBytes BlockItem(Width width, uint64_t address, uint32_t flags, uint64_t dataSize) {
  ItemBytes item(width, kHeapItemBlock);
  item.Word(address).Put32(flags).Align().Word(dataSize).Word(0x10).Word(0);
  return item;
}

// An extra record: next, type, its size, then the settable value, tag
// and back-trace index for type 1.
void AddExtra(ItemBytes& item, Width width, bool last, uint32_t type) {
  const uint64_t size = ItemLayoutOf(width).ExtraSettableBytes();
  item.Byte(last ? 0 : 1).Byte(0).Byte(0).Byte(0).Put32(type).Word(size).Word(0xC0FFEE);
  item.Byte(0x34).Byte(0x12).Byte(0x78).Byte(0x56).Align();
}

bool Read(Width width, const std::vector<uint8_t>& bytes, HeapItem& out, size_t cut = 0) {
  return ReadHeapItem(width, bytes.data(), bytes.size() - cut, out);
}

TEST(HeapItemsTest, RegionsRangesAndBlocksReadAtBothWidths) {
  for (const Width width : {Width::Bits32, Width::Bits64}) {
    SCOPED_TRACE(width == Width::Bits64 ? "64" : "32");
    const uint64_t high = width == Width::Bits64 ? 0x000001E5'00000000 : 0;
    HeapItem item;
    ASSERT_TRUE(Read(width, ItemBytes(width, kHeapItemRegion).Word(high + 0x150000).Word(0x100000).Word(0x3000).Word(0).Word(0).Bytes(), item));
    EXPECT_EQ(item.type, kHeapItemRegion);
    EXPECT_EQ(item.address, high + 0x150000);
    EXPECT_EQ(item.size, 0x100000u);
    EXPECT_EQ(item.commit, 0x3000u);

    ASSERT_TRUE(Read(width, ItemBytes(width, kHeapItemRange).Word(high + 0x153000).Word(0xFD000).Put32(kItemRangeUncommitted).Put32(1).Word(0).Word(0).Bytes(), item));
    EXPECT_EQ(item.type, kHeapItemRange);
    EXPECT_EQ(item.address, high + 0x153000);
    EXPECT_EQ(item.size, 0xFD000u);
    EXPECT_EQ(item.flags, kItemRangeUncommitted);
    EXPECT_FALSE(BlockRowOfItem(item));

    ASSERT_TRUE(Read(width, BlockItem(width, high + 0x150750, kItemBlockBusy | kItemBlockLfh, 0x28).Bytes(), item));
    EXPECT_EQ(item.address, high + 0x150750);
    EXPECT_EQ(item.size, 0x28u);
    EXPECT_EQ(item.overhead, 0x10u);
    EXPECT_FALSE(item.hasSettable);

    // Extra information: the settable record is found after another one.
    ItemBytes extra = BlockItem(width, 0x1000, kItemBlockBusy | kItemBlockExtra, 0x40);
    AddExtra(extra, width, false, 7);
    AddExtra(extra, width, true, kItemExtraSettable);
    ASSERT_TRUE(Read(width, extra.Bytes(), item));
    EXPECT_EQ(item.size, 0x40u);
    EXPECT_TRUE(item.hasSettable);
    EXPECT_EQ(item.settableValue, 0xC0FFEEu);
    EXPECT_EQ(item.tagIndex, 0x1234);
    EXPECT_EQ(item.backTraceIndex, 0x5678);
  }
}

TEST(HeapItemsTest, ItemsThatDoNotFitTheirOwnSizeAreRefused) {
  for (const Width width : {Width::Bits32, Width::Bits64}) {
    SCOPED_TRACE(width == Width::Bits64 ? "64" : "32");
    HeapItem item;
    item.address = 0xAB;
    const std::vector<uint8_t> block = BlockItem(width, 0x1000, kItemBlockBusy, 0x20).Bytes();
    EXPECT_FALSE(Read(width, block, item, 1)) << "truncated: its size says more than there is";
    std::vector<uint8_t> shortBlock(block.begin(), block.end() - 1);
    shortBlock[ItemLayoutOf(width).word] -= 1;
    EXPECT_FALSE(Read(width, shortBlock, item)) << "too small for a block's fields";
    std::vector<uint8_t> huge = block;
    huge.resize(kLargestHeapItemBytes + 8);
    huge[ItemLayoutOf(width).word + 1] = static_cast<uint8_t>((kLargestHeapItemBytes + 8) >> 8);
    huge[ItemLayoutOf(width).word] = 8;
    EXPECT_FALSE(Read(width, huge, item)) << "oversized";
    EXPECT_FALSE(ReadHeapItem(width, block.data(), ItemHeaderBytes(width) - 1, item)) << "no whole header";

    // The extra flag with no chain, and a chain record reaching past the item.
    EXPECT_FALSE(Read(width, BlockItem(width, 0x1000, kItemBlockBusy | kItemBlockExtra, 0x20).Bytes(), item));
    ItemBytes leaving = BlockItem(width, 0x1000, kItemBlockBusy | kItemBlockExtra, 0x20);
    AddExtra(leaving, width, false, kItemExtraSettable);
    EXPECT_FALSE(Read(width, leaving.Bytes(), item)) << "the chain goes on past the item";
    EXPECT_EQ(item.address, 0xABu) << "a refused item leaves out untouched";

    // A type the program does not read still reads as its type.
    ASSERT_TRUE(Read(width, ItemBytes(width, 2).Word(0x150000).Bytes(), item));
    EXPECT_EQ(item.type, 2u);
    EXPECT_FALSE(BlockRowOfItem(item));
  }
}

TEST(HeapItemsTest, RowsTellFixedLfhLargeAndFreeBlocks) {
  const auto kindOf = [](uint32_t flags) {
    HeapItem item;
    item.type = kHeapItemBlock;
    item.address = 0x7FF6A0000710;
    item.size = 0x30;
    item.flags = flags;
    const auto row = BlockRowOfItem(item);
    EXPECT_TRUE(row && row->address == item.address && row->size == 0x30);
    return row ? row->kind : 0;
  };
  EXPECT_EQ(kindOf(kItemBlockBusy), kBlockKindFixed);
  EXPECT_EQ(kindOf(kItemBlockBusy | kItemBlockExtra), kBlockKindFixed);
  EXPECT_EQ(kindOf(kItemBlockBusy | kItemBlockLfh), kBlockKindLfh);
  EXPECT_EQ(kindOf(kItemBlockBusy | kItemBlockLarge), kBlockKindLarge);
  EXPECT_EQ(kindOf(0), kBlockKindFree);
  EXPECT_EQ(kindOf(kItemBlockLfh), kBlockKindFree) << "a free LFH slot";

  EXPECT_EQ(JudgeItemAnswer(0), ItemAnswer::Rows);
  EXPECT_EQ(JudgeItemAnswer(kStatusInvalidInfoClass), ItemAnswer::UseWalk);
  EXPECT_EQ(JudgeItemAnswer(kStatusInvalidParameter), ItemAnswer::UseWalk);
  EXPECT_EQ(JudgeItemAnswer(static_cast<int32_t>(0xC0000022)), ItemAnswer::Failed);
}

}  // namespace
