#include "blockdata/TempFile.h"

#include "blockdata/SavePath.h"
#include "framework/Afx.h"

namespace {
bool IsReadOnly(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
}  // namespace

TempFile::TempFile(const std::string& target) : m_target(target) {
  if (!CheckTarget()) return;
  const std::string directory = DirectoryOf(target);
  char path[MAX_PATH] = {};
  // GetTempFileName creates an empty file with a unique name, so no other
  // file is touched. The name adds up to 14 characters to the directory:
  // the system refuses a longer directory; Wine reports success and hands
  // back the name cut off at MAX_PATH, without its terminator.
  if (directory.size() > MAX_PATH - 14 || ::GetTempFileNameA(directory.c_str(), "twk", 0, path) == 0) {
    Discard();
    return;
  }
  m_path = path;
  m_file = std::fopen(path, "wb");
  if (m_file == nullptr) Discard();
}

// Opening the target for writing, and for the deletion that replacing it
// needs, fails for a read-only file, a folder, or a file another program
// holds open without sharing; OPEN_ALWAYS never empties an existing file.
// The read-only attribute is looked at first: Wine maps it onto the file's
// permissions, which do not stop an administrator (root), so there the open
// would succeed where Windows refuses it for every user.
bool TempFile::CheckTarget() {
  if (IsReadOnly(m_target)) return false;
  const HANDLE probe =
      ::CreateFileA(m_target.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  m_targetMadeByCheck = ::GetLastError() != ERROR_ALREADY_EXISTS;
  ::CloseHandle(probe);
  return true;
}

bool TempFile::Commit() {
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  // A file made read-only meanwhile is not replaced either; Wine's
  // MoveFileEx would replace it.
  if (!closed || IsReadOnly(m_target) || !::MoveFileExA(m_path.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Discard();
    return false;
  }
  m_path.clear();
  m_targetMadeByCheck = false;
  return true;
}

void TempFile::Discard() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
  if (!m_path.empty()) ::DeleteFileA(m_path.c_str());
  m_path.clear();
  if (m_targetMadeByCheck) ::DeleteFileA(m_target.c_str());
  m_targetMadeByCheck = false;
}
