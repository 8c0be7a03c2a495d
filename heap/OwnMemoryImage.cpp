#include "heap/OwnMemoryImage.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
// A handful of regions covers a buffer: its header, its list and its entry
// arrays lie in one or a few allocations.
constexpr size_t kRememberedRegions = 16;
}  // namespace

bool OwnMemoryImage::Read(uint64_t address, void* out, uint32_t size) const {
  // Beyond our own pointers' range is no memory of ours.
  if (address == 0 || address > UINTPTR_MAX || size > UINTPTR_MAX - address) return false;
  const uint64_t end = address + size;
  if (!Readable(address, end)) return false;
  CopyRecordBytes(out, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), size);
  return true;
}

bool OwnMemoryImage::Readable(uint64_t begin, uint64_t end) const {
  for (const Range& range : m_readable)
    if (begin >= range.begin && end <= range.end) return true;
  for (uint64_t at = begin; at < end;) {
    MEMORY_BASIC_INFORMATION info;
    if (::VirtualQuery(reinterpret_cast<const void*>(static_cast<uintptr_t>(at)), &info, sizeof info) == 0 ||
        info.State != MEM_COMMIT || (info.Protect & kReadable) == 0 || (info.Protect & PAGE_GUARD) != 0)
      return false;
    const uint64_t regionBegin = reinterpret_cast<uintptr_t>(info.BaseAddress);
    const uint64_t regionEnd = regionBegin + info.RegionSize;
    if (!m_readable.empty() && m_readable.back().end == regionBegin) {
      m_readable.back().end = regionEnd;  // so a read across the two is found at once next time
    } else {
      if (m_readable.size() == kRememberedRegions) m_readable.clear();
      m_readable.push_back(Range{regionBegin, regionEnd});
    }
    at = regionEnd;
  }
  return true;
}
