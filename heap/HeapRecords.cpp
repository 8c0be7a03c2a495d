#include "heap/HeapRecords.h"

namespace {

// Field offsets inside the records.
constexpr uint32_t kHeapListPointerOffset = kHeapQueryHeaderSize;

constexpr uint32_t kHeapBaseAddressOffset = 0;
constexpr uint32_t kHeapFlagsOffset = 4;
constexpr uint32_t kHeapEntryOverheadOffset = 8;
constexpr uint32_t kHeapBytesAllocatedOffset = 12;
constexpr uint32_t kHeapBytesCommittedOffset = 16;
constexpr uint32_t kHeapNumberOfEntriesOffset = 24;
constexpr uint32_t kHeapEntriesOffset = 60;

constexpr uint32_t kEntrySizeOffset = 0;
constexpr uint32_t kEntryFlagsOffset = 4;
constexpr uint32_t kEntryAddressOffset = 12;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// address + offset as a 32-bit address; false when the sum leaves the
// 32-bit space (a wrapped address would land on unrelated bytes).
bool AddressAt(uint32_t address, uint64_t offset, uint32_t& out) {
  const uint64_t sum = address + offset;
  if (sum > UINT32_MAX) return false;
  out = static_cast<uint32_t>(sum);
  return true;
}

bool Read32(const MemoryImage& image, uint32_t address, uint32_t& out) {
  uint8_t bytes[4];
  if (!image.Read(address, bytes, sizeof bytes)) return false;
  out = Le32(bytes);
  return true;
}

}  // namespace

HeapQueryReader::HeapQueryReader(const MemoryImage& image, uint32_t bufferAddress) : m_image(image) {
  uint32_t pointerAddress = 0;
  uint32_t heaps = 0;
  if (!AddressAt(bufferAddress, kHeapListPointerOffset, pointerAddress) || !Read32(m_image, pointerAddress, heaps) ||
      heaps == 0)
    return;
  uint32_t count = 0;
  if (!Read32(m_image, heaps, count)) return;
  m_heaps = heaps;
  m_heapCount = count;
}

uint32_t HeapQueryReader::HeapCount() const { return m_heapCount; }

bool HeapQueryReader::ReadHeap(uint32_t index, HeapRecord& out) const {
  if (index >= m_heapCount) return false;
  uint32_t address = 0;
  uint8_t bytes[kHeapRecordSize];
  if (!AddressAt(m_heaps, kHeapListHeaderSize + uint64_t{kHeapRecordSize} * index, address) ||
      !m_image.Read(address, bytes, sizeof bytes))
    return false;
  out.BaseAddress = Le32(bytes + kHeapBaseAddressOffset);
  out.Flags = Le32(bytes + kHeapFlagsOffset);
  out.EntryOverhead = Le16(bytes + kHeapEntryOverheadOffset);
  out.BytesAllocated = Le32(bytes + kHeapBytesAllocatedOffset);
  out.BytesCommitted = Le32(bytes + kHeapBytesCommittedOffset);
  out.NumberOfEntries = Le32(bytes + kHeapNumberOfEntriesOffset);
  out.Entries = Le32(bytes + kHeapEntriesOffset);
  return true;
}

bool HeapQueryReader::FindHeap(uint32_t baseAddress, HeapRecord& out) const {
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
  if (index >= heap.NumberOfEntries || heap.Entries == 0) return false;
  uint32_t address = 0;
  uint8_t bytes[kHeapEntryRecordSize];
  if (!AddressAt(heap.Entries, uint64_t{kHeapEntryRecordSize} * index, address) ||
      !m_image.Read(address, bytes, sizeof bytes))
    return false;
  out.Size = Le32(bytes + kEntrySizeOffset);
  out.Flags = Le16(bytes + kEntryFlagsOffset);
  out.Address = Le32(bytes + kEntryAddressOffset);
  return true;
}
