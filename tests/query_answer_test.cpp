// What a finished heap query means, what the system's extended process
// information says of a frozen process, and the segment heaps' totals.
#include <gtest/gtest.h>

#include <vector>

#include "heap/QueryAnswer.h"
#include "heap/QueryImageBuilder.h"
#include "heap/SegmentHeap.h"

namespace {

TEST(QueryAnswerTest, TimeoutAndLateEmptySuccessAreNoAnswerInTime) {
  EXPECT_EQ(JudgeQueryAnswer(0x102, false, 0), QueryAnswer::NoAnswerInTime);
  EXPECT_EQ(JudgeQueryAnswer(0x102, true, 60000), QueryAnswer::NoAnswerInTime);
  // Success without a list: at once it is Wine's answer (no heaps), late it
  // is the system's wait running out.
  EXPECT_EQ(JudgeQueryAnswer(0, false, kNoAnswerAfterMs - 1), QueryAnswer::Heaps);
  EXPECT_EQ(JudgeQueryAnswer(0, false, kNoAnswerAfterMs), QueryAnswer::NoAnswerInTime);
  EXPECT_EQ(JudgeQueryAnswer(0, true, 59000), QueryAnswer::Heaps);
  EXPECT_EQ(JudgeQueryAnswer(static_cast<int32_t>(0xC0000017), false, 60000), QueryAnswer::Failed);
  EXPECT_EQ(JudgeQueryAnswer(static_cast<int32_t>(0xC000000B), true, 0), QueryAnswer::Failed);

  // A process that did not answer is not asked again for the summary.
  EXPECT_FALSE(FallBackToSummary(0));
  EXPECT_FALSE(FallBackToSummary(kQueryStatusTimeout));
  EXPECT_TRUE(FallBackToSummary(static_cast<int32_t>(0xC0000017)));
  EXPECT_TRUE(FallBackToSummary(1));

  EXPECT_EQ(WaitingCaptionText("Heap Nodes of the selected Process"),
            "Heap Nodes of the selected Process - waiting for the process to answer... (Esc stops waiting)");
}

TEST(QueryAnswerTest, FrozenOnlyFromACompleteExtendedAnswerWithTheFlag) {
  for (const Width width : {Width::Bits32, Width::Bits64}) {
    const uint32_t size = ExtendedBasicInfoSize(width);
    const uint32_t flags = ExtendedBasicInfoFlags(width);
    std::vector<uint8_t> info(kLargestExtendedBasicInfoSize, 0xEE);
    PrepareExtendedBasicInfo(width, info.data());
    EXPECT_EQ(info[0], size);
    for (uint32_t i = 1; i < size; ++i) EXPECT_EQ(info[i], 0) << i;
    EXPECT_FALSE(SaysFrozen(width, 0, info.data(), size));

    info[flags] = 0x10 | 0x20;  // frozen and in the background
    EXPECT_TRUE(SaysFrozen(width, 0, info.data(), size));
    EXPECT_FALSE(SaysFrozen(width, static_cast<int32_t>(0xC0000004), info.data(), size));  // size refused
    EXPECT_FALSE(SaysFrozen(width, 0, info.data(), size - 4));
    info[flags] = 0x2F;  // every other flag
    EXPECT_FALSE(SaysFrozen(width, 0, info.data(), size));

    // A system that knows only the basic form writes its exit status over
    // the size word; what lies at the flags then means nothing.
    info[flags] = 0x10;
    PutLe32(info.data(), 0x103);
    EXPECT_FALSE(SaysFrozen(width, 0, info.data(), size));
  }
  EXPECT_EQ(ExtendedBasicInfoFlags(Width::Bits32), 4u + 24u);
  EXPECT_EQ(ExtendedBasicInfoFlags(Width::Bits64), 8u + 48u);
}

TEST(SegmentHeapTest, AllocatedIsTheSumOfBusyEntriesOfASegmentHeap) {
  for (const Width width : {Width::Bits32, Width::Bits64}) {
    const QueryLayout& layout = LayoutOf(width, false);
    FixtureHeap heap{HeapRecord{0x00150000, 0, 8, 0x1234, 0x40000, 0, 0},
                     {{0x00040000, 0x0002, 0x00150580},  // segment: not a block
                      {0x20, 0x0001, 0},
                      {0x40, 0x0000, 0},    // not busy
                      {0x100, 0x0101, 0},   // busy with other bits
                      {0x1000, 0x0100, 0},  // free
                      {0x8000, 0x0003, 0},  // segment flag wins
                      {0x18, 0x0001, 0}}};
    const FixtureImage image = BuildQueryImage(0x10000, {heap}, true, layout);
    const HeapQueryReader reader(image, 0x10000, layout);
    HeapRecord record;
    ASSERT_TRUE(reader.ReadHeap(0, record));
    EXPECT_EQ(NodeAllocatedBytes(reader, record, true), 0x20u + 0x100u + 0x18u);
    // Another kind of heap keeps the record's value.
    EXPECT_EQ(NodeAllocatedBytes(reader, record, false), 0x1234u);

    // A summary-only answer, and a heap without entries, keep it too.
    const FixtureImage summary = BuildQueryImage(0x10000, {heap}, false, layout);
    const HeapQueryReader summaryReader(summary, 0x10000, layout);
    ASSERT_TRUE(summaryReader.ReadHeap(0, record));
    EXPECT_EQ(NodeAllocatedBytes(summaryReader, record, true), 0x1234u);
    const FixtureImage none = BuildQueryImage(0x10000, {FixtureHeap{heap.record, {}}}, true, layout);
    const HeapQueryReader noneReader(none, 0x10000, layout);
    ASSERT_TRUE(noneReader.ReadHeap(0, record));
    EXPECT_EQ(NodeAllocatedBytes(noneReader, record, true), 0x1234u);

    // Entries that run past the image: the record's value, not a part sum.
    ASSERT_TRUE(reader.ReadHeap(0, record));
    record.NumberOfEntries += 1000;
    EXPECT_EQ(NodeAllocatedBytes(reader, record, true), 0x1234u);
  }
  EXPECT_EQ(SegmentSignatureOffset(Width::Bits32), 0x8u);
  EXPECT_EQ(SegmentSignatureOffset(Width::Bits64), 0x10u);
}

}  // namespace
