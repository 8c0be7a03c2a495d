#include "heap/HeapRecords.h"

namespace {

// address + offset as a 32-bit address; false when the sum leaves the
// 32-bit space (a wrapped address would land on unrelated bytes).
bool AddressAt(uint32_t address, uint64_t offset, uint32_t& out) {
  const uint64_t sum = address + offset;
  if (sum > UINT32_MAX) return false;
  out = static_cast<uint32_t>(sum);
  return true;
}

bool Read32(const MemoryImage& image, uint32_t address, uint64_t offset, uint32_t& out) {
  uint8_t bytes[4];
  uint32_t at = 0;
  if (!AddressAt(address, offset, at) || !image.Read(at, bytes, sizeof bytes)) return false;
  out = GetLe32(bytes);
  return true;
}

// The heap list's address and count; false when there is no list.
bool ReadHeapList(const MemoryImage& image, uint32_t bufferAddress, uint32_t& list, uint32_t& count) {
  return Read32(image, bufferAddress, kQueryHeapsPointerOffset, list) && list != 0 && Read32(image, list, 0, count);
}

}  // namespace

HeapRecord DecodeHeapRecord(const uint8_t* bytes) {
  return HeapRecord{GetLe32(bytes + kHeapBaseAddressOffset),    GetLe32(bytes + kHeapFlagsOffset),
                    GetLe16(bytes + kHeapEntryOverheadOffset),  GetLe32(bytes + kHeapBytesAllocatedOffset),
                    GetLe32(bytes + kHeapBytesCommittedOffset), GetLe32(bytes + kHeapNumberOfEntriesOffset),
                    GetLe32(bytes + kHeapEntriesOffset)};
}

HeapEntryRecord DecodeHeapEntry(const uint8_t* bytes) {
  return HeapEntryRecord{GetLe32(bytes + kEntrySizeOffset), GetLe16(bytes + kEntryFlagsOffset),
                         GetLe32(bytes + kEntryAddressOffset)};
}

void EncodeHeapRecord(const HeapRecord& record, uint8_t* out) {
  PutLe32(out + kHeapBaseAddressOffset, record.BaseAddress);
  PutLe32(out + kHeapFlagsOffset, record.Flags);
  PutLe16(out + kHeapEntryOverheadOffset, record.EntryOverhead);
  PutLe32(out + kHeapBytesAllocatedOffset, record.BytesAllocated);
  PutLe32(out + kHeapBytesCommittedOffset, record.BytesCommitted);
  PutLe32(out + kHeapNumberOfEntriesOffset, record.NumberOfEntries);
  PutLe32(out + kHeapEntriesOffset, record.Entries);
}

void EncodeHeapEntry(const HeapEntryRecord& entry, uint8_t* out) {
  PutLe32(out + kEntrySizeOffset, entry.Size);
  PutLe16(out + kEntryFlagsOffset, entry.Flags);
  PutLe32(out + kEntryAddressOffset, entry.Address);
}

HeapListLayout ChooseHeapListLayout(const MemoryImage& image, uint32_t bufferAddress, uint32_t systemBuild) {
  uint32_t list = 0, count = 0, processHeap = 0, value = 0;
  if (ReadHeapList(image, bufferAddress, list, count) && count != 0 &&
      Read32(image, bufferAddress, kQueryProcessHeapOffset, processHeap) && processHeap != 0) {
    // Record 0's BaseAddress is the process heap: found at offset 4, the
    // records are untagged; at offset 8 (after the padding), tagged. In an
    // untagged list offset 8 holds record 0's flags, so 4 is looked at first.
    if (Read32(image, list, kHeapListUntagged.firstRecord, value) && value == processHeap) return kHeapListUntagged;
    if (Read32(image, list, kHeapListTagged.firstRecord, value) && value == processHeap) return kHeapListTagged;
  }
  return systemBuild > kLastUntaggedBuild ? kHeapListTagged : kHeapListUntagged;
}

HeapQueryReader::HeapQueryReader(const MemoryImage& image, uint32_t bufferAddress, HeapListLayout layout)
    : m_image(image), m_layout(layout) {
  uint32_t list = 0, count = 0;
  if (!ReadHeapList(m_image, bufferAddress, list, count)) return;
  m_heaps = list;
  m_heapCount = count;
}

uint32_t HeapQueryReader::HeapCount() const { return m_heapCount; }

bool HeapQueryReader::ReadHeap(uint32_t index, HeapRecord& out) const {
  if (index >= m_heapCount) return false;
  uint32_t address = 0;
  uint8_t bytes[kHeapRecordSize];
  if (!AddressAt(m_heaps, m_layout.firstRecord + uint64_t{m_layout.recordSize} * index, address) ||
      !m_image.Read(address, bytes, sizeof bytes))
    return false;
  out = DecodeHeapRecord(bytes);
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
  out = DecodeHeapEntry(bytes);
  return true;
}
