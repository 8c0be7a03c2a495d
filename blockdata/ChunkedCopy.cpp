#include "blockdata/ChunkedCopy.h"

#include <array>

CopyResult CopyBlockChunks(uint64_t address, int64_t size, ChunkReader& reader, ChunkWriter& writer) {
  // One fixed buffer, whatever the block's size.
  std::array<unsigned char, kSaveChunkSize> buffer;

  uint64_t cursor = address;
  int64_t remaining = size;
  while (remaining > 0) {
    const uint32_t chunk = remaining < kSaveChunkSize ? static_cast<uint32_t>(remaining) : kSaveChunkSize;

    uint32_t bytesRead = 0;
    if (!reader.Read(cursor, buffer.data(), chunk, bytesRead) || bytesRead == 0 || bytesRead > chunk)
      return CopyResult::ReadFailed;
    if (!writer.Write(buffer.data(), bytesRead)) return CopyResult::WriteFailed;

    // bytesRead <= chunk <= remaining, so neither step can overflow; the
    // reader takes the cursor as an address of its own width.
    cursor += bytesRead;
    remaining -= bytesRead;
  }
  return CopyResult::Done;
}
