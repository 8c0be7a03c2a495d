// What the type reader needs of the inspected process: its image modules
// (where tables of virtual functions and type information lie) and its
// memory, read a page at a time and kept, since the type information of a
// class is read once and its neighbours share pages.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/Afx.h"
#include "heap/MemoryImage.h"

// The [begin, end) ranges of the process's modules of the program's width,
// sorted; empty when they can't be listed.
std::vector<std::pair<uint64_t, uint64_t>> ProcessImageRanges(HANDLE process);

class ProcessPageImage : public MemoryImage {
 public:
  explicit ProcessPageImage(HANDLE process) : m_process(process) {}
  bool Read(uint64_t address, void* out, uint32_t size) const override;

 private:
  static constexpr uint64_t kPageBytes = 0x1000;
  // A page's bytes, or empty when it can't be read.
  const std::vector<uint8_t>& Page(uint64_t page) const;

  HANDLE m_process;
  mutable std::unordered_map<uint64_t, std::vector<uint8_t>> m_pages;
};
