#include "analysis/ContentsReading.h"

#include "analysis/BlockHeads.h"
#include "analysis/ImageRanges.h"
#include "analysis/ProcessMemory.h"
#include "analysis/TypeResolver.h"
#include "analysis/Undecorate.h"
#include "blockdata/ProcessBytesReader.h"
#include "heap/ProcessHandle.h"

namespace {
class TypeVisitor : public BlockHeadVisitor {
 public:
  TypeVisitor(BlockRows& rows, TypeResolver& resolver, const std::atomic<bool>& stop)
      : m_rows(rows), m_resolver(resolver), m_stop(stop) {}
  void Head(size_t walkIndex, const uint8_t* bytes, size_t count) override {
    if (m_stop.load(std::memory_order_relaxed)) return;
    BlockRowValues& row = m_rows.InWalkOrder(walkIndex);
    row.type = m_resolver.Classify(bytes, count, row.size);
  }

 private:
  BlockRows& m_rows;
  TypeResolver& m_resolver;
  const std::atomic<bool>& m_stop;
};
}  // namespace

TypeNames ReadBlockTypes(HANDLE process, BlockRows& rows, const std::atomic<bool>& stop) {
  TypeNames names;
  const ProcessPageImage memory(process);
  const ImageRanges images(ProcessImageRanges(process));
  TypeResolver resolver(memory, images, kProgramWidth, &UndecorateTypeName, names);
  ProcessBytesReader reader(process);
  TypeVisitor visitor(rows, resolver, stop);
  ReadBlockHeads(rows, reader, visitor);
  return names;
}
