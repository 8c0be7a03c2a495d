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

namespace {
// HKCU\Control Panel\Desktop's LogPixels, the DPI a process reads at its
// start, set while this lives and then put back: its old value, or none.
class LogPixelsOverride {
 public:
  explicit LogPixelsOverride(DWORD dpi) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, &m_key, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof m_old;
    m_had = ::RegQueryValueExA(m_key, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&m_old), &size) == ERROR_SUCCESS;
    m_set = Write(dpi);
  }
  ~LogPixelsOverride() {
    if (m_set) m_had ? Write(m_old) : ::RegDeleteValueA(m_key, kValue) == ERROR_SUCCESS;
    if (m_key != nullptr) ::RegCloseKey(m_key);
  }
  LogPixelsOverride(const LogPixelsOverride&) = delete;
  LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;
  bool Set() const { return m_set; }

 private:
  bool Write(DWORD dpi) const {
    return ::RegSetValueExA(m_key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
           ERROR_SUCCESS;
  }
  static constexpr const char* kValue = "LogPixels";
  HKEY m_key = nullptr;
  bool m_had = false, m_set = false;
  DWORD m_old = 0;
};

// The handles of a started process, closed with it.
struct StartedProcess {
  PROCESS_INFORMATION info{};
  ~StartedProcess() {
    if (info.hThread != nullptr) ::CloseHandle(info.hThread);
    if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
  }
};
}  // namespace

int RunTestsAtDpi(int dpi, const std::string& filter, DWORD limitMs) {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string command = std::string("\"") + exe + "\" --gtest_filter=" + filter;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
    ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  // Kept for the child's whole run, not only its start: when exactly a
  // process reads it is the system's affair.
  const LogPixelsOverride logPixels(static_cast<DWORD>(dpi));
  StartedProcess child;
  if (!logPixels.Set() ||
      !::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child.info))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(child.info.hProcess, limitMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(child.info.hProcess, code);
    ::WaitForSingleObject(child.info.hProcess, 5000);
  } else {
    ::GetExitCodeProcess(child.info.hProcess, &code);
  }
  return static_cast<int>(code);
}
