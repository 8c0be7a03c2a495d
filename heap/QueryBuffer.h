// A heap-query buffer created through the dialog's entry point and destroyed
// exactly once, on every path, by its owner's destructor.
#pragma once

#include <cstdint>

#include "heap/HeapQueryFunctions.h"

class QueryBuffer {
 public:
  QueryBuffer(PfnRtlCreateQueryDebugBuffer create, PfnRtlDestroyQueryDebugBuffer destroy)
      : m_buffer(create(0, 0)), m_destroy(destroy) {}
  QueryBuffer(const QueryBuffer&) = delete;
  QueryBuffer& operator=(const QueryBuffer&) = delete;
  ~QueryBuffer() {
    if (m_buffer != nullptr) m_destroy(m_buffer);
  }

  void* Get() const { return m_buffer; }
  uint32_t Address() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_buffer)); }
  explicit operator bool() const { return m_buffer != nullptr; }

 private:
  void* m_buffer;
  PfnRtlDestroyQueryDebugBuffer m_destroy;
};
