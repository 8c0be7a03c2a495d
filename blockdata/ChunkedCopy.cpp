#include "blockdata/ChunkedCopy.h"

#include <array>

CopyResult CopyBlockChunks(uint32_t address, int32_t size, ChunkReader& reader, ChunkWriter& writer) {
  // One fixed buffer, whatever the block's size.
  std::array<unsigned char, kSaveChunkSize> buffer;

  uint32_t cursor = address;
  int32_t remaining = size;
  while (remaining > 0) {
    const uint32_t remainingBytes = static_cast<uint32_t>(remaining);
    const uint32_t chunk = remainingBytes < kSaveChunkSize ? remainingBytes : kSaveChunkSize;

    uint32_t bytesRead = 0;
    if (!reader.Read(cursor, buffer.data(), chunk, bytesRead) || bytesRead == 0 || bytesRead > chunk)
      return CopyResult::ReadFailed;
    if (!writer.Write(buffer.data(), bytesRead)) return CopyResult::WriteFailed;

    // bytesRead <= chunk <= remaining, so neither step can overflow;
    // the cursor wraps as a 32-bit address would.
    cursor += bytesRead;
    remaining -= static_cast<int32_t>(bytesRead);
  }
  return CopyResult::Done;
}
