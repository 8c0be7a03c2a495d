// A second instance of the test exe that idles until it is ended: a running
// process of our own for the process-list tests.
#pragma once

#include <cstdint>

#include "framework/Afx.h"

class IdleChild {
 public:
  IdleChild();
  ~IdleChild();
  IdleChild(const IdleChild&) = delete;
  IdleChild& operator=(const IdleChild&) = delete;

  bool Running() const { return m_info.hProcess != nullptr; }
  uint32_t ProcessId() const { return m_info.dwProcessId; }
  // Ends the child and waits until it is gone.
  void End();

 private:
  PROCESS_INFORMATION m_info{};
};
