#include <windows.h>

#include "heap/HeapItems.h"
#include "support/SubstituteHeapQuery.h"

namespace {

class ItemWriter {
 public:
  explicit ItemWriter(std::vector<uint8_t>& out) : m_out(out) {}
  void Word(uint64_t value) { Put(value, m_layout.word); }
  void Put32(uint32_t value) { Put(value, 4); }
  void Byte(uint8_t value) { m_out.push_back(value); }
  void Align(size_t alignment) {
    while (m_out.size() % alignment) m_out.push_back(0);
  }
  size_t Size() const { return m_out.size(); }
  void PutWordAt(size_t at, uint64_t value) {
    for (uint32_t i = 0; i < m_layout.word; ++i) m_out[at + i] = static_cast<uint8_t>(value >> (8 * i));
  }

 private:
  void Put(uint64_t value, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i) m_out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  const HeapItemLayout m_layout = ItemLayoutOf(kProgramWidth);
  std::vector<uint8_t>& m_out;
};

// An extra record: next, three bytes of padding, its type, its size, and
// for the settable one its value, tag and back-trace index; padded to the
// next word.
void WriteExtra(ItemWriter& out, bool last, uint32_t type) {
  const HeapItemLayout layout = ItemLayoutOf(kProgramWidth);
  const size_t start = out.Size();
  out.Byte(last ? 0 : 1);
  out.Byte(0);
  out.Byte(0);
  out.Byte(0);
  out.Put32(type);
  out.Word(0);  // size, set below
  out.Word(type == kItemExtraSettable ? 0x5E77AB1E : 0x0DDBA11);
  out.Put32(type == kItemExtraSettable ? 0x00070003 : 0);
  out.PutWordAt(start + 8, out.Size() - start);
  out.Align(layout.word);
}

}  // namespace

std::vector<uint8_t> LayOutItems(const std::vector<SubstituteItem>& items, std::vector<size_t>& offsets) {
  std::vector<uint8_t> bytes;
  bytes.reserve(items.size() * 64);
  offsets.clear();
  offsets.reserve(items.size());
  ItemWriter out(bytes);
  const HeapItemLayout layout = ItemLayoutOf(kProgramWidth);
  for (const SubstituteItem& item : items) {
    out.Align(8);
    const size_t start = out.Size();
    offsets.push_back(start);
    out.Word(item.type);  // a 32-bit type, padded to the word
    out.Word(0);          // the item's size, set below
    switch (item.type) {
      case kHeapItemRegion:
        out.Word(item.address), out.Word(item.size), out.Word(item.commit), out.Word(0), out.Word(0);
        break;
      case kHeapItemRange:
        out.Word(item.address), out.Word(item.size), out.Put32(item.flags), out.Put32(PAGE_READWRITE), out.Word(0),
            out.Word(0);
        break;
      default: {
        out.Word(item.address);
        out.Put32(item.flags | (item.extra ? kItemBlockExtra : 0));
        out.Align(layout.word);
        out.Word(item.size), out.Word(item.overhead), out.Word(0);
        if (item.extra) {
          WriteExtra(out, false, 7);
          WriteExtra(out, true, kItemExtraSettable);
        }
        break;
      }
    }
    out.PutWordAt(start + layout.word, out.Size() - start);
  }
  return bytes;
}

std::vector<SubstituteEntry> EntriesFromItems(const std::vector<SubstituteItem>& items) {
  std::vector<SubstituteEntry> entries;
  entries.reserve(items.size());
  for (const SubstituteItem& item : items) {
    if (item.type == kHeapItemRegion) {
      entries.push_back({item.size, 0x0002, item.address});
    } else if (item.type == kHeapItemRange) {
      if (item.flags == kItemRangeUncommitted) entries.push_back({item.size, 0x1000, 0});
    } else if (item.type == kHeapItemBlock) {
      uint16_t flags = (item.flags & kItemBlockBusy) ? 0x0001 : 0;
      if (item.flags & kItemBlockLfh) flags |= 0x8000;
      if (item.flags & kItemBlockLarge) flags |= 0x4000;
      if (item.extra) flags |= 0x0010;
      entries.push_back({item.size + item.overhead, flags, 0});
    }
  }
  return entries;
}
