#include <gtest/gtest.h>

#include "analysis/BlockSizes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "analysis/BlockMark.h"
#include "analysis/BlockSearch.h"
#include "analysis/BlockTypes.h"
#include "analysis/MarkComparison.h"
#include "heap/TableText.h"

namespace {
using Order = std::vector<uint32_t>;
constexpr uint32_t kFixed = kBlockKindFixed;
constexpr uint32_t kFree = kBlockKindFree;

BlockRows RowsOf(const std::vector<BlockRowValues>& values) {
  BlockRows rows;
  for (const BlockRowValues& value : values) rows.Add(value);
  return rows;
}

// The cells of the row shown at position, joined by '|'.
template <class Table, class Cell>
std::string Line(const Table& table, size_t position, int columns, Cell cell) {
  std::string line;
  for (int c = 0; c < columns; ++c) {
    char text[64];
    cell(table, position, c, text, sizeof text);
    line += (c != 0 ? "|" : "") + std::string(text);
  }
  return line;
}
std::string GroupLine(const BlockSizes& s, size_t p) { return Line(s, p, kSizeGroupColumnCount, SizeGroupCellText); }
std::string ChangeLine(const MarkComparison& c, size_t p) {
  return Line(c, p, kSizeChangeColumnCount, SizeChangeCellText);
}

std::string Share(uint64_t bytes, uint64_t total) {
  char text[kShareTextSize];
  FormatShare(bytes, total, text);
  return text;
}
}  // namespace

TEST(BlockSizesTest, BusyBlocksGroupBySizeFreeOnesOnlyCountInTheTotals) {
  // A free block of a busy one's size (0x40) does not join its group;
  // LFH slots and large blocks are busy.
  const BlockSizes sizes = GroupBlockSizes(RowsOf({{0x1000, 0x20, kFixed},
                                                   {0x1020, 0x40, kFree},
                                                   {0x1060, 0x20, kBlockKindLfh},
                                                   {0x1080, 0x100, kFree},
                                                   {0x1180, 0x40, kFixed},
                                                   {0x11C0, 0x20, kFixed},
                                                   {0x11E0, 0x60, kFree},
                                                   {0x1240, 0x10, 7}}));
  EXPECT_EQ(BlockTotalsText(sizes.totals),
            "5 busy blocks, 0x000000b0 bytes; 3 free blocks, 0x000001a0 bytes; largest free block 0x00000100");
  ASSERT_EQ(sizes.groups.Count(), 3u);
  EXPECT_EQ(GroupLine(sizes, 0), "0x00000020|3|0x00000060|54.5%");  // by Bytes, largest first
  EXPECT_EQ(GroupLine(sizes, 1), "0x00000040|1|0x00000040|36.4%");
  EXPECT_EQ(GroupLine(sizes, 2), "0x00000010|1|0x00000010|9.1%");
  EXPECT_EQ(GroupLine(sizes, 3), "|||");

  EXPECT_EQ(BlockTotalsText(GroupBlockSizes(BlockRows{}).totals),
            "0 busy blocks, 0x00000000 bytes; 0 free blocks, 0x00000000 bytes; largest free block 0x00000000");
  // Sums beyond 32 bits keep all their digits; 0 bytes of 0 is 0.0%.
  EXPECT_EQ(
      GroupLine(GroupBlockSizes(RowsOf({{0x10000, 0x1'0000'0000, kFixed}, {0x1'0001'0000, 0x1'0000'0000, 1}})), 0),
      "0x100000000|2|0x200000000|100.0%");
  EXPECT_EQ(GroupLine(GroupBlockSizes(RowsOf({{0x1000, 0, kFixed}})), 0), "0x00000000|1|0x00000000|0.0%");
}

TEST(BlockSizesTest, ShareRoundsToTheNearestTenthHalvesUp) {
  // 1/16 is 6.25%: the two C runtimes' printf round that half differently.
  const std::vector<std::pair<std::pair<uint64_t, uint64_t>, const char*>> cases = {
      {{1, 3}, "33.3%"},   {{2, 3}, "66.7%"},   {{1, 16}, "6.3%"},  {{3, 16}, "18.8%"},
      {{1, 2000}, "0.1%"}, {{1, 2001}, "0.0%"}, {{7, 7}, "100.0%"}, {{UINT64_MAX / 2, UINT64_MAX}, "50.0%"}};
  for (const auto& [share, text] : cases) EXPECT_EQ(Share(share.first, share.second), text);
}

TEST(BlockSizesTest, GroupsSortByValueTiesBySize) {
  // Kept by size: 0x08 x3, 0x10 x4, 0x20 x2, 0x40 x1, 0x100 x1; three of 0x40 bytes.
  std::vector<BlockRowValues> values;
  uint64_t address = 0x1000;
  for (const auto& [size, count] :
       std::vector<std::pair<uint64_t, int>>{{0x100, 1}, {0x10, 4}, {0x08, 3}, {0x40, 1}, {0x20, 2}})
    for (int i = 0; i < count; ++i, address += size) values.push_back({address, size, kFixed});
  const BlockSizes sizes = GroupBlockSizes(RowsOf(values));
  const SizeGroupRows& groups = sizes.groups;
  EXPECT_EQ(groups.WalkIndexShown(0), 4u);
  EXPECT_EQ(SizeGroupOrder(groups, 2, true), (Order{4, 1, 2, 3, 0}));
  EXPECT_EQ(SizeGroupOrder(groups, 2, false), (Order{0, 1, 2, 3, 4}));
  EXPECT_EQ(SizeGroupOrder(groups, 3, true), SizeGroupOrder(groups, 2, true));  // Share is of Bytes
  EXPECT_EQ(SizeGroupOrder(groups, 1, true), (Order{1, 0, 2, 3, 4}));
  EXPECT_EQ(SizeGroupOrder(groups, 0, true), (Order{4, 3, 2, 1, 0}));
  EXPECT_FALSE(SizeGroupOrder(groups, 4, false).has_value());
}

TEST(BlockSizesTest, NextBusyBlockOfASizeInTheOrderShownWrapsRoundOnce) {
  BlockRows rows = RowsOf({{0x1000, 0x20, kFixed}, {0x1020, 0x20, kFree}, {0x1040, 0x30, kFixed}, {0x1070, 0x20, 1}});
  ASSERT_TRUE(rows.SetShownOrder({3, 2, 1, 0}));
  EXPECT_EQ(FindShownBlockOfSize(rows, 0x20, 0), 0);
  EXPECT_EQ(FindShownBlockOfSize(rows, 0x20, 1), 3);  // the free one at 2 is passed over
  EXPECT_EQ(FindShownBlockOfSize(rows, 0x30, 2), 1);  // round to the only one
  EXPECT_EQ(FindShownBlockOfSize(rows, 0x20, 4), 0);  // past the end: from the top
  EXPECT_EQ(FindShownBlockOfSize(rows, 0x40, 0), -1);
}

TEST(BlockMarkTest, KeepsBusyBlocksByAddressUntilClearedOrMadeAgain) {
  BlockMark mark;
  mark.Make(1234, 0x00150000, {9, 5, 7},
            RowsOf({{0x3000, 0x10, kFixed}, {0x1000, 0x20, kFree}, {0x2000, 0x30, 7}, {0x2000, 0x08, kFixed}}));
  ASSERT_EQ(mark.Blocks().size(), 3u);
  EXPECT_EQ(mark.Blocks()[0].size, 0x08u);
  EXPECT_EQ(mark.Blocks()[1].size, 0x30u);
  EXPECT_EQ(mark.Blocks()[2].address, 0x3000u);
  EXPECT_TRUE(mark.IsOf(1234, 0x00150000));
  EXPECT_FALSE(mark.IsOf(1234, 0x00250000) || mark.IsOf(4321, 0x00150000));
  mark.Make(42, 0x00250000, {10, 0, 0}, RowsOf({{0x1000, 0x20, kFree}}));  // nothing busy is still a mark
  EXPECT_TRUE(mark.IsOf(42, 0x00250000) && mark.Blocks().empty() && !mark.IsOf(1234, 0x00150000));
  mark.Make(42, 0x00250000, {10, 0, 0}, RowsOf({{0x1000, 0x20, kFixed}}));
  mark.Clear();
  EXPECT_FALSE(mark.IsSet() || mark.IsOf(0, 0));
  EXPECT_EQ(mark.Blocks().capacity(), 0u);
}

namespace {
// Marked: 0x20 at 0x1000, 0x1020 and 0x10C0; 0x40 at 0x1040; 0x10 at 0x1080.
BlockMark MarkOfFiveBlocks() {
  BlockMark mark;
  mark.Make(1, 0x10000, {9, 5, 7},
            RowsOf({{0x1000, 0x20, kFixed},
                    {0x1020, 0x20, kFixed},
                    {0x1040, 0x40, kFixed},
                    {0x1080, 0x10, kFixed},
                    {0x1090, 0x30, kFree},
                    {0x10C0, 0x20, kFixed}}));
  return mark;
}
// Out of address order: 0x1020 freed, 0x1040 with another size, new blocks
// at 0x1070, 0x1090 (free when marked), 0x2000 and 0x2100.
BlockRows RowsSinceTheMark() {
  return RowsOf({{0x10C0, 0x20, kFixed},
                 {0x1000, 0x20, kFixed},
                 {0x1020, 0x20, kFree},
                 {0x1040, 0x30, kFixed},
                 {0x1070, 0x10, kFixed},
                 {0x1080, 0x10, kFixed},
                 {0x1090, 0x30, kFixed},
                 {0x2000, 0x100, kFixed},
                 {0x2100, 0x40, kFixed}});
}
}  // namespace

TEST(MarkComparisonTest, NewAndGoneBlocksAndTheSizesWhoseCountChanged) {
  const MarkComparison c = CompareWithMark(MarkOfFiveBlocks(), RowsSinceTheMark());
  EXPECT_EQ(MarkComparisonText(c), "+3 blocks (+0x00000150 bytes) since 09:05:07: 5 new, 2 gone");
  EXPECT_EQ(c.isNew, (std::vector<bool>{false, false, false, true, true, false, true, true, true}));
  // 0x40 lost one and gained one: unchanged, so not listed.
  ASSERT_EQ(c.sizes.Count(), 4u);
  EXPECT_EQ(ChangeLine(c, 0), "0x00000100|0|1|+1|+0x00000100");  // by Bytes Change, largest growth first
  EXPECT_EQ(ChangeLine(c, 1), "0x00000030|0|2|+2|+0x00000060");
  EXPECT_EQ(ChangeLine(c, 2), "0x00000010|1|2|+1|+0x00000010");
  EXPECT_EQ(ChangeLine(c, 3), "0x00000020|3|2|-1|-0x00000020");
  EXPECT_EQ(ChangeLine(c, 4), "||||");

  EXPECT_EQ(MarkComparisonText(CompareWithMark(MarkOfFiveBlocks(), BlockRows{})),
            "-5 blocks (-0x000000b0 bytes) since 09:05:07: 0 new, 5 gone");
  BlockMark empty;
  empty.Make(1, 0x10000, {23, 59, 59}, BlockRows{});
  EXPECT_EQ(MarkComparisonText(CompareWithMark(empty, RowsSinceTheMark())),
            "+8 blocks (+0x00000200 bytes) since 23:59:59: 8 new, 0 gone");
  char text[kSignedHexTextSize];
  FormatSignedHex(INT64_MIN, 8, text);
  EXPECT_STREQ(text, "-0x8000000000000000");
}

TEST(MarkComparisonTest, AgreesWithCountingEveryAddressAndSize) {
  // Few addresses and sizes: blocks meet at an address with other sizes,
  // pairs repeat, and every other round is out of address order, some in
  // more runs than are merged.
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const auto makeRows = [&] {
      std::vector<BlockRowValues> values(random() % (round % 10 == 1 ? 400 : 20));
      for (auto& v : values)
        v = {0x1000 + 0x10 * (random() % 12), 0x10 * (1 + random() % 4), random() % 4 ? kFixed : kFree};
      if (round % 2 == 0)
        std::sort(values.begin(), values.end(), [](auto& a, auto& b) { return a.address < b.address; });
      return RowsOf(values);
    };
    const BlockRows before = makeRows(), after = makeRows();
    BlockMark mark;
    mark.Make(1, 0x10000, {0, 0, 0}, before);
    const MarkComparison c = CompareWithMark(mark, after);

    std::map<std::pair<uint64_t, uint64_t>, int> pairs;  // now less then
    std::map<uint64_t, std::pair<uint32_t, uint32_t>> counts, changed, listed;
    int64_t bytes = 0;
    for (const auto& [rows, step] : {std::pair{&before, -1}, std::pair{&after, 1}})
      for (size_t w = 0; w < rows->Count(); ++w)
        if (const BlockRowValues& r = rows->InWalkOrder(w); !r.Free()) {
          pairs[{r.address, r.size}] += step;
          ++(step < 0 ? counts[r.size].first : counts[r.size].second);
          bytes += step * static_cast<int64_t>(r.size);
        }
    uint32_t added = 0, gone = 0;
    for (const auto& [pair, change] : pairs) (change > 0 ? added : gone) += static_cast<uint32_t>(std::abs(change));
    for (const auto& [size, count] : counts)
      if (count.first != count.second) changed[size] = count;
    for (size_t k = 0; k < c.sizes.Count(); ++k)
      listed[c.sizes.InWalkOrder(k).size] = {c.sizes.InWalkOrder(k).then, c.sizes.InWalkOrder(k).now};
    ASSERT_EQ(std::tie(c.newCount, c.goneCount, c.bytesChange), std::tie(added, gone, bytes)) << round;
    ASSERT_EQ(listed, changed) << round;
    // The rows marked new are the new blocks: as many of each pair as it gained.
    std::map<std::pair<uint64_t, uint64_t>, int> marked;
    for (size_t w = 0; w < after.Count(); ++w)
      if (c.IsNew(w)) ++marked[std::pair(after.InWalkOrder(w).address, after.InWalkOrder(w).size)];
    ASSERT_EQ(std::count(c.isNew.begin(), c.isNew.end(), true), added) << round;
    for (const auto& [pair, count] : marked) ASSERT_EQ(count, std::max(pairs[pair], 0)) << round;
  }
}

TEST(MarkComparisonTest, ChangesSortByValueSignedGrowthFirst) {
  // Kept by size: 0x10 (+1), 0x20 (-1), 0x30 (+2), 0x100 (+1).
  const MarkComparison c = CompareWithMark(MarkOfFiveBlocks(), RowsSinceTheMark());
  const SizeChangeRows& sizes = c.sizes;
  EXPECT_EQ(sizes.WalkIndexShown(0), 3u);
  EXPECT_EQ(SizeChangeOrder(sizes, 4, true), (Order{3, 2, 0, 1}));
  EXPECT_EQ(SizeChangeOrder(sizes, 3, false), (Order{1, 0, 3, 2}));  // a tie of +1s: by size
  EXPECT_EQ(SizeChangeOrder(sizes, 3, true), (Order{2, 0, 3, 1}));
  EXPECT_EQ(SizeChangeOrder(sizes, 1, false), (Order{2, 3, 0, 1}));
  EXPECT_EQ(SizeChangeOrder(sizes, 0, true), (Order{3, 2, 1, 0}));
  EXPECT_FALSE(SizeChangeOrder(sizes, 5, true).has_value());
}

TEST(MarkComparisonTest, NextNewBlockOfASizeInTheOrderShownWrapsRoundOnce) {
  BlockRows rows = RowsSinceTheMark();
  const MarkComparison c = CompareWithMark(MarkOfFiveBlocks(), rows);
  ASSERT_TRUE(rows.SetShownOrder({8, 7, 6, 5, 4, 3, 2, 1, 0}));  // sorted after the fill
  // 0x30: new at walk indexes 3 and 6, shown at 5 and 2.
  EXPECT_EQ(FindShownNewBlockOfSize(rows, c, 0x30, 0), 2);
  EXPECT_EQ(FindShownNewBlockOfSize(rows, c, 0x30, 3), 5);
  EXPECT_EQ(FindShownNewBlockOfSize(rows, c, 0x30, 6), 2);
  EXPECT_EQ(FindShownNewBlockOfSize(rows, c, 0x10, 0), 4);   // 0x1070, not the marked 0x1080
  EXPECT_EQ(FindShownNewBlockOfSize(rows, c, 0x20, 0), -1);  // busy ones of 0x20, none new
  EXPECT_EQ(FindShownNewBlockOfSize(RowsOf({{0x1000, 0x30, kFixed}}), c, 0x30, 0), -1);  // another fill's rows
}

namespace {
TypeNames NamesOf(const std::vector<std::string>& classes) {
  TypeNames names;
  for (const std::string& name : classes) names.Add(name);
  return names;
}
}  // namespace

// Catches: free blocks or empty types listed, totals apart from Block
// Sizes', a sort by bytes (not name) case or ties, a stray type dropped,
// a search of a type in walk order or finding free blocks.
TEST(BlockTypesTest, BusyBlocksGroupByTypeSortedByBytesThenName) {
  // Widget 3, apple 4, ns::Node 5 (no block); 99 is of no table.
  BlockRows rows = RowsOf({{0x1000, 0x20, kFixed, 3},
                           {0x1020, 0x20, kBlockKindLfh, 3},
                           {0x1040, 0x40, kFixed, kTypeText8},
                           {0x1080, 0x10, kFree, 3},
                           {0x1090, 0x30, kFixed, 4},
                           {0x10C0, 0x10, kFixed, kTypeUnknown},
                           {0x10D0, 0x10, kFixed, 99},
                           {0x10E0, 0x20, kFixed, kTypeText16}});
  const BlockTypes types = GroupBlockTypes(rows, NamesOf({"Widget", "apple", "ns::Node"}));
  EXPECT_EQ(BlockTotalsText(types.totals), BlockTotalsText(GroupBlockSizes(rows).totals));
  const auto line = [&](size_t p) { return Line(types, p, kTypeGroupColumnCount, TypeGroupCellText); };
  ASSERT_EQ(types.groups.Count(), 5u);
  EXPECT_EQ(line(0), "(8-bit text)|1|0x00000040|26.7%");
  EXPECT_EQ(line(1), "Widget|2|0x00000040|26.7%");
  EXPECT_EQ(line(2), "apple|1|0x00000030|20.0%");
  EXPECT_EQ(line(3), "(unknown)|2|0x00000020|13.3%");  // a type beyond the names counts as unknown
  EXPECT_EQ(line(4), "(UTF-16 text)|1|0x00000020|13.3%");
  // Kept by name without regard to case: (8-bit text), (unknown), (UTF-16 text), apple, Widget.
  EXPECT_EQ(TypeGroupOrder(types.groups, 0, false), (Order{0, 1, 2, 3, 4}));
  EXPECT_EQ(TypeGroupOrder(types.groups, 0, true), (Order{4, 3, 2, 1, 0}));
  EXPECT_EQ(TypeGroupOrder(types.groups, 1, true), (Order{1, 4, 0, 2, 3}));  // ties by name
  EXPECT_EQ(TypeGroupOrder(types.groups, 3, false), (Order{1, 2, 3, 0, 4}));
  // Names alike but for case tie: the kept order both ways.
  const BlockTypes alike =
      GroupBlockTypes(RowsOf({{0x1000, 0x10, kFixed, 3}, {0x1010, 0x10, kFixed, 4}}), NamesOf({"foo", "Foo"}));
  EXPECT_EQ(TypeGroupOrder(alike.groups, 0, true), TypeGroupOrder(alike.groups, 0, false));
  // Shown last first, the free block of type 3 at position 4 is passed over.
  ASSERT_TRUE(rows.SetShownOrder({7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(FindShownBlockOfType(rows, 3, 2), 6);
  EXPECT_EQ(FindShownBlockOfType(rows, 4, 4), 3);  // round the end
  EXPECT_EQ(FindShownBlockOfType(rows, 5, 0), -1);
}

// Catches: types matched by index across tables, a gone or a new type left
// out, unchanged ones listed, the mark's names not its own, old blocks of a
// type found as new.
TEST(MarkComparisonTest, TypesMatchByNameAcrossTheirTables) {
  BlockMark mark;  // Gone 3, Widget 4; 7 is beyond the names: kept as unknown
  mark.Make(1, 0x10000, {9, 5, 7},
            RowsOf({{0x1000, 0x20, kFixed, 4},
                    {0x2000, 0x50, kFixed, 3},
                    {0x3000, 0x10, kFixed, kTypeText8},
                    {0x3010, 0x10, kFixed, 7}}),
            NamesOf({"Gone", "Widget"}));
  EXPECT_EQ(mark.Types().Name(mark.Blocks()[0].type), "Widget");
  EXPECT_EQ(mark.Blocks()[3].type, kTypeUnknown);
  BlockRows rows = RowsOf({{0x1000, 0x20, kFixed, 3},  // Widget 3, ns::Node 4, Alpha 5
                           {0x1100, 0x20, kFixed, 3},
                           {0x3000, 0x10, kFixed, kTypeText8},
                           {0x4000, 0x18, kFixed, 4},
                           {0x3010, 0x10, kFixed, kTypeUnknown},
                           {0x1200, 0x30, kFixed, 3},
                           {0x5000, 0x18, kFixed, 5}});
  const MarkComparison c = CompareWithMark(mark, rows, NamesOf({"Widget", "ns::Node", "Alpha"}));
  const auto line = [&](size_t p) { return Line(c.types, p, kTypeChangeColumnCount, TypeChangeCellText); };
  ASSERT_EQ(c.types.Count(), 4u);  // text and unknown are unchanged
  EXPECT_EQ(line(0), "Widget|1|3|+2|+0x00000050");
  EXPECT_EQ(line(1), "Alpha|0|1|+1|+0x00000018");  // tied with ns::Node: by name
  EXPECT_EQ(line(2), "ns::Node|0|1|+1|+0x00000018");
  EXPECT_EQ(line(3), "Gone|1|0|-1|-0x00000050");
  // Kept by name: Alpha, Gone, ns::Node, Widget.
  EXPECT_EQ(TypeChangeOrder(c.types, 3, true), (Order{3, 0, 2, 1}));
  EXPECT_EQ(TypeChangeOrder(c.types, 4, false), (Order{1, 0, 2, 3}));
  // Widget's new blocks are walk 1 and 5, shown at 5 and 1; the marked one is passed over.
  ASSERT_TRUE(rows.SetShownOrder({6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(FindShownNewBlockOfType(rows, c, 3, 2), 5);
  EXPECT_EQ(FindShownNewBlockOfType(rows, c, 3, 6), 1);
  EXPECT_EQ(FindShownNewBlockOfType(rows, c, c.types.Shown(3).type, 0), -1);  // Gone: no block now
}

// Catches a type searched by another fill's index, a name this fill lacks
// finding another type, a new-only search run without the changes, and
// what F3 then says.
TEST(BlockSearchTest, ATypeIsFoundByItsNameNewBlocksOnlyWithTheChanges) {
  const TypeNames names = NamesOf({"ns::Node", "Widget"});  // Widget is 4 in this fill
  const BlockRows rows = RowsOf({{0x1000, 0x20, kFixed, 3}, {0x1020, 0x20, kFree, 4}, {0x1040, 0x20, kFixed, 4}});
  EXPECT_EQ(FindShownBlock(BlockSearch::OfType("Widget"), rows, names, nullptr, 0), 2);
  EXPECT_EQ(FindShownBlock(BlockSearch::OfType("Gone"), rows, names, nullptr, 0), -1);
  EXPECT_EQ(FindShownBlock(BlockSearch::OfSize(0x20, true), rows, names, nullptr, 0), -1);
  EXPECT_EQ(BlockSearchNotFoundText(BlockSearch::OfType("Gone"), true), "No busy block of this heap is of type Gone.");
  EXPECT_EQ(BlockSearchNotFoundText(BlockSearch::OfSize(0x20, true), false),
            "No block of this heap is new since the mark.");
}
