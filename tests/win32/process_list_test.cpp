// The process drop-down: built from the running processes, kept across a
// refresh while the chosen process runs, reset when it has gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ChildProcess.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/TableRows.h"
#include "heap/ProcessEntry.h"
#include "res/ProgramWidth.h"
#include "support/SubstituteHeapQuery.h"
// After <windows.h>, which it needs.
#include <psapi.h>

namespace {
std::set<uint32_t> RunningProcessIds() {
  DWORD ids[1024];
  DWORD bytes = 0;
  ::EnumProcesses(ids, sizeof ids, &bytes);
  return std::set<uint32_t>(ids, ids + bytes / sizeof(DWORD));
}

bool CaseBlindLess(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) < 0; }

std::string EntryOf(const std::vector<std::string>& entries, uint32_t processId) {
  for (const std::string& entry : entries)
    if (static_cast<uint32_t>(ProcessIdFromEntryText(entry.c_str())) == processId) return entry;
  return {};
}

// Stands in for the system's enumeration: writes as much of g_enumerated as
// the array takes, and notes the size of every array it was given.
std::vector<DWORD> g_enumerated;
std::vector<DWORD> g_arrayBytes;

BOOL WINAPI EnumerateMany(DWORD* ids, DWORD bytes, DWORD* written) {
  g_arrayBytes.push_back(bytes);
  const size_t count = std::min<size_t>(bytes / sizeof(DWORD), g_enumerated.size());
  std::copy_n(g_enumerated.begin(), count, ids);
  *written = static_cast<DWORD>(count * sizeof(DWORD));
  return TRUE;
}
// Stands in for IsWow64Process: g_otherWidthId is a process of the other
// width. A 64-bit program sees it under the compatibility layer; a 32-bit
// one sees itself and every other process under it, that one outside.
DWORD g_otherWidthId = 0;

BOOL WINAPI PretendWidths(HANDLE process, BOOL* underLayer) {
  const bool other = ::GetProcessId(process) == g_otherWidthId;
  *underLayer = sizeof(void*) == 8 ? other : !other;
  return TRUE;
}
}  // namespace

// The other program's process is marked in its entry; choosing it empties
// the views, says which program shows its heaps and queries nothing.
TEST(ProcessList, ProcessOfTheOtherWidthIsMarkedAndLeftToTheOtherProgram) {
  IdleChild child;
  ASSERT_TRUE(child.Running());
  LiveDialog dlg;
  dlg.UseSubstituteService();
  g_otherWidthId = child.ProcessId();
  dlg->m_pfnIsWow64Process = &PretendWidths;
  dlg.ClickButton(IDOK);
  const std::string entry = EntryOf(ComboEntries(dlg->m_processCombo), child.ProcessId());
  const bool program64 = sizeof(void*) == 8;
  EXPECT_EQ(entry, std::string("tarnwick_win32_tests.exe ") + (program64 ? "(32-bit)" : "(64-bit)") + "    [" +
                       std::to_string(child.ProcessId()) + "]");
  EXPECT_EQ(EntryOf(ComboEntries(dlg->m_processCombo), ::GetCurrentProcessId()),
            "tarnwick_win32_tests.exe    [" + std::to_string(::GetCurrentProcessId()) + "]");

  SetSubstituteScenario({});
  ResetSubstituteCounters();
  PutStaleNodeRow(*dlg);
  dlg->ShowDataMessage("left over");
  dlg->EnterDataMode();
  DialogWatcher watcher;
  ASSERT_TRUE(dlg.ChooseProcessId(child.ProcessId()));
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, program64 ? "This is a 32-bit process: its heaps are shown by Tarnwick.exe"
                                               : "This is a 64-bit process: its heaps are shown by Tarnwick64.exe");
  EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 0);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_EQ(SubstituteCountersNow().creations + SubstituteCountersNow().queries, 0);

  // Its own kind of process is inspected as ever.
  watcher.Clear();
  ASSERT_TRUE(dlg.ChooseProcessId(::GetCurrentProcessId()));
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(SubstituteCountersNow().queries, 1);
}

TEST(ProcessList, HoldsEveryRunningProcessSortedWithTheFirstSelected) {
  IdleChild child;
  ASSERT_TRUE(child.Running());
  const std::set<uint32_t> before = RunningProcessIds();
  LiveDialog dlg;
  const std::vector<std::string> entries = ComboEntries(dlg->m_processCombo);
  const std::set<uint32_t> after = RunningProcessIds();

  std::set<uint32_t> listed;
  for (const std::string& entry : entries) {
    // "name    [id]": four blanks before the bracket, a name before them.
    const size_t bracket = entry.rfind("    [");
    ASSERT_NE(bracket, std::string::npos) << entry;
    EXPECT_GT(bracket, 0u) << entry;
    EXPECT_EQ(entry.back(), ']') << entry;
    listed.insert(static_cast<uint32_t>(ProcessIdFromEntryText(entry.c_str())));
  }
  // Every process that ran throughout is listed, and nothing that never ran.
  for (uint32_t id : before) {
    if (after.count(id)) {
      EXPECT_TRUE(listed.count(id)) << id;
    }
  }
  for (uint32_t id : listed) EXPECT_TRUE(before.count(id) || after.count(id)) << id;

  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), CaseBlindLess));
  EXPECT_EQ(dlg->m_processCombo.GetCurSel(), 0);
  EXPECT_EQ(EntryOf(entries, child.ProcessId()).rfind("tarnwick_win32_tests.exe    [", 0), 0u);
}

TEST(ProcessList, ListsEveryProcessOfAnEnumerationBeyondFiveHundred) {
  LiveDialog dlg;
  const std::string entry = EntryOf(ComboEntries(dlg->m_processCombo), ::GetCurrentProcessId());
  ASSERT_NE(dlg->m_processCombo.SelectString(-1, entry.c_str()), CB_ERR);
  // 1199 identifiers no process has, then the chosen one (this process).
  g_enumerated.clear();
  for (DWORD id = 0x7FFF0000; g_enumerated.size() < 1199; id += 4) g_enumerated.push_back(id);
  g_enumerated.push_back(::GetCurrentProcessId());
  g_arrayBytes.clear();
  dlg->m_pfnEnumProcesses = &EnumerateMany;

  DialogWatcher watcher;
  dlg.ClickButton(IDOK);
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(g_arrayBytes, (std::vector<DWORD>{2000, 4000, 8000}));
  const std::vector<std::string> entries = ComboEntries(dlg->m_processCombo);
  std::set<uint32_t> listed;
  for (const std::string& text : entries) listed.insert(static_cast<uint32_t>(ProcessIdFromEntryText(text.c_str())));
  EXPECT_EQ(entries.size(), 1200u);
  EXPECT_EQ(listed, std::set<uint32_t>(g_enumerated.begin(), g_enumerated.end()));
  EXPECT_EQ(EntryOf(entries, g_enumerated[1198]), "[System Process]    [" + std::to_string(g_enumerated[1198]) + "]");
  EXPECT_EQ(ComboSelection(dlg->m_processCombo), entry);
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), CaseBlindLess));

  dlg->FillProcessList(-1);
  EXPECT_EQ(dlg->m_processCombo.GetCount(), 1200);
  EXPECT_EQ(dlg->m_processCombo.GetCurSel(), 0);
  EXPECT_EQ(ComboSelection(dlg->m_processCombo), entries.front());
}

TEST(ProcessList, RefreshKeepsTheChosenProcessWhileItRuns) {
  IdleChild child;
  ASSERT_TRUE(child.Running());
  LiveDialog dlg;
  const std::string entry = EntryOf(ComboEntries(dlg->m_processCombo), child.ProcessId());
  ASSERT_FALSE(entry.empty());
  ASSERT_NE(dlg->m_processCombo.SelectString(-1, entry.c_str()), CB_ERR);
  // Something in each view, to see whether the refresh leaves it alone.
  PutStaleNodeRow(*dlg);
  PutStaleBlockRow(*dlg);
  dlg->ShowDataMessage("line");
  dlg->EnterDataMode();

  DialogWatcher watcher;
  dlg.ClickButton(IDOK);
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(ComboSelection(dlg->m_processCombo), entry);
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 1);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 1);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 1);
  EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());

  // Once it has ended, the views belong to no running process any more.
  child.End();
  dlg.ClickButton(IDOK);
  EXPECT_TRUE(watcher.Boxes().empty());
  EXPECT_EQ(dlg->m_processCombo.GetCurSel(), 0);
  EXPECT_TRUE(EntryOf(ComboEntries(dlg->m_processCombo), child.ProcessId()).empty());
  EXPECT_EQ(dlg->m_nodeList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_blockList.GetItemCount(), 0);
  EXPECT_EQ(dlg->m_dataList.GetItemCount(), 0);
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
}

TEST(ProcessList, RefreshWithNothingSelectedSaysSoAndRebuilds) {
  LiveDialog dlg;
  dlg->m_processCombo.SetCurSel(-1);
  DialogWatcher watcher;
  dlg.ClickButton(IDOK);
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, "Please select the process from the list");
  EXPECT_EQ(watcher.Boxes()[0].caption, "Tarnwick");
  EXPECT_EQ(watcher.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(dlg->m_processCombo.GetCurSel(), 0);
  EXPECT_GT(dlg->m_processCombo.GetCount(), 0);
}

TEST(ProcessList, EnterRefreshesAndEscapeEndsTheModalDialog) {
  int activations = 0;
  DialogWatcher watcher([&](HWND window) {
    if (WindowText(window).rfind(TARNWICK_CAPTION_HEAD, 0) != 0) return false;
    ++activations;
    // Through the dialog manager, as keys from the user would go.
    ::PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    return true;
  });
  CTarnwickDlg dlg;
  const INT_PTR result = dlg.DoModal();
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(watcher.Boxes().empty());
}
