// Owner of a kernel handle (process or token): closed on every path; and
// reading an inspected process's memory.
#pragma once

#include "framework/Afx.h"

// What the program asks of an inspected process: its modules and its memory.
constexpr DWORD kInspectAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410

#include <cstddef>
#include <cstdint>

// length bytes of the process's memory at address into out; bytesRead is
// what the system copied.
inline bool ReadProcessBytes(HANDLE process, uint64_t address, void* out, size_t length, size_t& bytesRead) {
  SIZE_T got = 0;
  const BOOL read = ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)), out,
                                        static_cast<SIZE_T>(length), &got);
  bytesRead = static_cast<size_t>(got);
  return read != FALSE;
}

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE handle = nullptr) : m_handle(handle) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ProcessHandle(ProcessHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
  ProcessHandle& operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
      Close();
      m_handle = other.m_handle;
      other.m_handle = nullptr;
    }
    return *this;
  }
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

// The same owner for events and threads.
using KernelHandle = ProcessHandle;
