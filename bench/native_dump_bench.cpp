// Throughput of turning a block at the dump's size limit into dump rows.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "blockdata/DumpLines.h"

int main() {
  constexpr size_t kSize = 16u * 1024 * 1024;
  std::vector<uint8_t> block(kSize);
  uint32_t seed = 12345;
  for (uint8_t& b : block) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }

  // Rows are copied out, as a list box would take them, and summed so the
  // work cannot be dropped.
  std::vector<char> sink(kDumpRowCapacity);
  double best = 0;
  uint64_t checksum = 0;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    ForEachDumpRow(block.data(), block.size(), [&](const char* line, size_t length) {
      std::memcpy(sink.data(), line, length);
      checksum += static_cast<uint8_t>(sink[length - 1]) + length;
    });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double mbPerSecond = kSize / (1024.0 * 1024.0) / elapsed.count();
    if (mbPerSecond > best) best = mbPerSecond;
  }
  std::printf("dump rows: %.0f MB/s (best of 5, 16 MiB, checksum %llu)\n", best,
              static_cast<unsigned long long>(checksum));
  return best >= 200.0 ? 0 : 1;
}
