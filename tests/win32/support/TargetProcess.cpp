#include "support/TargetProcess.h"

#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kReportWaitMs = 10000;
constexpr DWORD kPollMs = 20;
constexpr DWORD kQuitWaitMs = 5000;

std::string& StartError() {
  static std::string error;
  return error;
}

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : m_handle(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (m_handle && m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
  }
  HANDLE get() const { return m_handle; }
  HANDLE release() { return std::exchange(m_handle, nullptr); }

 private:
  HANDLE m_handle;
};

std::string Format(const char* format, unsigned long a, unsigned long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The whole file, or nothing when it does not exist (yet) or can't be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  return text;
}

// A report name no other target of this or another test run uses.
std::string NewReportPath() {
  static unsigned sequence = 0;
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) return {};
  char name[96];
  std::snprintf(name, sizeof name, "TarnwickHeapTarget-%lu-%u-%lu.txt",
                static_cast<unsigned long>(GetCurrentProcessId()), ++sequence,
                static_cast<unsigned long>(GetTickCount()));
  return std::string(folder) + name;
}

}  // namespace

std::string HeapTargetPath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) break;
    path.resize(path.size() * 2);
  }
  std::string exe(path.data());
  const size_t slash = exe.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + "HeapTarget.exe";
}

const std::string& TargetStartError() { return StartError(); }

std::optional<TargetProcess> TargetProcess::Start(const std::string& exePath, int blocks) {
  StartError().clear();
  const std::string exe = exePath.empty() ? HeapTargetPath() : exePath;
  TargetProcess target;
  target.m_reportPath = NewReportPath();
  if (target.m_reportPath.empty()) {
    StartError() = "no temporary folder";
    return std::nullopt;
  }
  DeleteFileA(target.m_reportPath.c_str());

  // The target also watches this process, so it never outlives a test run
  // that ends without destroying it.
  std::string commandLine = "\"" + exe + "\" \"" + target.m_reportPath + "\" " + std::to_string(blocks) + " " +
                            std::to_string(GetCurrentProcessId());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info)) {
    StartError() = "CreateProcess of " + exe + Format(" failed, error %lu", GetLastError());
    return std::nullopt;
  }
  Handle thread(info.hThread);
  target.m_process = info.hProcess;
  target.m_processId = info.dwProcessId;

  StartError() = target.AwaitReport();
  if (!StartError().empty()) return std::nullopt;
  return std::optional<TargetProcess>(std::move(target));
}

std::string TargetProcess::AwaitReport() {
  const DWORD started = GetTickCount();
  for (;;) {
    // The rename makes the report appear complete or not at all; the
    // parse still insists on the closing line.
    if (const auto text = ReadWholeFile(m_reportPath)) {
      if (!ParseTargetReport(*text, m_report)) return "the target's report does not parse: " + m_reportPath;
      if (m_report.processId != m_processId)
        return Format("the report names process %lu, the target is %lu", m_report.processId, m_processId);
      return {};
    }
    if (WaitForSingleObject(m_process, kPollMs) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(m_process, &code);
      return Format("the target ended with code %lu before reporting", code);
    }
    if (GetTickCount() - started > kReportWaitMs) return "no report from the target within 10 s";
  }
}

std::string TargetProcess::MakeMoreObjects() {
  DeleteFileA(m_reportPath.c_str());
  const std::string name = "TarnwickHeapTargetMore-" + std::to_string(m_processId);
  Handle more(OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str()));
  if (!more.get() || !SetEvent(more.get())) return "the target's event " + name + " can't be set";
  return AwaitReport();
}

TargetProcess::TargetProcess(TargetProcess&& other) noexcept
    : m_process(std::exchange(other.m_process, nullptr)),
      m_processId(std::exchange(other.m_processId, 0)),
      m_report(std::move(other.m_report)),
      m_reportPath(std::exchange(other.m_reportPath, {})) {}

TargetProcess& TargetProcess::operator=(TargetProcess&& other) noexcept {
  if (this != &other) {
    Release();
    m_process = std::exchange(other.m_process, nullptr);
    m_processId = std::exchange(other.m_processId, 0);
    m_report = std::move(other.m_report);
    m_reportPath = std::exchange(other.m_reportPath, {});
  }
  return *this;
}

TargetProcess::~TargetProcess() { Release(); }

bool TargetProcess::Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

void TargetProcess::Terminate() {
  if (!m_process) return;
  if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
    const std::string name = "TarnwickHeapTargetQuit-" + std::to_string(m_processId);
    Handle quit(OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (!quit.get() || !SetEvent(quit.get()) || WaitForSingleObject(m_process, kQuitWaitMs) != WAIT_OBJECT_0) {
      TerminateProcess(m_process, 1);
      WaitForSingleObject(m_process, kQuitWaitMs);
    }
  }
  CloseHandle(m_process);
  m_process = nullptr;
  // Wine keeps an ended process openable for a few hundred milliseconds
  // after its last handle was closed; callers rely on it being gone.
  for (int i = 0; i < 200; ++i) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, m_processId);
    if (process == nullptr) break;
    CloseHandle(process);
    Sleep(25);
  }
}

void TargetProcess::Release() {
  Terminate();
  if (!m_reportPath.empty()) {
    DeleteFileA(m_reportPath.c_str());
    DeleteFileA((m_reportPath + ".part").c_str());
    m_reportPath.clear();
  }
}
