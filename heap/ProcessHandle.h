// Owner of a kernel handle (process or token): closed on every path.
#pragma once

#include "framework/Afx.h"

// What the program asks of an inspected process: its modules and its memory.
constexpr DWORD kInspectAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410

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
