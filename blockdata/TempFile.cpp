#include "blockdata/TempFile.h"

#include "framework/Afx.h"

TempFile::TempFile(const std::string& directory) {
  char path[MAX_PATH] = {};
  // The unique name adds up to 14 characters to the directory. The system
  // refuses a longer directory; Wine reports success and hands back the
  // name cut off at MAX_PATH, without its terminator.
  if (directory.size() > MAX_PATH - 14) return;
  // Creates an empty file with a unique name, so no other file is touched.
  if (::GetTempFileNameA(directory.c_str(), "twk", 0, path) == 0) return;
  m_path = path;
  m_file = std::fopen(path, "wb");
  if (m_file == nullptr) Discard();
}

bool TempFile::Commit(const std::string& target) {
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  // A read-only file could not be opened for writing, so it is not replaced
  // either; Wine's MoveFileEx would replace it.
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (!closed || readOnly || !::MoveFileExA(m_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Discard();
    return false;
  }
  m_path.clear();
  return true;
}

void TempFile::Discard() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
  if (!m_path.empty()) ::DeleteFileA(m_path.c_str());
  m_path.clear();
}
