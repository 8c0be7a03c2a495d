#include "heap/HeapQuery.h"

#include <cstdio>

#include "framework/Afx.h"

bool HeapQuery::Create() {
  Destroy();
  m_buffer = m_create(0, 0);
  return m_buffer != nullptr;
}

int32_t HeapQuery::Query(uint32_t processId, uint32_t flags) {
  m_image.Forget();  // the service may move what it wrote before
  const ULONGLONG start = ::GetTickCount64();
  const int32_t status = m_query(processId, flags, m_buffer);
  m_lastQueryMs = ::GetTickCount64() - start;
  return status;
}

int32_t HeapQuery::QueryGrowing(uint32_t processId, uint32_t flags) {
  int32_t status = Query(processId, flags);
  // 64-bit steps: doubling the largest size must not wrap to 0.
  for (uint64_t commit = kFirstGrownCommit;
       status == kQueryStatusNoMemory && commit <= LargestGrownCommit(kProgramWidth); commit *= 2) {
    Destroy();
    m_buffer = m_create(static_cast<uint32_t>(commit), 0);
    if (m_buffer == nullptr) break;
    status = Query(processId, flags);
  }
  return status;
}

HeapQueryReader HeapQuery::Reader() const {
  const uint64_t address = reinterpret_cast<uintptr_t>(m_buffer);
  return HeapQueryReader(m_image, address, ChooseHeapListLayout(m_image, address, kProgramWidth, m_systemBuild));
}

std::string HeapQuery::FailureText(int32_t status) {
  char text[5000];
  std::snprintf(text, sizeof text, "Failed to query process heap information, error = 0x%.8x",
                static_cast<unsigned>(status));
  return text;
}

void HeapQuery::Destroy() {
  if (m_buffer != nullptr) m_destroy(m_buffer);
  m_buffer = nullptr;
  m_image.Forget();
}
