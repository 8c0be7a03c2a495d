#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "heap/TableText.h"

namespace {

std::string Printf(const char* format, unsigned value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

TEST(TableTextTest, NumbersMatchPrintfByteForByte) {
  char out[16];
  EXPECT_EQ(10u, FormatHex32(0x00A00048, out));
  EXPECT_STREQ("0x00a00048", out);
  FormatHex32(0, out);
  EXPECT_STREQ("0x00000000", out);
  EXPECT_EQ(11u, FormatDecimal(INT32_MIN, out));
  EXPECT_STREQ("-2147483648", out);

  // A spread of values over the whole range, both ends included.
  for (uint64_t v = 0; v <= UINT32_MAX; v += 0x00FEDCBA + (v >> 3)) {
    for (uint32_t value :
         {static_cast<uint32_t>(v), static_cast<uint32_t>(v) ^ 0xFFFFFFFFu, static_cast<uint32_t>(v % 100000)}) {
      FormatHex32(value, out);
      ASSERT_EQ(Printf("0x%.8x", value), out);
      const size_t length = FormatDecimal(static_cast<int32_t>(value), out);
      ASSERT_EQ(Printf("%d", value), out);
      ASSERT_EQ(std::strlen(out), length);
    }
  }
}

TEST(TableTextTest, ParseHexReadsWhatFormatHexWrites) {
  uint32_t value = 7;
  EXPECT_TRUE(ParseHex32("0x00a00048", value));
  EXPECT_EQ(0x00A00048u, value);
  EXPECT_TRUE(ParseHex32("  1F", value));
  EXPECT_EQ(0x1Fu, value);
  EXPECT_TRUE(ParseHex32("0XfFfFfFfF", value));
  EXPECT_EQ(0xFFFFFFFFu, value);
  EXPECT_TRUE(ParseHex32("-1", value));
  EXPECT_EQ(0xFFFFFFFFu, value);
  EXPECT_TRUE(ParseHex32("+0x10 rest", value));
  EXPECT_EQ(0x10u, value);
  EXPECT_TRUE(ParseHex32("123456789", value));  // low 32 bits
  EXPECT_EQ(0x23456789u, value);
  EXPECT_TRUE(ParseHex32("0xzz", value));  // the '0' is the number
  EXPECT_EQ(0u, value);

  value = 7;
  EXPECT_FALSE(ParseHex32("zz", value));
  EXPECT_FALSE(ParseHex32("", value));
  EXPECT_FALSE(ParseHex32(" -", value));
  EXPECT_FALSE(ParseHex32(nullptr, value));
  EXPECT_EQ(7u, value);

  char text[16];
  for (uint32_t v : {0u, 0x150000u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    FormatHex32(v, text);
    ASSERT_TRUE(ParseHex32(text, value));
    EXPECT_EQ(v, value);
  }
}

TEST(TableTextTest, RowTexts) {
  BlockRowTexts block{};
  MakeBlockRowTexts(0, BlockCursor{0x001505A8, 0x40, kBlockKindFixed, 2}, block);
  EXPECT_STREQ("1", block.index);
  EXPECT_STREQ("0x001505a8", block.address);
  EXPECT_STREQ("0x00000040", block.size);
  EXPECT_STREQ("FIXED", block.allocationType);
  EXPECT_STREQ("Allocated", block.status);
  MakeBlockRowTexts(41, BlockCursor{0, 0, kBlockKindFree, 0}, block);
  EXPECT_STREQ("42", block.index);
  EXPECT_STREQ("Not applicable", block.allocationType);
  EXPECT_STREQ("Free", block.status);
  for (uint32_t kind : {kBlockKindUnclassified, 4u, 7u}) {
    MakeBlockRowTexts(0, BlockCursor{0, 0, kind, 0}, block);
    EXPECT_STREQ("Unknown", block.allocationType);
    EXPECT_STREQ("Allocated", block.status);
  }

  NodeRowTexts node{};
  MakeNodeRowTexts(2, HeapRecord{0x00150000, 0x00000002, 8, 0x0001A2B0, 0x00100000, 0, 0}, node);
  EXPECT_STREQ("3", node.cells[0]);
  EXPECT_STREQ("0x00150000", node.cells[1]);
  EXPECT_STREQ("0", node.cells[2]);
  EXPECT_STREQ("0x00100000", node.cells[3]);  // committed
  EXPECT_STREQ("0x0001a2b0", node.cells[4]);  // allocated
  EXPECT_STREQ("0x00000002", node.cells[5]);
  MakeNodeRowTexts(0, HeapRecord{0, 0, 0, 0, 0, 0x80000000u, 0}, node);
  EXPECT_STREQ("-2147483648", node.cells[2]);

  char progress[128];
  EXPECT_STREQ("Heap Blocks within the selected Node - processing 75 of 80 blocks...",
               BlockProgressText(75, 80, progress, sizeof progress));
  EXPECT_STREQ("Heap", BlockProgressText(75, 80, progress, 5));
  EXPECT_STREQ("Heap Blocks within the selected Node", kBlockCaptionText);
}
