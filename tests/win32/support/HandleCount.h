// The number of kernel handles the process holds. Wine's
// GetProcessHandleCount answers 0, so the handle table is probed instead:
// every value that GetHandleInformation accepts is an open handle.
#pragma once

#include "framework/Afx.h"

inline int OpenKernelHandles() {
  int count = 0;
  for (uintptr_t value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}
