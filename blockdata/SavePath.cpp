#include "blockdata/SavePath.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDrivePrefix(const std::string& path, size_t length) { return length == 2 && path[1] == ':'; }

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const size_t last = path.find_last_of("\\/");
  if (last == std::string::npos)
    return (path.size() >= 2 && IsDrivePrefix(path, 2)) ? path.substr(0, 2) : std::string(".");

  size_t end = last;
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  if (end == 0) return path.substr(0, 1);                        // "\x.bin": the root of the current drive
  if (IsDrivePrefix(path, end)) return path.substr(0, end + 1);  // "C:\x.bin": keep the root's separator
  return path.substr(0, end);
}
