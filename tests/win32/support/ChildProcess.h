// Second instances of the test exe: one that idles until it is ended (a
// running process of our own for the process-list tests), and one that runs
// some of the tests at another DPI.
#pragma once

#include <cstdint>
#include <string>

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

// Runs the tests `filter` selects (a --gtest_filter) in a second instance of
// this exe that starts at `dpi`: the user's LogPixels value is set while it
// runs and put back as it was (absent, or its old value) on every path.
// Its output goes where this process's goes. Its exit code, or -1 when it
// did not start or ran over `limitMs` (it is then ended).
int RunTestsAtDpi(int dpi, const std::string& filter, DWORD limitMs = 120000);
