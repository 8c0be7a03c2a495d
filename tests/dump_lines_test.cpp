#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "blockdata/DumpLines.h"

namespace {

// The row as the piecewise printf form writes it, to hold the fast path to.
std::string ReferenceRow(uint32_t offset, const uint8_t* bytes, size_t n) {
  char line[1024];
  char piece[256];
  std::snprintf(line, sizeof line, "%.8xh  ", static_cast<unsigned>(offset));
  std::string row = line;
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(piece, sizeof piece, "%.2X ", static_cast<unsigned>(bytes[i]));
    row += piece;
  }
  std::snprintf(piece, sizeof piece, "%*s", static_cast<int>(50 - 3 * n), " ");
  row += piece;
  for (size_t i = 0; i < n; ++i) row += (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.';
  return row;
}

std::vector<std::string> Rows(const std::vector<uint8_t>& data) {
  std::vector<std::string> rows;
  ForEachDumpRow(data.data(), data.size(), [&](const char* line, size_t length) {
    EXPECT_EQ(std::string(line).size(), length) << "row not terminated at its length";
    rows.emplace_back(line, length);
  });
  return rows;
}

}  // namespace

TEST(DumpLines, WorkedExampleGivesHeaderAndTwoRows) {
  const std::vector<uint8_t> block = {0x00, 0x01, 0x02, 0x03, 0x41, 0x42, 0x43, 0x44, 0x20, 0x7E,
                                      0x7F, 0x80, 0xFF, 0x2E, 0x30, 0x39, 0x61, 0x62, 0x0A};
  char header[1024];
  const size_t headerLength = FormatDumpHeader(0x00150000, 0x00150588, 0x13, Width::Bits32, header, sizeof header);
  EXPECT_STREQ(header, "Heap Node Address= 0x00150000, Block Address= 0x00150588, Size= 0x00000013");
  EXPECT_EQ(headerLength, std::string(header).size());
  FormatDumpHeader(0x000001E5F0A00000, 0x000001E5F0A00750, 0x13, Width::Bits64, header, sizeof header);
  EXPECT_STREQ(header,
               "Heap Node Address= 0x000001e5f0a00000, Block Address= 0x000001e5f0a00750, Size= 0x00000013");

  const std::vector<std::string> rows = Rows(block);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], "00000000h  00 01 02 03 41 42 43 44 20 7E 7F 80 FF 2E 30 39   ....ABCD ~....09");
  EXPECT_EQ(rows[0].size(), 77u);
  EXPECT_EQ(rows[1], "00000010h  61 62 0A " + std::string(41, ' ') + "ab.");
  EXPECT_EQ(rows[1].size(), 64u);
}

TEST(DumpLines, HeaderIsBoundedByCapacity) {
  char small[12];
  EXPECT_EQ(FormatDumpHeader(0, 0xFFFFFFFF, 0, Width::Bits32, small, sizeof small), 11u);
  EXPECT_STREQ(small, "Heap Node A");
  char none = 'x';
  EXPECT_EQ(FormatDumpHeader(0, 0, 0, Width::Bits64, &none, 0), 0u);
  EXPECT_EQ(none, 'x');
  char header[128];
  FormatDumpHeader(0xFFFFFFFF, 0xABCDEF01, kMaxDumpSize, Width::Bits32, header, sizeof header);
  EXPECT_STREQ(header, "Heap Node Address= 0xffffffff, Block Address= 0xabcdef01, Size= 0x00ffffff");
}

TEST(DumpLines, RowCountsFollowSixteenByteSteps) {
  EXPECT_TRUE(Rows({}).empty());

  const std::vector<std::string> sixteen = Rows(std::vector<uint8_t>(16, 0x41));
  ASSERT_EQ(sixteen.size(), 1u);
  EXPECT_EQ(sixteen[0].size(), 77u);

  const std::vector<std::string> seventeen = Rows(std::vector<uint8_t>(17, 0x41));
  ASSERT_EQ(seventeen.size(), 2u);
  EXPECT_EQ(seventeen[1], "00000010h  41 " + std::string(47, ' ') + "A");

  // Offsets keep counting in sixteens, past the point where they need all
  // eight digits' worth of carries.
  const std::vector<std::string> many = Rows(std::vector<uint8_t>(0x1001, 0));
  ASSERT_EQ(many.size(), 0x101u);
  EXPECT_EQ(many[0xFF].substr(0, 9), "00000ff0h");
  EXPECT_EQ(many[0x100].substr(0, 9), "00001000h");
  EXPECT_EQ(many[0x100].size(), 62u);
}

TEST(DumpLines, EveryByteValueAndLengthMatchesPrintfForm) {
  std::vector<uint8_t> all(256);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i);

  char row[kDumpRowCapacity];
  for (size_t start = 0; start < 256; start += 16) {
    const uint32_t offset = static_cast<uint32_t>(start * 0x10001u);
    const size_t length = FormatDumpRow(offset, &all[start], 16, row);
    EXPECT_EQ(std::string(row, length), ReferenceRow(offset, &all[start], 16)) << "bytes from " << start;
  }
  for (size_t n = 1; n <= 16; ++n) {
    const size_t length = FormatDumpRow(0xDEADBEEF, &all[0x78], n, row);
    EXPECT_EQ(length, 61 + n);
    EXPECT_EQ(std::string(row, length), ReferenceRow(0xDEADBEEF, &all[0x78], n)) << n << " bytes";
  }

  // Only 0x20 to 0x7E are shown as themselves.
  for (int b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    FormatDumpRow(0, &byte, 1, row);
    const char expected = (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
    EXPECT_EQ(row[61], expected) << "byte " << b;
  }

  // More than a row's worth is cut to one row.
  EXPECT_EQ(FormatDumpRow(0, all.data(), 40, row), 77u);
}

TEST(DumpLines, FreeStatusIgnoresCaseAndSurroundingSpace) {
  EXPECT_TRUE(IsFreeStatus("Free"));
  EXPECT_TRUE(IsFreeStatus("FREE"));
  EXPECT_TRUE(IsFreeStatus(" free "));
  EXPECT_TRUE(IsFreeStatus("\tfree\n"));
  EXPECT_TRUE(IsFreeStatus("fReE\r\n\v\f"));
  EXPECT_FALSE(IsFreeStatus("Allocated"));
  EXPECT_FALSE(IsFreeStatus(""));
  EXPECT_FALSE(IsFreeStatus("   "));
  EXPECT_FALSE(IsFreeStatus("Fre"));
  EXPECT_FALSE(IsFreeStatus("Freed"));
  EXPECT_FALSE(IsFreeStatus("F ree"));
  EXPECT_FALSE(IsFreeStatus(nullptr));
}
