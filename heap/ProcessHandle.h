// Owner of a kernel handle (process or token): closed on every path.
#pragma once

#include "framework/Afx.h"

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE handle = nullptr) : m_handle(handle) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ~ProcessHandle() { Close(); }
  void Close() {
    if (m_handle != nullptr) ::CloseHandle(m_handle);
    m_handle = nullptr;
  }
  HANDLE Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  HANDLE m_handle;
};
