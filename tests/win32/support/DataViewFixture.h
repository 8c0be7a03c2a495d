// What the data view's tests and Find Block's share: a target chosen in a
// fresh dialog, the dump a block should give, and the order in which the
// dialog's controls are disabled and enabled.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "blockdata/DumpLines.h"
#include "support/TableRows.h"
#include "support/TargetFixture.h"

inline std::vector<std::string> ExpectedDump(uint64_t node, uint64_t address, const std::vector<uint8_t>& bytes) {
  char header[1024];
  FormatDumpHeader(node, address, bytes.size(), kProgramWidth, header, sizeof header);
  std::vector<std::string> lines = {header, ""};
  ForEachDumpRow(bytes.data(), bytes.size(), [&](const char* row, size_t length) { lines.emplace_back(row, length); });
  return lines;
}

inline void ClearSelection(CListCtrl& list) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

// Data mode with both data buttons shown, and the four controls that a read
// disables enabled again.
inline void ExpectDataModeAndControlsUsable(LiveDialog& dlg) {
  EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_TRUE(dlg->m_dataCaption.IsWindowVisible());
  EXPECT_FALSE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_nodeCaption.IsWindowVisible());
  EXPECT_TRUE(dlg->m_closeDataButton.IsWindowVisible());
  EXPECT_TRUE(dlg->m_saveDataButton.IsWindowVisible());
  EXPECT_TRUE(dlg->m_refreshButton.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_closeDataButton.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_saveDataButton.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_processCombo.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_nodeList.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_blockList.IsWindowEnabled());
}

// The WM_ENABLE messages the dialog's own controls get, in order, as
// "+id" (enabled) or "-id" (disabled). The combo's drop-down list follows
// its combo and is left out.
class EnableRecorder {
 public:
  explicit EnableRecorder(HWND dialog)
      : m_hook(::SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, ::GetCurrentThreadId())) {
    s_dialog = dialog;
    s_events.clear();
  }
  ~EnableRecorder() { ::UnhookWindowsHookEx(m_hook); }
  EnableRecorder(const EnableRecorder&) = delete;
  EnableRecorder& operator=(const EnableRecorder&) = delete;
  std::vector<std::string> Take() { return std::exchange(s_events, {}); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_ENABLE && ::GetParent(message->hwnd) == s_dialog) {
      std::string event(1, message->wParam ? '+' : '-');
      event.append(std::to_string(::GetDlgCtrlID(message->hwnd)));
      s_events.push_back(event);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline std::vector<std::string> s_events;
  static inline HWND s_dialog = nullptr;
  HHOOK m_hook;
};



class DataView : public TargetFixture {
 protected:
  // A block click from table mode, so the switch to data mode is seen.
  std::vector<std::string> ClickBlockRow(int row = 0) {
    dlg->EnterTableMode();
    dlg.ClickRow(dlg->m_blockList, row);
    return ListBoxLines(dlg->m_dataList);
  }
  // The real road: the private heap's node row, clicked, fills the block table.
  uint64_t OpenPrivateHeap() {
    const uint64_t base = Report().heaps.at(0).handle;
    const int row = FindRow(dlg->m_nodeList, 1, Addr(base));
    EXPECT_NE(row, -1);
    if (row != -1) dlg.ClickRow(dlg->m_nodeList, row);
    return base;
  }

  DialogWatcher watcher;
};

