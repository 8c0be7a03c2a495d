#include "heap/ItemQuery.h"

#include <cstddef>

#include "heap/HeapItems.h"

namespace {

constexpr int32_t kStatusCancelled = static_cast<int32_t>(0xC0000120);

struct CallbackContext {
  BlockRows& rows;
  const std::atomic<bool>& stop;
  uint32_t refused = 0;
};

// The item lies in a view the system mapped into this process, as long as
// its own size says; a size beyond any item the system writes is not read.
int32_t __stdcall KeepBlockItem(const void* item, void* context) {
  auto& keep = *static_cast<CallbackContext*>(context);
  if (keep.stop.load(std::memory_order_relaxed)) return kStatusCancelled;
  const auto* bytes = static_cast<const uint8_t*>(item);
  const uint64_t size = HeapItemSize(kProgramWidth, bytes);
  HeapItem read;
  if (size > kLargestHeapItemBytes || !ReadHeapItem(kProgramWidth, bytes, static_cast<size_t>(size), read)) {
    ++keep.refused;
    return 0;
  }
  if (const auto row = BlockRowOfItem(read)) keep.rows.Add(*row);
  return 0;
}

// The request as the system reads it; the field offsets are the portable
// layout's.
struct HeapExtendedRequest {
  HANDLE process;
  void* heap;
  ULONG level;
  PfnHeapItemCallback callback;
  void* context;
  uint8_t output[6 * sizeof(void*)];
};
constexpr HeapRequestLayout kRequest = RequestLayoutOf(kProgramWidth);
static_assert(offsetof(HeapExtendedRequest, heap) == kRequest.heap);
static_assert(offsetof(HeapExtendedRequest, level) == kRequest.level);
static_assert(offsetof(HeapExtendedRequest, callback) == kRequest.callback);
static_assert(offsetof(HeapExtendedRequest, context) == kRequest.context);
static_assert(offsetof(HeapExtendedRequest, output) == kRequest.output);
static_assert(sizeof(HeapExtendedRequest) == kRequest.size);

}  // namespace

ItemQueryResult QueryHeapItems(PfnRtlQueryHeapInformation query, HANDLE process, uint64_t heapBase, BlockRows& rows,
                               const std::atomic<bool>& stop) {
  CallbackContext context{rows, stop};
  HeapExtendedRequest request{};
  request.process = process;
  request.heap = reinterpret_cast<void*>(static_cast<uintptr_t>(heapBase));
  request.level = kHeapItemLevelBlocks;
  request.callback = &KeepBlockItem;
  request.context = &context;
  ItemQueryResult result;
  result.status = query(nullptr, kHeapExtendedInformationClass, &request, sizeof request, nullptr);
  result.refusedItems = context.refused;
  return result;
}
