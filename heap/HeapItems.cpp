#include "heap/HeapItems.h"

namespace {

uint64_t Word(const HeapItemLayout& layout, const uint8_t* p) {
  return layout.word == 8 ? GetLe64(p) : GetLe32(p);
}

constexpr uint64_t AlignUp(uint64_t value, uint32_t alignment) { return (value + alignment - 1) & ~uint64_t{alignment - 1}; }

// Walks the extra records from `at` to the item's end; the settable one
// fills out. False when a record leaves the item or is smaller than its
// header.
bool ReadExtraChain(const HeapItemLayout& layout, const uint8_t* item, uint64_t at, uint64_t end, HeapItem& out) {
  for (;;) {
    if (at + layout.ExtraHeaderBytes() > end) return false;
    const uint8_t* record = item + at;
    const uint64_t size = Word(layout, record + 8);
    if (size < layout.ExtraHeaderBytes() || size > end - at) return false;
    if (GetLe32(record + 4) == kItemExtraSettable && size >= layout.ExtraSettableBytes()) {
      out.hasSettable = true;
      out.settableValue = Word(layout, record + 8 + layout.word);
      out.tagIndex = GetLe16(record + 8 + 2 * layout.word);
      out.backTraceIndex = GetLe16(record + 8 + 2 * layout.word + 2);
    }
    if (record[0] == 0) return true;
    at = AlignUp(at + size, layout.word);
  }
}

}  // namespace

uint64_t HeapItemSize(Width width, const uint8_t* header) {
  const HeapItemLayout layout = ItemLayoutOf(width);
  return Word(layout, header + layout.word);
}

bool ReadHeapItem(Width width, const uint8_t* bytes, size_t available, HeapItem& out) {
  const HeapItemLayout layout = ItemLayoutOf(width);
  if (available < ItemHeaderBytes(width)) return false;
  const uint64_t size = HeapItemSize(width, bytes);
  if (size > available || size > kLargestHeapItemBytes || size < ItemHeaderBytes(width)) return false;
  HeapItem item;
  item.type = GetLe32(bytes);
  const auto field = [&](uint32_t words, uint32_t extra = 0) { return Word(layout, bytes + layout.Field(words, extra)); };
  switch (item.type) {
    case kHeapItemRegion:
      if (size < layout.RegionBytes()) return false;
      item.address = field(0);
      item.size = field(1);
      item.commit = field(2);
      break;
    case kHeapItemRange:
      if (size < layout.RangeBytes()) return false;
      item.address = field(0);
      item.size = field(1);
      item.flags = GetLe32(bytes + layout.Field(2));
      break;
    case kHeapItemBlock:
      if (size < layout.BlockBytes()) return false;
      item.address = field(0);
      item.flags = GetLe32(bytes + layout.Field(1));
      item.size = field(2);
      item.overhead = field(3);
      if ((item.flags & kItemBlockExtra) && !ReadExtraChain(layout, bytes, layout.BlockBytes(), size, item))
        return false;
      break;
    default:
      break;
  }
  out = item;
  return true;
}

std::optional<BlockRowValues> BlockRowOfItem(const HeapItem& item) {
  if (item.type != kHeapItemBlock) return std::nullopt;
  uint32_t kind = kBlockKindFree;
  if (item.flags & kItemBlockBusy) {
    kind = (item.flags & kItemBlockLfh) ? kBlockKindLfh : (item.flags & kItemBlockLarge) ? kBlockKindLarge : kBlockKindFixed;
  }
  return BlockRowValues{item.address, item.size, kind};
}

ItemAnswer JudgeItemAnswer(int32_t status) {
  if (status >= 0) return ItemAnswer::Rows;
  if (status == kStatusInvalidInfoClass || status == kStatusInvalidParameter) return ItemAnswer::UseWalk;
  return ItemAnswer::Failed;
}
