// The copy loop that saves a block: reads it out of the inspected process in
// fixed chunks and hands each chunk to the output, through injected ends so
// the loop runs the same against the system and against test doubles.
#pragma once

#include <cstdint>

#include "heap/HeapLayout.h"

// Bytes asked of one read; also the size of the one transfer buffer.
constexpr uint32_t kSaveChunkSize = 32768;

class ChunkReader {
 public:
  virtual ~ChunkReader() = default;
  // Reads length bytes at address into buffer. On success bytesRead holds
  // the count copied.
  virtual bool Read(uint64_t address, void* buffer, uint32_t length, uint32_t& bytesRead) = 0;
};

class ChunkWriter {
 public:
  virtual ~ChunkWriter() = default;
  // Appends length bytes; false when they could not all be written.
  virtual bool Write(const void* buffer, uint32_t length) = 0;
};

enum class CopyResult { Done, ReadFailed, WriteFailed };

// A block size as the copy takes it: signed at the width of the program's
// sizes, so a 32-bit size with its top bit set reads as negative.
constexpr int64_t SignedBlockSize(uint64_t size, Width width) {
  return width == Width::Bits64 ? static_cast<int64_t>(size) : static_cast<int32_t>(static_cast<uint32_t>(size));
}

// Copies size bytes starting at address from reader to writer, in chunks of
// at most kSaveChunkSize. size is a signed count: 0 or less (a size with its
// top bit set included) copies nothing and is Done.
//
// A read that reports failure ends the copy with ReadFailed; what was written
// before stays written, nothing of the failed chunk is. A read that reports
// success but copied 0 bytes, or more than it was asked for, counts as a
// failed read too: the first would never finish, the second would hand the
// writer bytes that were not read. A short read that copied something is
// written and the next read starts right after it. A failed write ends the
// copy with WriteFailed.
CopyResult CopyBlockChunks(uint64_t address, int64_t size, ChunkReader& reader, ChunkWriter& writer);
