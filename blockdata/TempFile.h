// A new file beside the file the user chose, that replaces the chosen file
// only when everything was written: a save that fails half way leaves the
// chosen file as it was and no new file behind.
#pragma once

#include <cstdio>
#include <string>

class TempFile {
 public:
  // Creates the file in `directory`; IsOpen() tells whether that worked.
  explicit TempFile(const std::string& directory);
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { Discard(); }

  bool IsOpen() const { return m_file != nullptr; }
  bool Write(const void* data, size_t size) { return std::fwrite(data, size, 1, m_file) == 1; }
  // Closes the file and moves it over `target`; false when either fails (the
  // temporary file is then removed).
  bool Commit(const std::string& target);
  // Closes and removes the file, if it is still there.
  void Discard();

 private:
  std::string m_path;
  std::FILE* m_file = nullptr;
};
