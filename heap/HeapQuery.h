// One use of the system's heap-query service: the buffer it creates, the
// queries into it, bigger buffers when a query runs out of room, and a
// reader over the filled buffer in the layout the buffer itself shows. The
// buffer is destroyed exactly once, on every path, when the object goes.
#pragma once

#include <cstdint>
#include <string>

#include "heap/HeapQueryFunctions.h"
#include "heap/HeapRecords.h"
#include "heap/OwnMemoryImage.h"

// The query's answer when the buffer is too small for what it found.
constexpr int32_t kQueryStatusNoMemory = static_cast<int32_t>(0xC0000017);
// Maximum commit sizes of the bigger buffers: 16 MiB, doubled up to 256 MiB
// in a 32-bit program, whose address space holds no more, and 2 GiB in a
// 64-bit one.
constexpr uint32_t kFirstGrownCommit = 16u << 20;
constexpr uint32_t LargestGrownCommit(Width width) { return width == Width::Bits64 ? 2048u << 20 : 256u << 20; }

class HeapQuery {
 public:
  HeapQuery(PfnRtlCreateQueryDebugBuffer create, PfnRtlDestroyQueryDebugBuffer destroy,
            PfnRtlQueryProcessDebugInformation query, uint32_t systemBuild)
      : m_create(create), m_destroy(destroy), m_query(query), m_systemBuild(systemBuild) {}
  HeapQuery(const HeapQuery&) = delete;
  HeapQuery& operator=(const HeapQuery&) = delete;
  ~HeapQuery() { Destroy(); }

  // Creates the buffer with the service's default size; false when none came.
  bool Create();
  // Fills the buffer for the process; the service's status, 0 on success.
  int32_t Query(uint32_t processId, uint32_t flags);
  // As Query, but while the answer is that the buffer ran out of room, the
  // buffer is replaced by a bigger one and asked again, up to the largest
  // size. The last status, also when a bigger buffer could not be created.
  int32_t QueryGrowing(uint32_t processId, uint32_t flags);

  // The heaps of the filled buffer, valid while this object lives and no
  // further query is made. Only after a query that returned 0.
  HeapQueryReader Reader() const;

  // "Failed to query process heap information, error = 0x%.8x".
  static std::string FailureText(int32_t status);

  // How long the last query call took, in milliseconds.
  uint64_t LastQueryMs() const { return m_lastQueryMs; }

  // Destroys the buffer now (the thread that made it does).
  void Destroy();

 private:

  PfnRtlCreateQueryDebugBuffer m_create;
  PfnRtlDestroyQueryDebugBuffer m_destroy;
  PfnRtlQueryProcessDebugInformation m_query;
  uint32_t m_systemBuild;
  void* m_buffer = nullptr;
  uint64_t m_lastQueryMs = 0;
  OwnMemoryImage m_image;
};
