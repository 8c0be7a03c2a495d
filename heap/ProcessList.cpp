// The process drop-down: building it from the running processes, keeping the
// chosen process across a refresh, and reading the chosen identifier back.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "heap/ProcessEntry.h"
#include "heap/ProcessHandle.h"
#include "heap/ProcessIdCapacity.h"
#include "shell/TarnwickDlg.h"
// After <windows.h>, which it needs.
#include <psapi.h>

namespace {
constexpr DWORD kNameSize = 1024;

// The base name of the process's first module, else the file name of its
// image path (a 32-bit program can't list a 64-bit process's modules, but
// can ask for its path); empty when neither can be read.
void ReadProcessName(HANDLE process, char (&name)[kNameSize]) {
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (::EnumProcessModules(process, &module, sizeof module, &needed) &&
      ::GetModuleBaseNameA(process, module, name, kNameSize) != 0)
    return;
  name[0] = '\0';
  char path[kNameSize];
  DWORD length = kNameSize;
  if (!::QueryFullProcessImageNameA(process, 0, path, &length)) return;
  std::snprintf(name, kNameSize, "%s", ImageFileName(path).c_str());
}

std::optional<bool> UnderCompatibilityLayer(PfnIsWow64Process isWow64, HANDLE process) {
  BOOL under = FALSE;
  if (isWow64 == nullptr || !isWow64(process, &under)) return std::nullopt;
  return under != FALSE;
}
}  // namespace

BOOL CTarnwickDlg::EnableDebugPrivilege() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &raw)) return FALSE;
  const ProcessHandle token(raw);
  TOKEN_PRIVILEGES privileges = {};
  if (!::LookupPrivilegeValueA("", "SeDebugPrivilege", &privileges.Privileges[0].Luid)) return FALSE;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

BOOL CTarnwickDlg::FillProcessList(int keepProcessId) {
  m_processCombo.ResetContent();
  // Every running process: the array grows until one enumeration leaves
  // room to spare.
  std::vector<DWORD> ids;
  DWORD bytes = 0;
  for (uint32_t capacity = kFirstProcessIdCapacity; capacity != 0; capacity = NextProcessIdCapacity(capacity, bytes)) {
    ids.assign(capacity, 0);
    if (!m_pfnEnumProcesses(ids.data(), capacity * sizeof(DWORD), &bytes)) {
      Report("Failed to get list of running processes");
      return FALSE;
    }
  }

  std::string kept;
  bool markedListed = false;
  const std::optional<bool> selfUnderLayer = UnderCompatibilityLayer(m_pfnIsWow64Process, ::GetCurrentProcess());
  const size_t count = std::min<size_t>(bytes / sizeof(DWORD), ids.size());
  for (size_t i = 0; i < count; ++i) {
    char name[kNameSize] = {};
    std::optional<Width> otherWidth;
    const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, ids[i]));
    if (!process) {
      std::strcpy(name, kSystemProcessName);
    } else {
      ReadProcessName(process.Get(), name);
      otherWidth =
          OtherWidthOf(kProgramWidth, selfUnderLayer, UnderCompatibilityLayer(m_pfnIsWow64Process, process.Get()));
    }
    if (name[0] == '\0') std::strcpy(name, kUnknownProcessName);

    const std::string entry = FormatProcessEntry(name, static_cast<int32_t>(ids[i]), otherWidth);
    // The entry remembers a process of the other width, so choosing it
    // needs no second look at the process.
    const int index = m_processCombo.AddString(entry.c_str());
    if (index >= 0) m_processCombo.SetItemData(index, otherWidth ? static_cast<DWORD_PTR>(*otherWidth) + 1 : 0);
    if (static_cast<int>(ids[i]) == keepProcessId) kept = entry;
    if (m_mark.IsSet() && ids[i] == m_mark.ProcessId()) markedListed = true;
  }

  // A mark is of a running process only.
  if (m_mark.IsSet() && !markedListed) ForgetMarkUnlessOf(-1);
  if (keepProcessId == -1) {
    m_processCombo.SetCurSel(0);
    return TRUE;
  }
  if (!kept.empty() && m_processCombo.SelectString(-1, kept.c_str()) != CB_ERR) return TRUE;

  // The kept process is gone: nothing shown belongs to a running process now.
  ClearNodeTable();
  ClearBlockTable();
  ClearDataView();
  EnterTableMode();
  m_processCombo.SetCurSel(0);
  return TRUE;
}

std::optional<Width> CTarnwickDlg::SelectedProcessOtherWidth() const {
  const int index = m_processCombo.GetCurSel();
  const DWORD_PTR data = index == CB_ERR ? 0 : m_processCombo.GetItemData(index);
  if (data == static_cast<DWORD_PTR>(Width::Bits32) + 1) return Width::Bits32;
  if (data == static_cast<DWORD_PTR>(Width::Bits64) + 1) return Width::Bits64;
  return std::nullopt;
}

int CTarnwickDlg::GetSelectedProcessId() {
  const int index = m_processCombo.GetCurSel();
  const int length = index == CB_ERR ? 0 : m_processCombo.GetLBTextLen(index);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) m_processCombo.GetLBText(index, text.data());
  if (text.empty() || text[0] == '\0') {
    Report("Please select the process from the list");
    return -1;
  }
  return ProcessIdFromEntryText(text.c_str());
}

void CTarnwickDlg::OnOK() {
  // Enter while a query waits: the list stays as the query found it.
  if (m_waitingQuery != nullptr) return;
  FillProcessList(GetSelectedProcessId());
}
