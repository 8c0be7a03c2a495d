// Starts the heap target (HeapTarget.exe), waits for its report and ends it
// again. The process lives as long as the object: the destructor ends it,
// closes its handles and removes the report file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/TargetReport.h"

class TargetProcess {
 public:
  // Starts exePath (HeapTargetPath() when empty) with `blocks` blocks in
  // its private heap and waits up to 10 s for a complete report. Empty
  // when the process can't be started, ends early or reports nothing in
  // time; TargetStartError() then says why.
  static std::optional<TargetProcess> Start(const std::string& exePath, int blocks = 300);

  TargetProcess(TargetProcess&& other) noexcept;
  TargetProcess& operator=(TargetProcess&& other) noexcept;
  TargetProcess(const TargetProcess&) = delete;
  TargetProcess& operator=(const TargetProcess&) = delete;
  ~TargetProcess();

  uint32_t ProcessId() const { return m_processId; }
  const TargetReport& Report() const { return m_report; }
  // True until Terminate (or until the process ended by itself).
  bool Running() const;

  // Asks the target for more objects of one class (its report tells which)
  // and waits up to 10 s for its new report, which Report() then gives.
  // Empty, or why there is none.
  std::string MakeMoreObjects();

  // Asks the target to quit (its quit event), and forces it after 5 s.
  // Waits until it has ended. Harmless when called again.
  void Terminate();

 private:
  TargetProcess() = default;
  void Release();
  // Waits for the report file: empty, or why there is none.
  std::string AwaitReport();

  void* m_process = nullptr;  // process handle
  uint32_t m_processId = 0;
  TargetReport m_report;
  std::string m_reportPath;
};

// HeapTarget.exe in the folder of the running exe (the build puts the window
// test exe and the target side by side).
std::string HeapTargetPath();

// Why the last TargetProcess::Start failed; empty after a success.
const std::string& TargetStartError();
