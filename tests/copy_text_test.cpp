#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/CopyText.h"

namespace {
using Lines = std::vector<std::vector<std::string>>;

// Fills the way the controls' text messages do: at most room - 1
// characters, then a NUL.
size_t Fill(const std::string& text, char* out, size_t room) {
  const size_t n = text.size() < room ? text.size() : room - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// The lines measured in the first pass and, when given, other lines written
// in the second, into a heap buffer of exactly the size asked for, so that
// a write past it is caught by the address sanitizer.
struct Built {
  std::optional<size_t> length;
  size_t asked = 0;
  std::string text;
};

Built Build(const Lines& measured, const Lines* written = nullptr) {
  int pass = 0;
  std::unique_ptr<char[]> buffer;
  Built built;
  built.length = BuildCopyText(
      [&](auto& p) {
        const Lines& lines = pass++ == 0 || written == nullptr ? measured : *written;
        for (const auto& line : lines) {
          for (const auto& cell : line)
            p.Cell([&] { return cell.size(); }, [&](char* out, size_t room) { return Fill(cell, out, room); });
          p.EndLine();
        }
      },
      [&](size_t size) {
        built.asked = size;
        buffer = std::make_unique<char[]>(size);
        return buffer.get();
      });
  if (built.length) built.text.assign(buffer.get(), built.asked);
  return built;
}
}  // namespace

TEST(CopyText, CellsJoinedByTabsLinesEndedByCrLfInOneBufferOfTheFinalSize) {
  const Built table = Build({{"Block Index", "Block Address"}, {"1", "0x00150588"}, {"", ""}});
  const std::string expected = "Block Index\tBlock Address\r\n1\t0x00150588\r\n\t\r\n";
  ASSERT_TRUE(table.length.has_value());
  EXPECT_EQ(*table.length, expected.size());
  EXPECT_EQ(table.asked, expected.size() + 1);
  EXPECT_EQ(table.text, expected + '\0');

  // Lines of one cell, an empty one among them, as in the data list.
  const Built dump = Build({{"Heap Node Address= 0x00150000"}, {""}, {"00000000h  61"}});
  EXPECT_EQ(dump.text, std::string("Heap Node Address= 0x00150000\r\n\r\n00000000h  61\r\n") + '\0');

  const Built empty = Build({});
  EXPECT_EQ(empty.asked, 1u);
  EXPECT_EQ(empty.text, std::string(1, '\0'));
}

TEST(CopyText, ContentThatChangesBetweenThePassesStaysInsideTheBuffer) {
  // Longer cells and more lines in the writing pass: cut at the buffer's end.
  const Lines longer = {{"abcdefgh", "ij"}, {"klmnop"}, {"more"}};
  const Built grown = Build({{"abc", "d"}}, &longer);
  EXPECT_EQ(grown.asked, 8u);
  EXPECT_EQ(grown.text, std::string("abcdefg") + '\0');

  // Shorter ones: the text ends where they do.
  const Lines shorter = {{"a", ""}};
  const Built shrunk = Build({{"abc", "d"}}, &shorter);
  ASSERT_TRUE(shrunk.length.has_value());
  EXPECT_EQ(*shrunk.length, 4u);
  EXPECT_STREQ(shrunk.text.c_str(), "a\t\r\n");
}

TEST(CopyText, NoBufferMeansNoText) {
  EXPECT_FALSE(BuildCopyText([](auto& p) { p.Cell([] { return size_t{3}; }, [](char*, size_t) { return 0u; }); },
                             [](size_t) -> char* { return nullptr; }));
  // A size that does not fit in size_t is never asked for.
  bool asked = false;
  EXPECT_FALSE(BuildCopyText(
      [](auto& p) {
        p.Cell([] { return SIZE_MAX - 1; }, [](char*, size_t) { return size_t{0}; });
        p.EndLine();
      },
      [&](size_t) -> char* {
        asked = true;
        return nullptr;
      }));
  EXPECT_FALSE(asked);
}
