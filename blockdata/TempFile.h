// The file a save writes: a new file beside the file the user chose, that
// replaces the chosen file only when everything was written. A save that
// fails half way leaves the chosen file as it was and no new file behind.
#pragma once

#include <cstdio>
#include <string>

class TempFile {
 public:
  // Checks that `target` can be created or replaced, without emptying an
  // existing one, then creates the new file in its folder. IsOpen() tells
  // whether both worked; when not, nothing is left behind.
  explicit TempFile(const std::string& target);
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { Discard(); }

  bool IsOpen() const { return m_file != nullptr; }
  bool Write(const void* data, size_t size) { return std::fwrite(data, size, 1, m_file) == 1; }
  // Closes the file and moves it over the target; false when either fails
  // (the save is then discarded).
  bool Commit();
  // Closes and removes the new file, and the target too when only the check
  // created it.
  void Discard();

 private:
  bool CheckTarget();

  std::string m_target;
  std::string m_path;
  std::FILE* m_file = nullptr;
  bool m_targetMadeByCheck = false;
};
