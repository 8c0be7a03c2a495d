#include "ChildProcess.h"

#include <string>

IdleChild::IdleChild() {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string command = std::string("\"") + exe + "\" --idle";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_info))
    m_info = {};
  else
    ::WaitForInputIdle(m_info.hProcess, 2000);
}

IdleChild::~IdleChild() { End(); }

void IdleChild::End() {
  if (m_info.hProcess == nullptr) return;
  ::TerminateProcess(m_info.hProcess, 0);
  ::WaitForSingleObject(m_info.hProcess, 5000);
  ::CloseHandle(m_info.hThread);
  ::CloseHandle(m_info.hProcess);
  m_info.hProcess = nullptr;
}
