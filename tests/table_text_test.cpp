#include <gtest/gtest.h>

#include "heap/TableCells.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "blockdata/FindBlock.h"
#include "heap/TableText.h"
#include "shell/TableSort.h"

namespace {

std::string Printf(const char* format, unsigned value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Printf64(const char* format, uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned long long>(value));
  return buffer;
}

// "%x" of the 32-bit program: ParseHex within a 32-bit address space.
bool ParseHex32(const char* text, uint32_t& out) {
  uint64_t value = 0;
  if (!ParseHex(text, value)) return false;
  out = static_cast<uint32_t>(value & AddressMask(Width::Bits32));
  return true;
}

}  // namespace

TEST(TableTextTest, NumbersMatchPrintfByteForByte) {
  char out[kHexTextSize];
  EXPECT_EQ(10u, FormatHex(0x00A00048, 8, out));
  EXPECT_STREQ("0x00a00048", out);
  FormatHex(0, 8, out);
  EXPECT_STREQ("0x00000000", out);
  EXPECT_EQ(11u, FormatDecimal(INT32_MIN, out));
  EXPECT_STREQ("-2147483648", out);

  // A spread of values over the whole range, both ends included.
  for (uint64_t v = 0; v <= UINT32_MAX; v += 0x00FEDCBA + (v >> 3)) {
    for (uint32_t value :
         {static_cast<uint32_t>(v), static_cast<uint32_t>(v) ^ 0xFFFFFFFFu, static_cast<uint32_t>(v % 100000)}) {
      FormatHex(value, 8, out);
      ASSERT_EQ(Printf("0x%.8x", value), out);
      const size_t length = FormatDecimal(static_cast<int32_t>(value), out);
      ASSERT_EQ(Printf("%d", value), out);
      ASSERT_EQ(std::strlen(out), length);
    }
  }
  // 64-bit addresses "0x%.16llx" and sizes "0x%.8llx": eight digits or more.
  for (int shift = 0; shift < 64; ++shift) {
    const uint64_t v = 0xF123456789ABCDEFu >> shift;
    for (uint64_t value : {v, ~v, v ^ 0x00000000FFFFFFFFu}) {
      ASSERT_EQ(18u, FormatHex(value, 16, out));
      ASSERT_EQ(Printf64("0x%.16llx", value), out);
      const size_t length = FormatHex(value, 8, out);
      ASSERT_EQ(Printf64("0x%.8llx", value), out);
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

  char text[kHexTextSize];
  for (uint32_t v : {0u, 0x150000u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
    FormatHex(v, 8, text);
    ASSERT_TRUE(ParseHex32(text, value));
    EXPECT_EQ(v, value);
  }

  // "%llx": all sixteen digits kept, more keep the low 64 bits.
  uint64_t wide = 0;
  EXPECT_TRUE(ParseHex("0x000001e5f0a00750", wide));
  EXPECT_EQ(0x000001E5F0A00750u, wide);
  EXPECT_TRUE(ParseHex("0x1000000000000000f", wide));
  EXPECT_EQ(0xFu, wide);
  EXPECT_TRUE(ParseHex("-1", wide));
  EXPECT_EQ(UINT64_MAX, wide);
  for (uint64_t v : {uint64_t{0}, uint64_t{0x00007FF6A0000710}, UINT64_MAX}) {
    FormatHex(v, 16, text);
    ASSERT_TRUE(ParseHex(text, wide));
    EXPECT_EQ(v, wide);
  }
}

TEST(TableTextTest, RowTexts) {
  BlockRowTexts block{};
  MakeBlockRowTexts(0, BlockCursor{0x001505A8, 0x40, kBlockKindFixed, 2}, Width::Bits32, block);
  EXPECT_STREQ("1", block.index);
  EXPECT_STREQ("0x001505a8", block.address);
  EXPECT_STREQ("0x00000040", block.size);
  EXPECT_STREQ("FIXED", block.allocationType);
  EXPECT_STREQ("Allocated", block.status);
  MakeBlockRowTexts(41, BlockCursor{0, 0, kBlockKindFree, 0}, Width::Bits32, block);
  EXPECT_STREQ("42", block.index);
  EXPECT_STREQ("Not applicable", block.allocationType);
  EXPECT_STREQ("Free", block.status);
  // The system's items tell LFH slots and large blocks; both are busy.
  MakeBlockRowTexts(0, BlockCursor{0, 0, kBlockKindLfh, 0}, Width::Bits32, block);
  EXPECT_STREQ("LFH", block.allocationType);
  EXPECT_STREQ("Allocated", block.status);
  MakeBlockRowTexts(0, BlockCursor{0, 0, kBlockKindLarge, 0}, Width::Bits32, block);
  EXPECT_STREQ("Large", block.allocationType);
  EXPECT_STREQ("Allocated", block.status);

  NodeRowTexts node{};
  MakeNodeRowTexts(2, HeapRecord{0x00150000, 0x00000002, 8, 0x0001A2B0, 0x00100000, 0, 0}, Width::Bits32, node);
  EXPECT_STREQ("3", node.cells[0]);
  EXPECT_STREQ("0x00150000", node.cells[1]);
  EXPECT_STREQ("0", node.cells[2]);
  EXPECT_STREQ("0x00100000", node.cells[3]);  // committed
  EXPECT_STREQ("0x0001a2b0", node.cells[4]);  // allocated
  EXPECT_STREQ("0x00000002", node.cells[5]);
  MakeNodeRowTexts(0, HeapRecord{0, 0, 0, 0, 0, 0x80000000u, 0}, Width::Bits32, node);
  EXPECT_STREQ("-2147483648", node.cells[2]);

  // The 64-bit program's widths: the longest texts fill their cells.
  MakeBlockRowTexts(0, BlockCursor{0xFFFFFFFFFFFFFFF0, UINT64_MAX, kBlockKindFixed, 0}, Width::Bits64, block);
  EXPECT_STREQ("0xfffffffffffffff0", block.address);
  EXPECT_STREQ("0xffffffffffffffff", block.size);
  MakeNodeRowTexts(0, HeapRecord{0x150000, 0xFFFFFFFF, 0, 0x1A2B0, 0x1'0000'0000, 0, 0}, Width::Bits64, node);
  EXPECT_STREQ("0x0000000000150000", node.cells[1]);
  EXPECT_STREQ("0x100000000", node.cells[3]);
  EXPECT_STREQ("0x0001a2b0", node.cells[4]);
  EXPECT_STREQ("0xffffffff", node.cells[5]);

  char progress[128];
  EXPECT_STREQ("Heap Blocks within the selected Node - processing 75 of 80 blocks...",
               BlockProgressText(75, 80, progress, sizeof progress));
  EXPECT_STREQ("Heap", BlockProgressText(75, 80, progress, 5));
  EXPECT_STREQ("Heap Blocks within the selected Node", kBlockCaptionText);
}

// What the Find Block dialog accepts: an address of the program's width,
// bytes as hexadecimal pairs; everything else keeps the dialog open.
TEST(FindInputTest, AddressesAndBytesAreReadStrictly) {
  uint64_t address = 7;
  EXPECT_TRUE(ParseFindAddress("0x00150588", Width::Bits32, address));
  EXPECT_EQ(address, 0x00150588u);
  EXPECT_TRUE(ParseFindAddress("  150588 ", Width::Bits32, address));
  EXPECT_EQ(address, 0x150588u);
  EXPECT_TRUE(ParseFindAddress("0X0000000000ABCDEF", Width::Bits32, address));  // zeros don't count
  EXPECT_EQ(address, 0xABCDEFu);
  EXPECT_TRUE(ParseFindAddress("0x00007ff6c0de0010", Width::Bits64, address));
  EXPECT_EQ(address, 0x00007ff6c0de0010u);
  address = 7;
  for (const char* bad : {"", "   ", "0x", "0x 10", "12g4", "0x1234 5", "-10", "+10", "1_000", "0x100000000"})
    EXPECT_FALSE(ParseFindAddress(bad, Width::Bits32, address)) << bad;
  EXPECT_FALSE(ParseFindAddress("0x10000000000000000", Width::Bits64, address));
  EXPECT_EQ(address, 7u);

  std::vector<uint8_t> bytes = {1};
  EXPECT_TRUE(ParseFindBytes("DE AD be ef", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_TRUE(ParseFindBytes(" DEADBEEF\t00 ", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF, 0x00}));
  bytes = {1};
  for (const char* bad : {"", "  ", "D", "DEA", "DE A", "0xDE", "DE,AD", "GG"})
    EXPECT_FALSE(ParseFindBytes(bad, bytes)) << bad;
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1}));

  EXPECT_EQ(FindNotFoundText(FindKind::Bytes, 0), "No block of this heap holds these bytes.");
  EXPECT_EQ(FindNotFoundText(FindKind::Text, 3), "No block of this heap holds this text. 3 blocks could not be read.");
  EXPECT_STREQ(FindAddressExample(Width::Bits64), "Enter an address in hexadecimal, such as 0x0000000000150588.");
}

namespace {
// The walk indexes in the order shown after sorting these texts of one column.
std::vector<uint32_t> OrderOf(ColumnKind kind, const std::vector<const char*>& texts, bool descending) {
  std::vector<KeyedRow> rows;
  for (size_t i = 0; i < texts.size(); ++i) rows.push_back({static_cast<uint32_t>(i), MakeSortKey(kind, texts[i])});
  return SortedOrder(rows, descending).value_or(std::vector<uint32_t>{99});
}
using Order = std::vector<uint32_t>;
}  // namespace

TEST(TableSortTest, EachColumnKindSortsByWhatItsTextsSay) {
  // Hex by value whatever the digit count and case; "%.8x" and wider texts mix.
  EXPECT_EQ(OrderOf(ColumnKind::Hex, {"0x00000100", "0x00000010", "0x100000010", "0x0000000A", "0x0000000b"}, false),
            (Order{3, 4, 1, 0, 2}));
  EXPECT_EQ(OrderOf(ColumnKind::Hex, {"0x00007ff6a0000710", "0x0000000000150000", "0xffffffffffffffff"}, true),
            (Order{2, 0, 1}));
  // Decimal by value, as "%d" of a huge count reads: below zero.
  EXPECT_EQ(OrderOf(ColumnKind::Decimal, {"10", "9", "-2147483648", "100", "0", "2147483647"}, false),
            (Order{2, 4, 1, 0, 3, 5}));
  // Text without regard to case, not by length or number.
  EXPECT_EQ(OrderOf(ColumnKind::Text, {"Not applicable", "FIXED", "Unknown", "fixed", "Allocated", "Free"}, false),
            (Order{4, 1, 3, 5, 0, 2}));
  EXPECT_EQ(OrderOf(ColumnKind::Text, {"free", "Allocated", "FREE", "Free", "allocated"}, true),
            (Order{0, 2, 3, 1, 4}));

  int64_t value = 5;
  EXPECT_TRUE(ParseDecimal(" +42x", value));
  EXPECT_EQ(42, value);
  EXPECT_FALSE(ParseDecimal("-", value));
  EXPECT_FALSE(ParseDecimal("x1", value));
  EXPECT_FALSE(ParseDecimal(nullptr, value));
  EXPECT_EQ(42, value);
}

TEST(TableSortTest, EqualRowsKeepWalkOrderInBothDirections) {
  // Rows given in a shown order that is not walk order: ties still come out
  // by walk index, ascending and descending alike.
  std::vector<KeyedRow> rows;
  const std::vector<std::pair<uint32_t, const char*>> shown = {{4, "0x20"}, {0, "0x10"}, {5, "0x10"},
                                                               {2, "0x20"}, {1, "0x10"}, {3, "0x30"}};
  for (const auto& [walk, text] : shown) rows.push_back({walk, MakeSortKey(ColumnKind::Hex, text)});
  EXPECT_EQ(SortedOrder(rows, false), (Order{0, 1, 5, 2, 4, 3}));
  EXPECT_EQ(SortedOrder(rows, true), (Order{3, 2, 4, 0, 1, 5}));
  EXPECT_EQ(RanksOf(Order{3, 2, 4, 0, 1, 5}), (Order{3, 4, 1, 0, 2, 5}));

  // Rows keyed straight from numbers likewise, past the few an insertion sort keeps.
  Order expected;
  for (uint32_t key = 3; key-- > 0;)
    for (uint32_t i = key; i < 60; i += 3) expected.push_back(i);
  EXPECT_EQ(OrderByKey(60, [](size_t i) { return i % 3; }, true), expected);

  // Unreadable numbers come first; rows that are not one fill's (a walk
  // index twice, or beyond the count) are not sorted at all.
  EXPECT_EQ(OrderOf(ColumnKind::Hex, {"0x1", "zz", "0x0"}, false), (Order{1, 2, 0}));
  rows[0].walkIndex = 0;
  EXPECT_FALSE(SortedOrder(rows, false).has_value());
  rows[0].walkIndex = 6;
  EXPECT_FALSE(SortedOrder(rows, false).has_value());
  EXPECT_EQ(SortedOrder({}, true), Order{});
}

TEST(TableSortTest, SameHeaderTurnsTheDirectionRoundAnotherStartsAscending) {
  SortState state;
  EXPECT_EQ(state.column, -1);
  for (bool descending : {false, true, false, true}) {
    state = NextSortState(state, 2);
    EXPECT_EQ(state.column, 2);
    EXPECT_EQ(state.descending, descending);
  }
  state = NextSortState(state, 0);
  EXPECT_EQ(state.column, 0);
  EXPECT_FALSE(state.descending);
  state = NextSortState(state, 2);
  EXPECT_FALSE(state.descending);
}

TEST(TableSortTest, KeptRowsSortAsTheTextsTheyStandFor) {
  // The kept rows are sorted without their texts: any difference from a
  // sort of the texts would show the rows in another order than they read.
  const std::vector<BlockCursor> blocks = {{0x00150588, 0x20, kBlockKindFixed, 0},
                                           {0xFFFFFFFFFFFFFFF0, 0x1'0000'0010, kBlockKindFree, 0},
                                           {0x00000010, 0x08, kBlockKindFree, 0},
                                           {0x7FF6A0000710, 0xFFFFFFFF, kBlockKindLfh, 0},
                                           {0x00000010, 0x20, kBlockKindFixed, 0},
                                           {0x00150588, 0x08, kBlockKindLarge, 0}};
  BlockRows rows;
  std::vector<BlockRowTexts> texts(blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i) {
    MakeBlockRowTexts(static_cast<uint32_t>(i), blocks[i], Width::Bits64, texts[i]);
    rows.Add({blocks[i].Address, blocks[i].Size, blocks[i].Kind});
  }
  // A shown order already set does not change which key belongs to whom.
  ASSERT_TRUE(rows.SetShownOrder({3, 1, 0, 2, 5, 4}));
  const ColumnKind kinds[] = {ColumnKind::Decimal, ColumnKind::Hex, ColumnKind::Hex, ColumnKind::Text,
                              ColumnKind::Text};
  for (int column = 0; column < 5; ++column) {
    for (const bool descending : {false, true}) {
      SCOPED_TRACE(testing::Message() << column << (descending ? " down" : " up"));
      std::vector<KeyedRow> keyed;
      for (size_t i = 0; i < texts.size(); ++i) {
        const BlockRowTexts& t = texts[i];
        const char* cell[] = {t.index, t.address, t.size, t.allocationType, t.status};
        keyed.push_back({static_cast<uint32_t>(i), MakeSortKey(kinds[column], cell[column])});
      }
      EXPECT_EQ(BlockRowOrder(rows, column, descending), SortedOrder(keyed, descending));
    }
  }
  EXPECT_FALSE(BlockRowOrder(rows, 5, false).has_value());

  // The node table's rows likewise, from its records.
  NodeRows nodes;
  nodes.Add(HeapRecord{0x00150000, 2, 8, 0x300, 0x1000, 3, 0});
  nodes.Add(HeapRecord{0x00050000, 0x50000062, 8, 0x300, 0x2000, 25, 0});
  nodes.Add(HeapRecord{0x7FFE0000, 0, 8, 0x100, 0x1000, 3, 0});
  EXPECT_EQ(NodeRowOrder(nodes, 1, ColumnKind::Hex, false), (std::vector<uint32_t>{1, 0, 2}));
  EXPECT_EQ(NodeRowOrder(nodes, 2, ColumnKind::Decimal, true), (std::vector<uint32_t>{1, 0, 2}));
  EXPECT_EQ(NodeRowOrder(nodes, 4, ColumnKind::Hex, true), (std::vector<uint32_t>{0, 1, 2}));  // a tie, then 0x100
  EXPECT_EQ(NodeRowOrder(nodes, 3, ColumnKind::Hex, false), (std::vector<uint32_t>{0, 2, 1}));
}

TEST(KeptRowsTest, BlockRowsTakeAtMost32BytesEachAndGiveThemBackWhenCleared) {
  static_assert(sizeof(BlockRowValues) + sizeof(uint32_t) <= 32);
  constexpr size_t kRows = 100000;
  BlockRows rows;
  rows.Reserve(kRows);
  for (size_t i = 0; i < kRows; ++i) rows.Add({0x1000 + 0x10 * i, 0x10, kBlockKindFixed});
  EXPECT_EQ(rows.HeldBytes(), kRows * (sizeof(BlockRowValues) + sizeof(uint32_t)));
  // A sorted order takes the place of the walk order, not room beside it.
  std::vector<uint32_t> backwards(kRows);
  for (size_t p = 0; p < kRows; ++p) backwards[p] = static_cast<uint32_t>(kRows - 1 - p);
  ASSERT_TRUE(rows.SetShownOrder(std::move(backwards)));
  EXPECT_EQ(rows.HeldBytes(), kRows * (sizeof(BlockRowValues) + sizeof(uint32_t)));
  // A big heap's rows must not stay behind when a small one is shown.
  rows.Clear();
  EXPECT_EQ(rows.Count(), 0u);
  EXPECT_EQ(rows.HeldBytes(), 0u);
}

// Fails when an address just past a block, in a free or an empty block, or
// beyond 4 GiB cut to 32 bits, is taken for a block's, or when rows out of
// address order (another region first) are missed.
TEST(KeptRowsTest, BusyBlockHoldingFindsTheBusyBlockAnAddressLiesIn) {
  BlockRows rows;
  for (const BlockRowValues& row : {BlockRowValues{0x5000, 0x100, kBlockKindFixed},
                                    {0x1000, 0x20, kBlockKindFixed},
                                    {0x1020, 0x40, kBlockKindFree},
                                    {0x1060, 0, kBlockKindFixed},
                                    {0x1060, 0x10, kBlockKindFixed},
                                    {0x2'0000'1000, 0x10, kBlockKindFixed}})
    rows.Add(row);
  const std::vector<uint32_t> byAddress = BusyRowsByAddress(rows);
  EXPECT_EQ(byAddress, (std::vector<uint32_t>{1, 4, 0, 5}));
  const std::vector<std::pair<uint64_t, long long>> cases = {
      {0xFFF, -1},         {0x1000, 1},        {0x101F, 1},         {0x1020, -1},    {0x105F, -1},
      {0x1060, 4},         {0x106F, 4},        {0x1070, -1},        {0x50FF, 0},     {0x5100, -1},
      {0x1'0000'1000, -1}, {0x2'0000'100F, 5}, {0x2'0000'1010, -1}, {UINT64_MAX, -1}};
  for (const auto& [address, walkIndex] : cases)
    EXPECT_EQ(BusyBlockHolding(rows, byAddress, address), walkIndex) << std::hex << address;
}

TEST(TableCellsTest, CellsOfTheRowShownReadAsAFillOfTextsWroteThem) {
  BlockRows rows;
  rows.Add({0x00150588, 0x20, kBlockKindFixed});
  rows.Add({0x001505A8, 0x40, kBlockKindFree});
  rows.Add({0x00A00048, 0x000F0000, kBlockKindLfh});
  ASSERT_TRUE(rows.SetShownOrder({2, 0, 1}));
  char text[kHexTextSize];
  const auto cell = [&](size_t position, int column, Width width = Width::Bits32, size_t room = sizeof text) {
    BlockCellText(rows, position, column, width, text, room);
    return std::string(text);
  };
  // Position 0 shows walk index 2: its index reads "3".
  EXPECT_EQ(cell(0, 0), "3");
  EXPECT_EQ(cell(0, 1), "0x00a00048");
  EXPECT_EQ(cell(0, 2), "0x000f0000");
  EXPECT_EQ(cell(0, 3), "LFH");
  EXPECT_EQ(cell(0, 4), "Allocated");
  EXPECT_EQ(cell(2, 3), "Not applicable");
  EXPECT_EQ(cell(2, 4), "Free");
  EXPECT_EQ(cell(1, 1, Width::Bits64), "0x0000000000150588");
  EXPECT_EQ(cell(1, 3), "FIXED");
  // Cut to the room the list view gives; out of range reads empty.
  EXPECT_EQ(cell(1, 1, Width::Bits32, 5), "0x00");
  EXPECT_EQ(cell(3, 0), "");
  EXPECT_EQ(cell(0, 5), "");
  EXPECT_EQ(BlockCellText(rows, 0, 1, Width::Bits32, text, 0), 0u);

  NodeRows nodes;
  nodes.Add(HeapRecord{0x00150000, 0x50000062, 8, 0xDEADBEEF, 0xFFFFFFFF, 25, 0});
  char node[kHexTextSize];
  NodeCellText(nodes, 0, 2, Width::Bits32, node, sizeof node);
  EXPECT_STREQ(node, "25");
  NodeCellText(nodes, 0, 3, Width::Bits32, node, sizeof node);
  EXPECT_STREQ(node, "0xffffffff");
  NodeCellText(nodes, 0, 4, Width::Bits32, node, sizeof node);
  EXPECT_STREQ(node, "0xdeadbeef");
}

TEST(TableCellsTest, TypedIndexFindsTheNextRowShownWhoseIndexStartsWithIt) {
  BlockRows rows;
  for (int i = 0; i < 30; ++i) rows.Add({0x1000u + 0x10u * i, 0x10, kBlockKindFixed});
  // Shown backwards: position p holds walk index 29 - p (index 30 - p).
  std::vector<uint32_t> order;
  for (uint32_t i = 30; i-- > 0;) order.push_back(i);
  ASSERT_TRUE(rows.SetShownOrder(order));
  // "2" from the top: index 29 at position 1 (30 at position 0 does not match).
  EXPECT_EQ(FindShownIndex(rows, 0, "2", true, true), 1);
  EXPECT_EQ(FindShownIndex(rows, 2, "2", true, true), 2);    // 28
  EXPECT_EQ(FindShownIndex(rows, 11, "2", true, true), 28);  // 2
  EXPECT_EQ(FindShownIndex(rows, 29, "2", true, true), 1);   // wraps round
  EXPECT_EQ(FindShownIndex(rows, 29, "2", true, false), -1);
  EXPECT_EQ(FindShownIndex(rows, 0, "3", false, true), 27);  // exactly "3"
  EXPECT_EQ(FindShownIndex(rows, 0, "31", true, true), -1);
  EXPECT_EQ(FindShownIndex(rows, 40, "1", true, true), 11);  // past the end: from the top (19)
  EXPECT_EQ(FindShownIndex(rows, 0, "x", true, true), -1);
  EXPECT_EQ(FindShownIndex(BlockRows{}, 0, "1", true, true), -1);
}
