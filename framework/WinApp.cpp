#include "framework/WinApp.h"

#include <cstdio>
#include <cstring>

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR appName) : m_pszAppName(appName) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return ExitInstance();
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app != nullptr ? g_app->m_pMainWnd : nullptr; }

int AfxWinMain(HINSTANCE instance, int) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->m_hInstance = instance;
  if (app->m_pszAppName == nullptr) {
    // No name given: take the module's base name, without its extension.
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(instance, path, MAX_PATH);
    const char* base = std::strrchr(path, '\\');
    std::snprintf(app->m_moduleName, sizeof app->m_moduleName, "%s", base ? base + 1 : path);
    if (char* dot = std::strrchr(app->m_moduleName, '.')) *dot = '\0';
    app->m_pszAppName = app->m_moduleName;
  }
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
