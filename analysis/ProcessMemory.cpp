#include "analysis/ProcessMemory.h"

#include <psapi.h>

#include <algorithm>
#include <cstring>

#include "heap/ProcessHandle.h"

std::vector<std::pair<uint64_t, uint64_t>> ProcessImageRanges(HANDLE process) {
  std::vector<HMODULE> modules(256);
  for (;;) {
    DWORD needed = 0;
    const DWORD room = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (!::EnumProcessModulesEx(process, modules.data(), room, &needed, LIST_MODULES_DEFAULT)) return {};
    if (needed <= room) {
      modules.resize(needed / sizeof(HMODULE));
      break;
    }
    modules.resize(needed / sizeof(HMODULE) + 16);  // modules loaded meanwhile
  }
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (const HMODULE module : modules) {
    MODULEINFO info{};
    if (!::GetModuleInformation(process, module, &info, sizeof info)) continue;
    const uint64_t base = reinterpret_cast<uintptr_t>(info.lpBaseOfDll);
    ranges.emplace_back(base, base + info.SizeOfImage);
  }
  std::sort(ranges.begin(), ranges.end());
  return ranges;
}

bool ProcessPageImage::Read(uint64_t address, void* out, uint32_t size) const {
  if (size == 0) return true;
  if (address > UINT64_MAX - size) return false;
  auto* to = static_cast<uint8_t*>(out);
  for (uint64_t at = address; at < address + size;) {
    const uint64_t page = at & ~(kPageBytes - 1);
    const std::vector<uint8_t>& bytes = Page(page);
    if (bytes.empty()) return false;
    const uint64_t take = std::min(page + kPageBytes, address + size) - at;
    std::memcpy(to + (at - address), bytes.data() + (at - page), static_cast<size_t>(take));
    at += take;
  }
  return true;
}

const std::vector<uint8_t>& ProcessPageImage::Page(uint64_t page) const {
  // Type information lies in a few pages of each image: a bound keeps
  // reads of wild addresses from piling up.
  constexpr size_t kLargestPages = 4096;
  const auto found = m_pages.find(page);
  if (found != m_pages.end()) return found->second;
  if (m_pages.size() >= kLargestPages) m_pages.clear();
  std::vector<uint8_t> bytes(kPageBytes);
  size_t got = 0;
  if (!ReadProcessBytes(m_process, page, bytes.data(), bytes.size(), got) || got != bytes.size()) bytes.clear();
  return m_pages.emplace(page, std::move(bytes)).first->second;
}
