// Blocks' bytes read out of the inspected process, for the searches and
// readers that take a BlockBytesReader.
#pragma once

#include "blockdata/FindBlock.h"
#include "heap/ProcessHandle.h"

class ProcessBytesReader : public BlockBytesReader {
 public:
  explicit ProcessBytesReader(HANDLE process) : m_process(process) {}
  bool Read(uint64_t address, uint8_t* out, size_t length, size_t& bytesRead) override {
    return ReadProcessBytes(m_process, address, out, length, bytesRead);
  }

 private:
  HANDLE m_process;
};
