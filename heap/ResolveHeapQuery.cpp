// Looks up ntdll's three debug-information functions once at start-up.
#include "shell/TarnwickDlg.h"

namespace {
// GetProcAddress returns a generic function pointer; the export's real
// signature is the one it is called with.
template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// RtlGetVersion reports the real build whatever the manifest declares,
// unlike GetVersionEx. 0 when it can't be learned.
uint32_t SystemBuildNumber(HMODULE ntdll) {
  using PfnRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto getVersion = Export<PfnRtlGetVersion>(ntdll, "RtlGetVersion");
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return getVersion != nullptr && getVersion(&info) == 0 ? info.dwBuildNumber : 0;
}
}  // namespace

BOOL CTarnwickDlg::ResolveHeapQueryFunctions() {
  m_pfnRtlCreateQueryDebugBuffer = nullptr;
  m_pfnRtlDestroyQueryDebugBuffer = nullptr;
  m_pfnRtlQueryProcessDebugInformation = nullptr;

  // ntdll is loaded in every process; it is neither loaded nor released here.
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) {
    Report("Failed to get the handle of NTDLL module");
    return FALSE;
  }
  m_pfnRtlCreateQueryDebugBuffer = Export<PfnRtlCreateQueryDebugBuffer>(ntdll, "RtlCreateQueryDebugBuffer");
  m_pfnRtlDestroyQueryDebugBuffer = Export<PfnRtlDestroyQueryDebugBuffer>(ntdll, "RtlDestroyQueryDebugBuffer");
  m_pfnRtlQueryProcessDebugInformation =
      Export<PfnRtlQueryProcessDebugInformation>(ntdll, "RtlQueryProcessDebugInformation");
  m_systemBuildNumber = SystemBuildNumber(ntdll);
  // Optional: without it the block table comes from the walk of the entries.
  m_pfnRtlQueryHeapInformation = Export<PfnRtlQueryHeapInformation>(ntdll, "RtlQueryHeapInformation");
  // Optional: without it no process counts as frozen.
  m_pfnNtQueryInformationProcess = Export<PfnNtQueryInformationProcess>(ntdll, "NtQueryInformationProcess");
  if (!m_pfnRtlCreateQueryDebugBuffer || !m_pfnRtlDestroyQueryDebugBuffer || !m_pfnRtlQueryProcessDebugInformation) {
    Report("Failed to get exported heap functions of NTDLL");
    return FALSE;
  }
  return TRUE;
}
