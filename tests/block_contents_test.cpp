#include <gtest/gtest.h>

#include "analysis/BlockContents.h"

#include <string>
#include <vector>

namespace {
std::string Preview(const std::string& head, uint64_t blockSize, size_t room = 128) {
  char text[128];
  PreviewText(reinterpret_cast<const uint8_t*>(head.data()), head.size(), blockSize, text, room);
  return text;
}
// Little-endian 16-bit units of text.
std::string Wide(const std::u16string& text) {
  std::string bytes;
  for (const char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}
const std::string k40(40, 'x');
}  // namespace

// Catches: a bound off by one (least characters, 40 shown, the head's 128
// bytes), ... missed or added at the head's end, escapes counted as two,
// a run's bad stop taken for its end, UTF-16 units misread.
TEST(BlockContentsTest, PreviewRulesAtTheirEdges) {
  struct Case {
    std::string head;
    uint64_t blockSize;
    std::string shown;
  };
  const std::string tail(128 - 43, 'y');
  const std::vector<Case> cases = {
      {std::string("abc\0defgh", 9), 16, ""},  // three characters are not text
      {std::string("abcd\0efgh", 9), 16, "\"abcd\""},
      {k40 + '\0', 64, ("\"" + k40 + "\"")},
      {k40 + "z" + '\0', 64, ("\"" + k40 + "\"...")},
      // To the head's end without a NUL: more only when the block goes on.
      {"abcdefghij", 10, "\"abcdefghij\""},
      {"abcdefghij", 100, "\"abcdefghij\"..."},
      // Tab, CR and LF count as one character each, written escaped.
      {std::string(37, 'x') + "\t\r\n" + '\0', 64, ("\"" + std::string(37, 'x') + "\\t\\r\\n\"")},
      // A run that stops at neither text nor NUL is not text.
      {"abcd\x01", 64, ""},
      {"abcd\xc3\xa9", 64, ""},
      // Only the first 128 bytes are looked at.
      {std::string(128, 'a') + '\x01', 200, ("\"" + std::string(40, 'a') + "\"...")},
      {Wide(u"Wide text!") + std::string(2, '\0'), 64, "L\"Wide text!\""},
      {Wide(u"abc") + std::string(2, '\0'), 64, ""},
      {Wide(u"ab\u0141cde") + std::string(2, '\0'), 64, ""},
      {Wide(u"abcd"), 8, "L\"abcd\""},
      {Wide(u"abcd") + "x", 9, "L\"abcd\""},  // half a unit is no more text
      {Wide(u"abcd"), 20, "L\"abcd\"..."},
  };
  for (const Case& c : cases) EXPECT_EQ(Preview(c.head, c.blockSize), c.shown) << c.head;
  EXPECT_EQ(Preview("abcdef", 6, 5), "\"abc");  // cut to room as a cell is
}

// Catches: a type shown as another kind, a type of no name shown at all.
TEST(BlockContentsTest, ContentsOfEachKindOfType) {
  TypeNames names;
  const uint32_t widget = names.Add("Widget");
  const std::string head = "hello";
  const auto contents = [&](uint32_t type) {
    char text[64];
    ContentsText(type, names, reinterpret_cast<const uint8_t*>(head.data()), head.size(), 5, text, sizeof text);
    return std::string(text);
  };
  EXPECT_EQ(contents(widget), "Widget");
  EXPECT_EQ(contents(kTypeText8), "\"hello\"");
  EXPECT_EQ(contents(kTypeUnknown), "");
  EXPECT_EQ(contents(widget + 1), "");  // a type from another table's names
}
