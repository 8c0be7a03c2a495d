#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "heap/ProcessEntry.h"
#include "heap/ProcessIdCapacity.h"

TEST(ProcessEntryTest, EntryTextRoundTrips) {
  EXPECT_EQ("notepad.exe    [1234]", FormatProcessEntry("notepad.exe", 1234));
  EXPECT_EQ(1234, ProcessIdFromEntryText(FormatProcessEntry("notepad.exe", 1234).c_str()));
  EXPECT_EQ("[System Process]    [0]", FormatProcessEntry(kSystemProcessName, 0));
  EXPECT_EQ(4, ProcessIdFromEntryText(FormatProcessEntry(kSystemProcessName, 4).c_str()));
  EXPECT_EQ(77, ProcessIdFromEntryText(FormatProcessEntry("data[1].exe", 77).c_str()));
  EXPECT_EQ(INT32_MIN, ProcessIdFromEntryText(FormatProcessEntry(kUnknownProcessName, INT32_MIN).c_str()));

  // Bounded to 4096 bytes with the terminator.
  const std::string longName(5000, 'a');
  EXPECT_EQ(std::string(4095, 'a'), FormatProcessEntry(longName.c_str(), 8));
  EXPECT_EQ(std::string(4087, 'a') + "    [8]", FormatProcessEntry(std::string(4087, 'a').c_str(), 8));
}

TEST(ProcessEntryTest, IdentifierBetweenTheLastBrackets) {
  EXPECT_EQ(77, ProcessIdFromEntryText("data[1].exe    [77]"));
  EXPECT_EQ(-1, ProcessIdFromEntryText("x    [-1]"));
  EXPECT_EQ(12, ProcessIdFromEntryText("x [+12]"));
  EXPECT_EQ(42, ProcessIdFromEntryText("x [ \t42]"));
  EXPECT_EQ(12, ProcessIdFromEntryText("x [12x]"));
  EXPECT_EQ(0, ProcessIdFromEntryText("x [abc]"));
  EXPECT_EQ(0, ProcessIdFromEntryText("x [-]"));
  EXPECT_EQ(0, ProcessIdFromEntryText("x []"));
  EXPECT_EQ(0, ProcessIdFromEntryText(""));
  EXPECT_EQ(0, ProcessIdFromEntryText(nullptr));

  // Missing brackets: from the start of the text without '[', up to the
  // end without ']'; ']' before '[' leaves nothing.
  EXPECT_EQ(15, ProcessIdFromEntryText(" 15]"));
  EXPECT_EQ(15, ProcessIdFromEntryText("name [15"));
  EXPECT_EQ(0, ProcessIdFromEntryText("name 15"));
  EXPECT_EQ(0, ProcessIdFromEntryText("a]b[12"));

  // Beyond 32 bits: saturated.
  EXPECT_EQ(INT32_MAX, ProcessIdFromEntryText("x [2147483648]"));
  EXPECT_EQ(INT32_MAX, ProcessIdFromEntryText("x [99999999999999999999]"));
  EXPECT_EQ(INT32_MIN, ProcessIdFromEntryText("x [-99999999999999999999]"));
  EXPECT_EQ(INT32_MAX, ProcessIdFromEntryText("x [2147483647]"));
}

TEST(ProcessEntryTest, IdentifierArrayStopsDoublingAtItsCeiling) {
  // An enumeration that always fills its array does not make it grow for ever.
  uint32_t capacity = kFirstProcessIdCapacity, largest = 0;
  for (int rounds = 0; capacity != 0 && rounds < 64; ++rounds)
    capacity = NextProcessIdCapacity(largest = capacity, capacity * 4);
  EXPECT_EQ(0u, capacity);
  EXPECT_EQ(1024000u, largest);
}

TEST(ProcessEntryTest, ProcessesOfTheOtherWidthAreMarked) {
  // A 64-bit program can't read a process under the compatibility layer;
  // a 32-bit one under the layer can't read one outside it.
  EXPECT_EQ(Width::Bits32, OtherWidthOf(Width::Bits64, false, true));
  EXPECT_EQ(std::nullopt, OtherWidthOf(Width::Bits64, false, false));
  EXPECT_EQ(Width::Bits64, OtherWidthOf(Width::Bits32, true, false));
  EXPECT_EQ(std::nullopt, OtherWidthOf(Width::Bits32, true, true));
  // 32-bit Windows (no layer), and whatever can't be told: nothing changes.
  EXPECT_EQ(std::nullopt, OtherWidthOf(Width::Bits32, false, false));
  EXPECT_EQ(std::nullopt, OtherWidthOf(Width::Bits32, std::nullopt, false));
  EXPECT_EQ(std::nullopt, OtherWidthOf(Width::Bits64, true, std::nullopt));

  const std::string marked = FormatProcessEntry("app.exe", 4242, Width::Bits32);
  EXPECT_EQ("app.exe (32-bit)    [4242]", marked);
  EXPECT_EQ(4242, ProcessIdFromEntryText(marked.c_str()));
  EXPECT_EQ("svc.exe (64-bit)    [8]", FormatProcessEntry("svc.exe", 8, Width::Bits64));
  EXPECT_STREQ("This is a 32-bit process: its heaps are shown by Tarnwick.exe", OtherWidthText(Width::Bits32));
  EXPECT_STREQ("This is a 64-bit process: its heaps are shown by Tarnwick64.exe", OtherWidthText(Width::Bits64));
}

TEST(ProcessEntryTest, ImagePathGivesItsFileName) {
  EXPECT_EQ("explorer.exe", ImageFileName("C:\\Windows\\explorer.exe"));
  EXPECT_EQ("svchost.exe", ImageFileName("\\Device\\HarddiskVolume3\\Windows\\System32\\svchost.exe"));
  EXPECT_EQ("a.exe", ImageFileName("a.exe"));
  EXPECT_EQ("", ImageFileName("C:\\folder\\"));
  EXPECT_EQ("", ImageFileName(nullptr));
}
