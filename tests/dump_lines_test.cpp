#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "blockdata/DumpLines.h"
#include "blockdata/DumpView.h"

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

// A block whose failing page can't be read; every read is logged as
// (offset, length).
struct FakeBlock : BlockWindowReader {
  FakeBlock(uint64_t failingPage, std::vector<std::pair<uint64_t, size_t>>& log) : failing(failingPage), reads(log) {}
  bool ReadAt(uint64_t offset, uint8_t*, size_t length) override {
    reads.emplace_back(offset, length);
    return offset >= failing + 0x1000 || failing >= offset + length;
  }
  uint64_t failing;
  std::vector<std::pair<uint64_t, size_t>>& reads;
};

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

// Fails when an unreadable byte shows as a value, or an offset of 4 GiB and
// more loses its high digits.
TEST(DumpView, RowsMarkUnreadableBytesAndFarOffsetsTakeMoreDigits) {
  uint8_t bytes[16];
  bool readable[16];
  for (int i = 0; i < 16; ++i) {
    bytes[i] = static_cast<uint8_t>(0x41 + i);
    readable[i] = i != 1 && i != 15;
  }
  char row[kDumpLineCapacity];
  EXPECT_EQ(std::string(row, FormatDumpRowAt(0x123456780, bytes, readable, 16, row)),
            "123456780h  41 ?? 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F ??   A?CDEFGHIJKLMNO?");
  EXPECT_EQ(std::string(row, FormatDumpRowAt(0xFFFFFFF0, bytes, readable, 3, row)),
            "fffffff0h  41 ?? 43 " + std::string(41, ' ') + "A?C");
}

// Fails when a window is read past the block's end, read again while kept,
// kept beyond four or sent away while used lately, or spoilt whole by one
// failing page, or when a line with unreadable bytes doesn't say so.
TEST(DumpView, BigBlockIsReadInWindowsAroundTheLinesAskedForAndFailingPagesAlone) {
  constexpr uint64_t kWindow = kDumpWindowBytes, kSize = 5 * kWindow + 0x123, kFailing = 3 * kWindow + 0x2000;
  std::vector<std::pair<uint64_t, size_t>> reads;
  DataViewLines lines;
  lines.ShowDump("header", kSize,
                 std::make_unique<WindowedDumpBytes>(std::make_unique<FakeBlock>(kFailing, reads), kSize));
  ASSERT_EQ(lines.LineCount(), 2 + kSize / 16 + 1);
  // Whether the row at offset has bytes that could not be read.
  const auto unreadableAt = [&](uint64_t offset) {
    char text[kDumpLineCapacity];
    bool unreadable = false;
    lines.LineText(2 + offset / 16, text, sizeof text, &unreadable);
    return unreadable;
  };
  EXPECT_FALSE(unreadableAt(kWindow - 16) || unreadableAt(5 * kWindow + 0x120) || unreadableAt(0));
  EXPECT_EQ(reads, (std::vector<std::pair<uint64_t, size_t>>{{0, kWindow}, {5 * kWindow, 0x123}}));
  // The window with the failing page: read whole, then page by page.
  EXPECT_TRUE(!unreadableAt(kFailing - 16) && unreadableAt(kFailing) && !unreadableAt(kFailing + 0x1000));
  EXPECT_EQ(reads.size(), 3 + kWindow / 0x1000);
  // Windows 1 and 2 make five: 5, used least lately, goes; 0 stays.
  unreadableAt(kWindow);
  unreadableAt(2 * kWindow);
  const size_t before = reads.size();
  unreadableAt(0);
  EXPECT_EQ(reads.size(), before);
  unreadableAt(5 * kWindow);
  EXPECT_EQ(reads.size(), before + 1);
}

// Fails when a word is read at the wrong width or byte order, or one with a
// byte that could not be read, or beyond a short row, counts.
TEST(DumpView, PointerWordsAreTheRowsWholeReadableWordsLittleEndian) {
  DataViewLines::RowBytes row{0x10, 16, {}, {}};
  for (size_t i = 0; i < 16; ++i) {
    row.bytes[i] = static_cast<uint8_t>(i + 1);
    row.readable[i] = i != 13;
  }
  EXPECT_EQ(RowPointerWords(row, Width::Bits32), (std::vector<uint64_t>{0x04030201, 0x08070605, 0x0C0B0A09}));
  EXPECT_EQ(RowPointerWords(row, Width::Bits64), (std::vector<uint64_t>{0x0807060504030201}));
  row.count = 7;
  EXPECT_EQ(RowPointerWords(row, Width::Bits32), (std::vector<uint64_t>{0x04030201}));
  EXPECT_TRUE(RowPointerWords(row, Width::Bits64).empty());
}
