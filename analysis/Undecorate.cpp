#include "analysis/Undecorate.h"

#include <cxxabi.h>
#include <windows.h>
#include <dbghelp.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace {
// The type alone: no "class "/"struct " before it or before the types in
// its template arguments.
constexpr DWORD kTypeNameOnly = 0x2000 /* no arguments */ | UNDNAME_NAME_ONLY;

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};
}  // namespace

std::optional<std::string> UndecorateTypeName(NameForm form, const std::string& stored) {
  if (form == NameForm::Gcc) {
    int status = 0;
    const std::unique_ptr<char, FreeDeleter> name(abi::__cxa_demangle(stored.c_str(), nullptr, nullptr, &status));
    if (status != 0 || !name) return std::nullopt;
    return std::string(name.get());
  }
  // ".?AVWidget@@": the undecorator reads a type from the '?' on; it
  // gives its input back when it can't read it.
  if (stored.size() < 2 || stored[0] != '.') return std::nullopt;
  // dbghelp is not to be called from two threads at once, and a forgotten
  // fill's worker may still be reading names while a new one starts.
  static std::mutex lock;
  const std::lock_guard guard(lock);
  char name[1024];
  const DWORD length = ::UnDecorateSymbolName(stored.c_str() + 1, name, sizeof name, kTypeNameOnly);
  if (length == 0 || stored.compare(1, std::string::npos, name) == 0) return std::nullopt;
  return std::string(name, length);
}
