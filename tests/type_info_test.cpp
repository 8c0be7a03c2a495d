#include <gtest/gtest.h>

#include "analysis/TypeInfoReader.h"

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/TypeResolver.h"

namespace {
// A process of one width: an image module of 0x4000 bytes at base, then
// heap that no module holds. Type information is laid out in the image as
// each compiler lays it out.
struct Process {
  explicit Process(Width width, uint64_t at = 0)
      : width(width),
        base(at != 0                  ? at
             : width == Width::Bits64 ? 0x1'4000'0000
                                      : 0x400000) {}
  Width width;
  uint64_t base;
  uint32_t w = width == Width::Bits64 ? 8 : 4;
  uint64_t imageEnd = base + 0x4000, heap = imageEnd + 0x100, next = base + 0x100;
  FixtureImage memory{base, std::vector<uint8_t>(0x6000)};
  ImageRanges images{std::vector<AddressRange>{{base, imageEnd}}};

  uint8_t* At(uint64_t address) { return memory.Bytes().data() + (address - base); }
  void Word(uint64_t address, uint64_t value) {
    w == 8 ? PutLe64(At(address), value) : PutLe32(At(address), static_cast<uint32_t>(value));
  }
  void U32(uint64_t address, uint64_t value) { PutLe32(At(address), static_cast<uint32_t>(value)); }
  uint64_t Reserve(uint64_t bytes) { return std::exchange(next, next + ((bytes + 15) & ~15ull)); }
  uint64_t Ref(uint64_t address) const { return w == 8 ? address - base : address; }  // as a locator holds it

  struct Microsoft {
    uint64_t vtable, locator, hierarchy;
  };
  Microsoft MicrosoftClass(const std::string& name) {
    const uint64_t descriptor = Reserve(2 * w + name.size() + 1), hierarchy = Reserve(16), locator = Reserve(24);
    std::memcpy(At(descriptor + 2 * w), name.c_str(), name.size() + 1);
    Word(descriptor, base + 0x10);
    U32(locator, w == 8 ? 1 : 0);
    U32(locator + 12, Ref(descriptor));
    U32(locator + 16, Ref(hierarchy));
    if (w == 8) U32(locator + 20, locator - base);
    const uint64_t vtable = Reserve(3 * w) + w;
    Word(vtable - w, locator);
    return {vtable, locator, hierarchy};
  }
  struct Gcc {
    uint64_t vtable, typeInfo;
  };
  Gcc GccClass(const std::string& name) {
    const uint64_t typeInfo = Reserve(2 * w), vtable = Reserve(4 * w) + 2 * w, text = Reserve(name.size() + 1);
    std::memcpy(At(text), name.c_str(), name.size() + 1);
    Word(typeInfo, base + 0x20);
    Word(typeInfo + w, text);
    Word(vtable - w, typeInfo);
    return {vtable, typeInfo};
  }
  std::optional<StoredTypeName> Read(uint64_t vtable) { return ReadStoredTypeName(memory, images, width, vtable); }
};

constexpr Width kWidths[] = {Width::Bits32, Width::Bits64};
const std::string kVector = ".?AV?$vector@HV?$allocator@H@std@@@std@@";
}  // namespace

// Catches: a form or a width laid out wrong (name offset, pointers against
// offsets from the base), a local name's '*' kept, a name bound off by one.
TEST(TypeInfoReaderTest, ReadsBothFormsInBothWidths) {
  for (const Width width : kWidths) {
    Process p(width);
    EXPECT_EQ(p.Read(p.MicrosoftClass(kVector).vtable), (StoredTypeName{NameForm::Microsoft, kVector}));
    EXPECT_EQ(p.Read(p.MicrosoftClass(".?AUPoint@@").vtable), (StoredTypeName{NameForm::Microsoft, ".?AUPoint@@"}));
    EXPECT_EQ(p.Read(p.GccClass("N2ns4NodeE").vtable), (StoredTypeName{NameForm::Gcc, "N2ns4NodeE"}));
    EXPECT_EQ(p.Read(p.GccClass("*N12_GLOBAL__N_16WidgetE").vtable)->name, "N12_GLOBAL__N_16WidgetE");
    // The longest name that fits kTypeNameRoom with its NUL; one more is not believed.
    const std::string longest = ".?AV" + std::string(kTypeNameRoom - 7, 'A') + "@@";
    EXPECT_EQ(p.Read(p.MicrosoftClass(longest).vtable)->name, longest);
    EXPECT_FALSE(p.Read(p.MicrosoftClass(".?AVA" + longest.substr(4)).vtable));
  }
}

// Catches: any one check left out, so that a block's words name a class.
TEST(TypeInfoReaderTest, EachCheckRejectsWhatFailsIt) {
  for (const Width width : kWidths) {
    Process p(width);
    std::vector<std::pair<std::string, uint64_t>> broken;  // what fails, and the table
    const auto microsoft = [&](const char* fault, auto patch) {
      const Process::Microsoft c = p.MicrosoftClass(".?AVWidget@@");
      patch(c);
      broken.emplace_back(fault, c.vtable);
    };
    const auto gcc = [&](const char* fault, auto patch) {
      const Process::Gcc c = p.GccClass("6Widget");
      patch(c);
      broken.emplace_back(fault, c.vtable);
    };
    microsoft("signature of the other width", [&](auto& c) { p.U32(c.locator, p.w == 8 ? 0 : 1); });
    microsoft("nonzero locator offset (a base's table)", [&](auto& c) { p.U32(c.locator + 4, 8); });
    microsoft("hierarchy signature not 0", [&](auto& c) { p.U32(c.hierarchy, 1); });
    microsoft("name unterminated at the image's end (zeros follow)", [&](auto& c) {
      std::memcpy(p.At(p.imageEnd - 12), ".?AVWidget@@", 12);
      p.U32(c.locator + 12, p.Ref(p.imageEnd - 12 - 2 * p.w));
    });
    if (p.w == 8) microsoft("self offset not back to the image's base", [&](auto& c) { p.U32(c.locator + 20, 16); });
    gcc("offset to top not 0", [&](auto& c) { p.Word(c.vtable - 2 * p.w, 0 - 16ull); });
    gcc("name outside any image", [&](auto& c) {
      std::memcpy(p.At(p.heap), "6Widget", 8);
      p.Word(c.typeInfo + p.w, p.heap);
    });
    gcc("type_info's own vtable outside any image", [&](auto& c) { p.Word(c.typeInfo, p.heap); });
    broken.emplace_back("not a class's decorated name", p.MicrosoftClass(".?AW4Color@@").vtable);
    broken.emplace_back("decorated name without its end", p.MicrosoftClass(".?AVWidget@").vtable);
    broken.emplace_back("name with a space", p.GccClass("6Wid et").vtable);
    const uint64_t copy = p.heap + 0x100;
    std::memcpy(p.At(copy - 2 * p.w), p.At(p.MicrosoftClass(".?AVWidget@@").vtable - 2 * p.w), 4 * p.w);
    broken.emplace_back("table outside any image", copy);
    for (const auto& [fault, vtable] : broken) EXPECT_FALSE(p.Read(vtable)) << fault << ", " << p.w * 8 << "-bit";
  }
}

namespace {
std::optional<std::string> FakeUndecorate(NameForm, const std::string& stored) {
  static const std::map<std::string, std::string> known = {{kVector, "class std::vector<int,std::allocator<int> >"},
                                                           {".?AUPoint@@", "struct Point"},
                                                           {"N2ns4NodeE", "ns::Node"},
                                                           {"6Widget", "Widget"}};
  const auto found = known.find(stored);
  return found != known.end() ? std::optional(found->second) : std::nullopt;
}

// A block's first 64 bytes: words at offsets, zeros elsewhere.
std::vector<uint8_t> Head(const Process& p, std::initializer_list<std::pair<size_t, uint64_t>> words) {
  std::vector<uint8_t> head(64);
  for (const auto& [offset, value] : words)
    p.w == 8 ? PutLe64(&head[offset], value) : PutLe32(&head[offset], static_cast<uint32_t>(value));
  return head;
}
}  // namespace

// Catches: a place looked at wrongly or without its condition, names shown
// as the undecorator did not mean (a kind left before, a GCC name it can't
// read shown), a class added twice, verdicts not kept.
TEST(TypeResolverTest, NamesTheClassAtEachPlaceAnObjectBegins) {
  for (const Width width : kWidths) {
    Process p(width);
    TypeNames names;
    TypeResolver resolver(p.memory, p.images, width, FakeUndecorate, names);
    const auto classify = [&](const std::vector<uint8_t>& head, uint64_t size = 64, size_t read = 64) {
      return names.Name(resolver.Classify(head.data(), read, size));
    };
    const uint64_t vector = p.MicrosoftClass(kVector).vtable, node = p.GccClass("N2ns4NodeE").vtable;
    const std::string vectorName = "std::vector<int,std::allocator<int> >";
    EXPECT_EQ(classify(Head(p, {{0, vector}})), vectorName);
    EXPECT_EQ(classify(Head(p, {{0, p.MicrosoftClass(".?AUPoint@@").vtable}})), "Point");
    EXPECT_EQ(classify(Head(p, {{0, node}})), "ns::Node");
    EXPECT_EQ(classify(Head(p, {{0, p.MicrosoftClass(".?AVOpaque@@").vtable}})), ".?AVOpaque@@");
    EXPECT_EQ(classify(Head(p, {{0, p.GccClass("7Mangled").vtable}})), "(unknown)");
    // After a debug header (its last four bytes 0xFD), and only then.
    const size_t object = DebugHeaderBytes(width);
    std::vector<uint8_t> debug = Head(p, {{0, 0x1234}, {object, node}});
    EXPECT_EQ(classify(debug), "(unknown)");
    std::fill(debug.begin() + object - 4, debug.begin() + object, 0xFD);
    EXPECT_EQ(classify(debug), "ns::Node");
    // After an element count of 1 to size / word, and only then; not beyond what was read.
    EXPECT_EQ(classify(Head(p, {{0, 3}, {p.w, vector}}), 3 * p.w), vectorName);
    EXPECT_EQ(classify(Head(p, {{0, 3}, {p.w, vector}}), 3 * p.w - 1), "(unknown)");
    EXPECT_EQ(classify(Head(p, {{0, 0}, {p.w, vector}})), "(unknown)");
    EXPECT_EQ(classify(Head(p, {{0, 1}, {p.w, vector}}), 64, p.w + 2), "(unknown)");
    // Another table of a class met is the same type.
    EXPECT_EQ(resolver.ClassAt(p.MicrosoftClass(kVector).vtable), resolver.ClassAt(vector));
    EXPECT_EQ(names.Count(), kFirstClassType + 4);
    // A table's verdict is kept: its bytes are not read again.
    std::memset(p.At(vector - p.w), 0, p.w);
    EXPECT_EQ(classify(Head(p, {{0, vector}})), vectorName);
    EXPECT_EQ(TypeResolver(p.memory, p.images, width, FakeUndecorate, names).ClassAt(vector), kTypeUnknown);
  }
}

// Catches: text judged before the class.
TEST(TypeResolverTest, AClassWinsOverTextItsTableAddressSpells) {
  Process p(Width::Bits64, 0x2020'2020'2020'0000);
  p.next = p.base + 0x2140;
  const uint64_t vtable = p.GccClass("6Widget").vtable;
  ASSERT_EQ(vtable, 0x2020'2020'2020'2160u);  // "`!      "
  std::vector<uint8_t> head = Head(p, {{0, vtable}});
  TypeNames names;
  TypeResolver resolver(p.memory, p.images, Width::Bits64, FakeUndecorate, names);
  EXPECT_EQ(names.Name(resolver.Classify(head.data(), 8, 8)), "Widget");
  head[0] = 'Q';
  EXPECT_EQ(resolver.Classify(head.data(), 8, 8), kTypeText8);
}
