// Helpers of the tests and benchmarks that save a block: a driver that
// answers the real Save As dialog, a scratch folder, and reading a file back.
#pragma once

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "DialogWatcher.h"

namespace saving {

// What the Save As dialog showed, and what it was answered.
struct SaveAsSeen {
  int opened = 0;
  std::string title;
  std::string initialName;
  std::vector<std::string> filters;
  bool stuck = false;     // still open after it was answered
  double answeredAt = 0;  // when Save was pressed, in seconds of the performance counter
};

struct ChildSearch {
  const char* className;
  int id;
  HWND found;
};

inline BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  char name[64] = {};
  ::GetClassNameA(child, name, sizeof name);
  if (::lstrcmpiA(name, search->className) != 0 || (search->id != -1 && ::GetDlgCtrlID(child) != search->id))
    return TRUE;
  search->found = child;
  return FALSE;
}

// The first descendant of that class (and id, unless -1).
inline HWND FindChild(HWND parent, const char* className, int id = -1) {
  ChildSearch search{className, id, nullptr};
  ::EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers every Save As dialog opened on this thread: types `answer` into
// the file-name box and presses Save, or cancels when the answer is empty.
// The dialog is answered from a timer inside its own modal loop, once it is
// fully set up; a dialog that does not close is cancelled 5 s later.
class SaveAsDriver {
 public:
  explicit SaveAsDriver(std::string answer)
      : m_answer(std::move(answer)), m_watcher([this](HWND window) { return OnDialog(window); }) {
    s_current = this;
  }
  // Its timers go with it: a rescue left pending would otherwise cancel the
  // dialog of a later save.
  ~SaveAsDriver() {
    if (m_answerTimer != 0) ::KillTimer(nullptr, m_answerTimer);
    if (m_rescueTimer != 0) ::KillTimer(nullptr, m_rescueTimer);
    s_current = nullptr;
  }
  SaveAsDriver(const SaveAsDriver&) = delete;
  SaveAsDriver& operator=(const SaveAsDriver&) = delete;

  const SaveAsSeen& Seen() const { return m_seen; }
  const DialogWatcher& Watcher() const { return m_watcher; }

 private:
  bool OnDialog(HWND window) {
    // Message boxes go to the watcher; the main dialog is activated again
    // when the Save As dialog closes.
    if (NameEdit(window) == nullptr) return false;
    ++m_seen.opened;
    m_dialog = window;
    m_answerTimer = ::SetTimer(nullptr, 0, 50, &SaveAsDriver::Answer);
    return true;
  }

  // Wine's Explorer-style dialog: the file name in the edit of combo 0x47c
  // (cmb13), the filters in combo 0x470 (cmb1).
  static HWND NameEdit(HWND dialog) {
    if (HWND combo = ::GetDlgItem(dialog, 0x47c)) {
      if (HWND edit = FindChild(combo, "Edit")) return edit;
    }
    return ::GetDlgItem(dialog, 0x480);
  }

  static void CALLBACK Answer(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    SaveAsDriver* self = s_current;
    if (self != nullptr) self->m_answerTimer = 0;
    if (self == nullptr || !::IsWindow(self->m_dialog)) return;
    const HWND dialog = self->m_dialog;
    self->m_seen.title = WindowText(dialog);
    const HWND edit = NameEdit(dialog);
    self->m_seen.initialName = WindowText(edit);
    const HWND filters = ::GetDlgItem(dialog, 0x470);
    for (int i = 0; filters != nullptr && i < static_cast<int>(::SendMessageA(filters, CB_GETCOUNT, 0, 0)); ++i) {
      char text[256] = {};
      ::SendMessageA(filters, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      self->m_seen.filters.push_back(text);
    }
    if (self->m_answer.empty()) {
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
      ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(self->m_answer.c_str()));
      // The toolbar carries id 1 as well; the Save button is the push button.
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(FindChild(dialog, "Button", IDOK)));
      LARGE_INTEGER count, frequency;
      ::QueryPerformanceCounter(&count);
      ::QueryPerformanceFrequency(&frequency);
      self->m_seen.answeredAt = static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
    }
    self->m_rescueTimer = ::SetTimer(nullptr, 0, 5000, &SaveAsDriver::Rescue);
  }

  static void CALLBACK Rescue(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    SaveAsDriver* self = s_current;
    if (self != nullptr) self->m_rescueTimer = 0;
    if (self == nullptr || !::IsWindow(self->m_dialog)) return;
    self->m_seen.stuck = true;
    ::PostMessageA(self->m_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

  static inline SaveAsDriver* s_current = nullptr;
  std::string m_answer;
  HWND m_dialog = nullptr;
  UINT_PTR m_answerTimer = 0;
  UINT_PTR m_rescueTimer = 0;
  SaveAsSeen m_seen;
  DialogWatcher m_watcher;
};

inline std::optional<std::vector<uint8_t>> FileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return bytes;
}

// The names in a folder, sorted, without "." and "..".
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder under the temporary directory, removed with all it holds.
// A Save As dialog makes the chosen folder the current directory, which
// would keep the folder from being removed; the old one is restored first.
class ScratchFolder {
 public:
  ScratchFolder() {
    ::GetCurrentDirectoryA(sizeof m_previousDirectory, m_previousDirectory);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    static int serial = 0;
    m_path =
        std::string(temp) + "tarnwick-save-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const std::string& name : Names()) {
      const std::string file = Path(name);
      ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileA(file.c_str());
    }
    ::SetCurrentDirectoryA(m_previousDirectory);
    ::RemoveDirectoryA(m_path.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string Path(const std::string& name) const { return m_path + "\\" + name; }
  std::vector<std::string> Names() const { return FolderNames(m_path); }

 private:
  std::string m_path;
  char m_previousDirectory[MAX_PATH] = {};
};

}  // namespace saving
