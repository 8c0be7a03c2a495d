#include "heap/HeapRecords.h"

namespace {

// address + offset within the layout's address space; false when the sum
// leaves it.
bool AddressAt(const QueryLayout& layout, uint64_t address, uint64_t offset, uint64_t& out) {
  const uint64_t limit = AddressMask(layout.width);
  if (address > limit || offset > limit - address) return false;
  out = address + offset;
  return true;
}

bool ReadBytes(const MemoryImage& image, const QueryLayout& layout, uint64_t address, uint64_t offset, void* out,
               uint32_t size) {
  uint64_t at = 0;
  return size != 0 && AddressAt(layout, address, offset, at) && size - 1 <= AddressMask(layout.width) - at &&
         image.Read(at, out, size);
}

bool Read32(const MemoryImage& image, const QueryLayout& layout, uint64_t address, uint64_t offset, uint32_t& out) {
  uint8_t bytes[4];
  if (!ReadBytes(image, layout, address, offset, bytes, sizeof bytes)) return false;
  out = GetLe32(bytes);
  return true;
}

bool ReadWord(const MemoryImage& image, const QueryLayout& layout, uint64_t address, uint64_t offset,
              uint64_t& out) {
  uint8_t bytes[8];
  if (!ReadBytes(image, layout, address, offset, bytes, layout.wordSize)) return false;
  out = GetWord(layout, bytes);
  return true;
}

// The heap list's address and count; false when there is no list.
bool ReadHeapList(const MemoryImage& image, const QueryLayout& layout, uint64_t bufferAddress, uint64_t& list,
                  uint32_t& count) {
  return ReadWord(image, layout, bufferAddress, layout.heapsPointer, list) && list != 0 &&
         Read32(image, layout, list, 0, count);
}

bool ReadEntryOf(const MemoryImage& image, const QueryLayout& layout, const HeapRecord& heap, uint32_t index,
                 HeapEntryRecord& out) {
  if (index >= heap.NumberOfEntries || heap.Entries == 0) return false;
  uint8_t bytes[kLargestEntryRecordSize];
  if (!ReadBytes(image, layout, heap.Entries, uint64_t{layout.entryRecordSize} * index, bytes,
                 layout.entryRecordSize))
    return false;
  out = DecodeHeapEntry(layout, bytes);
  return true;
}

// Whether records 1 and on (as many as are looked at) read as heaps in
// this layout. Record 0 lies at the same offset in both 64-bit layouts and
// tells nothing.
bool LaterRecordsPlausible(const MemoryImage& image, const QueryLayout& layout, uint64_t list, uint32_t count) {
  constexpr uint32_t kRecordsLookedAt = 64;
  constexpr uint64_t kHeapAlignment = 0x10000;
  for (uint32_t i = 1; i < count && i < kRecordsLookedAt; ++i) {
    uint8_t bytes[kLargestFieldBytes];
    if (!ReadBytes(image, layout, list, layout.firstRecord + uint64_t{layout.recordSize} * i, bytes,
                   FieldBytes(layout)))
      return false;
    const HeapRecord heap = DecodeHeapRecord(layout, bytes);
    if (heap.BaseAddress == 0 || heap.BaseAddress % kHeapAlignment != 0) return false;
    HeapEntryRecord entry{};
    if (heap.Entries != 0 && heap.NumberOfEntries != 0 && !ReadEntryOf(image, layout, heap, 0, entry)) return false;
  }
  return true;
}

}  // namespace

HeapRecord DecodeHeapRecord(const QueryLayout& layout, const uint8_t* bytes) {
  return HeapRecord{GetWord(layout, bytes),
                    GetLe32(bytes + layout.heapFlags),
                    GetLe16(bytes + layout.entryOverhead),
                    GetWord(layout, bytes + layout.bytesAllocated),
                    GetWord(layout, bytes + layout.bytesCommitted),
                    GetLe32(bytes + layout.numberOfEntries),
                    GetWord(layout, bytes + layout.entries)};
}

HeapEntryRecord DecodeHeapEntry(const QueryLayout& layout, const uint8_t* bytes) {
  return HeapEntryRecord{GetWord(layout, bytes), GetLe16(bytes + layout.entryFlags),
                         GetWord(layout, bytes + layout.entryAddress)};
}

void EncodeHeapRecord(const QueryLayout& layout, const HeapRecord& record, uint8_t* out) {
  PutWord(layout, out, record.BaseAddress);
  PutLe32(out + layout.heapFlags, record.Flags);
  PutLe16(out + layout.entryOverhead, record.EntryOverhead);
  PutWord(layout, out + layout.bytesAllocated, record.BytesAllocated);
  PutWord(layout, out + layout.bytesCommitted, record.BytesCommitted);
  PutLe32(out + layout.numberOfEntries, record.NumberOfEntries);
  PutWord(layout, out + layout.entries, record.Entries);
}

void EncodeHeapEntry(const QueryLayout& layout, const HeapEntryRecord& entry, uint8_t* out) {
  PutWord(layout, out, entry.Size);
  PutLe16(out + layout.entryFlags, entry.Flags);
  PutWord(layout, out + layout.entryAddress, entry.Address);
}

const QueryLayout& ChooseHeapListLayout(const MemoryImage& image, uint64_t bufferAddress, Width width,
                                        uint32_t systemBuild) {
  const QueryLayout& untagged = LayoutOf(width, false);
  const QueryLayout& tagged = LayoutOf(width, true);
  uint64_t list = 0, processHeap = 0, value = 0;
  uint32_t count = 0;
  if (ReadHeapList(image, untagged, bufferAddress, list, count) && count != 0) {
    if (untagged.firstRecord != tagged.firstRecord) {
      // Record 0's BaseAddress is the process heap: found at offset 4, the
      // records are untagged; at offset 8 (after the padding), tagged. In an
      // untagged list offset 8 holds record 0's flags, so 4 is looked at first.
      if (ReadWord(image, untagged, bufferAddress, untagged.processHeap, processHeap) && processHeap != 0) {
        if (ReadWord(image, untagged, list, untagged.firstRecord, value) && value == processHeap) return untagged;
        if (ReadWord(image, tagged, list, tagged.firstRecord, value) && value == processHeap) return tagged;
      }
    } else if (count >= 2) {
      const bool untaggedFits = LaterRecordsPlausible(image, untagged, list, count);
      if (untaggedFits != LaterRecordsPlausible(image, tagged, list, count)) return untaggedFits ? untagged : tagged;
    }
  }
  return systemBuild > kLastUntaggedBuild ? tagged : untagged;
}

HeapQueryReader::HeapQueryReader(const MemoryImage& image, uint64_t bufferAddress, const QueryLayout& layout)
    : m_image(image), m_layout(layout) {
  uint64_t list = 0;
  uint32_t count = 0;
  if (!ReadHeapList(m_image, m_layout, bufferAddress, list, count)) return;
  m_heaps = list;
  m_heapCount = count;
}

uint32_t HeapQueryReader::HeapCount() const { return m_heapCount; }

bool HeapQueryReader::ReadHeap(uint32_t index, HeapRecord& out) const {
  if (index >= m_heapCount) return false;
  uint8_t bytes[kLargestFieldBytes];
  if (!ReadBytes(m_image, m_layout, m_heaps, m_layout.firstRecord + uint64_t{m_layout.recordSize} * index, bytes,
                 FieldBytes(m_layout)))
    return false;
  out = DecodeHeapRecord(m_layout, bytes);
  return true;
}

bool HeapQueryReader::FindHeap(uint64_t baseAddress, HeapRecord& out) const {
  HeapRecord heap{};
  for (uint32_t i = 0; ReadHeap(i, heap); ++i) {
    if (heap.BaseAddress == baseAddress) {
      out = heap;
      return true;
    }
  }
  return false;
}

bool HeapQueryReader::ReadEntry(const HeapRecord& heap, uint32_t index, HeapEntryRecord& out) const {
  return ReadEntryOf(m_image, m_layout, heap, index, out);
}
