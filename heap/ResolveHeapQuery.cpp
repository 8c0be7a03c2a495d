// Looks up ntdll's three debug-information functions once at start-up.
#include "shell/TarnwickDlg.h"

namespace {
// GetProcAddress returns a generic function pointer; the export's real
// signature is the one it is called with.
template <class Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
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
  if (!m_pfnRtlCreateQueryDebugBuffer || !m_pfnRtlDestroyQueryDebugBuffer || !m_pfnRtlQueryProcessDebugInformation) {
    Report("Failed to get exported heap functions of NTDLL");
    return FALSE;
  }
  return TRUE;
}
