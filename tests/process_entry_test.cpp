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
