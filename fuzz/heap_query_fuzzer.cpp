// libFuzzer target: the heap-query reader, the block walk, the table texts
// and the dump rows over an arbitrary image (see heap_query_input.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/heap_query_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const heapfuzz::RunResult result = heapfuzz::RunHeapQueryInput(data, size);
  if (!result.failure.empty()) {
    std::fprintf(stderr, "heap query check failed: %s\n", result.failure.c_str());
    std::abort();
  }
  return 0;
}
