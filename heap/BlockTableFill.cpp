#include "heap/BlockTableFill.h"

namespace {

constexpr uint32_t kProgressInterval = 25;

}  // namespace

uint32_t FillBlockRows(const HeapQueryReader& reader, const HeapRecord& heap, BlockTableSink& sink) {
  BlockCursor cursor{0, 0, 0, 0};
  if (!BlockWalkFirst(reader, heap, cursor)) return 0;
  char progress[128];
  for (uint32_t row = 0;; ++row) {
    sink.AddRow(row, cursor);
    if ((row + 1) % kProgressInterval == 0 && sink.ProgressDue())
      sink.SetProgress(BlockProgressText(row + 1, heap.NumberOfEntries, progress, sizeof progress));
    ++cursor.Index;
    if (cursor.Index >= heap.NumberOfEntries || !BlockWalkNext(cursor, reader, heap)) return row + 1;
  }
}
