// The data view: a click on a block row dumps the block's real bytes out of
// a running target, or puts the one note or error line in their place, and
// always leaves the window in data mode with its controls usable.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <utility>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/TableRows.h"
#include "support/TargetFixture.h"
#include "blockdata/DumpLines.h"
#include "support/TargetProcess.h"

namespace {
std::vector<std::string> ExpectedDump(uint64_t node, uint64_t address, const std::vector<uint8_t>& bytes) {
  char header[1024];
  FormatDumpHeader(node, address, bytes.size(), kProgramWidth, header, sizeof header);
  std::vector<std::string> lines = {header, ""};
  ForEachDumpRow(bytes.data(), bytes.size(), [&](const char* row, size_t length) { lines.emplace_back(row, length); });
  return lines;
}

void ClearSelection(CListCtrl& list) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

// Data mode with both data buttons shown, and the four controls that a read
// disables enabled again.
void ExpectDataModeAndControlsUsable(LiveDialog& dlg) {
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

TEST_F(DataView, DumpsTheTargetsBytesUnderTheHeaderOfTheSelectedNode) {
  const uint64_t base = OpenPrivateHeap();
  ASSERT_GT(dlg->m_blockList.GetItemCount(), 0);
  // A block of one full row, one with a partial last row, a text block and
  // one that holds every byte value.
  const std::vector<std::string> disableAndEnable = {"-1", "-1010", "-1011", "-1000", "+1", "+1010", "+1011", "+1000"};
  for (int index : {0, 1, 5, 7}) {
    const KnownBlock* block = Report().FindBlock(index);
    ASSERT_NE(block, nullptr) << index;
    const int row = FindRow(dlg->m_blockList, 1, Addr(block->address));
    ASSERT_NE(row, -1) << index;
    EXPECT_EQ(CellText(dlg->m_blockList, row, 4), "Allocated");
    EnableRecorder enables(dlg.Hwnd());
    const std::vector<std::string> lines = ClickBlockRow(row);
    EXPECT_EQ(lines, ExpectedDump(base, block->address, ExpectedBlockBytes(index, block->size))) << index;
    EXPECT_EQ(enables.Take(), disableAndEnable);
    ExpectDataModeAndControlsUsable(dlg);
  }
  SaveScreenshot(dlg.Hwnd(), "data-view-dump");
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

TEST_F(DataView, FreeRowGivesTheNoteWithoutReading) {
  OpenPrivateHeap();
  const int row = FindRow(dlg->m_blockList, 4, "Free");
  ASSERT_NE(row, -1) << "the private heap has free blocks";
  EnableRecorder enables(dlg.Hwnd());
  EXPECT_EQ(ClickBlockRow(row), std::vector<std::string>{kFreeBlockNote});
  EXPECT_EQ(enables.Take(), std::vector<std::string>{}) << "a free block disables nothing";
  ExpectDataModeAndControlsUsable(dlg);

  // Case and surrounding white space do not matter, and nothing is read:
  // the address is one whose read fails.
  PutBlockRow(dlg->m_blockList, Report().unreadableAddress, 0x40, "  fReE ");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kFreeBlockNote});
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(DataView, HeaderShowsNodeZeroWithNoNodeRowSelected) {
  ClearSelection(dlg->m_nodeList);
  ASSERT_EQ(dlg->m_nodeList.GetNextItem(-1, LVNI_SELECTED), -1);
  const KnownBlock* block = Report().FindBlock(2);
  ASSERT_NE(block, nullptr);
  PutBlockRow(dlg->m_blockList, block->address, block->size, "Allocated");
  const std::vector<std::string> lines = ClickBlockRow();
  EXPECT_EQ(lines, ExpectedDump(0, block->address, ExpectedBlockBytes(2, block->size)));
  ASSERT_GE(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("Heap Node Address= " + Addr(0) + ", ", 0), 0u) << lines[0];

  // Rows as long as the row's size says, not the block's: 16 bytes are one
  // row, 17 bytes two, the second a single byte and 47 filler spaces.
  for (uint32_t size : {16u, 17u}) {
    PutBlockRow(dlg->m_blockList, block->address, size, "Allocated");
    EXPECT_EQ(ClickBlockRow(), ExpectedDump(0, block->address, ExpectedBlockBytes(2, size))) << size;
  }
  const std::vector<std::string> seventeen = ListBoxLines(dlg->m_dataList);
  ASSERT_EQ(seventeen.size(), 4u);
  EXPECT_EQ(seventeen[2].size(), 77u);
  EXPECT_EQ(seventeen[3].size(), 62u);
  EXPECT_EQ(seventeen[3].substr(14, 47), std::string(47, ' '));
}

TEST_F(DataView, SizeCapComesBeforeTheProcessIsOpened) {
  const uint64_t unreadable = Report().unreadableAddress;
  PutBlockRow(dlg->m_blockList, unreadable, 0x00FFFFFF, "Allocated");
  const std::vector<std::string> atCap = ClickBlockRow();
  ASSERT_EQ(atCap.size(), 1u);
  EXPECT_NE(atCap[0], kDumpSizeExceeded);
  EXPECT_EQ(atCap[0], kDumpReadFailed);
  ExpectDataModeAndControlsUsable(dlg);

  PutBlockRow(dlg->m_blockList, unreadable, 0x01000000, "Allocated");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpSizeExceeded});
  PutBlockRow(dlg->m_blockList, unreadable, 0xFFFFFFFF, "Allocated");
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpSizeExceeded});
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(DataView, UnreadableAddressGivesTheReadErrorLine) {
  PutBlockRow(dlg->m_blockList, Report().unreadableAddress, 0x100, "Allocated");
  EnableRecorder enables(dlg.Hwnd());
  EXPECT_EQ(ClickBlockRow(), std::vector<std::string>{kDumpReadFailed});
  EXPECT_EQ(enables.Take().size(), 8u);
  ExpectDataModeAndControlsUsable(dlg);
  EXPECT_TRUE(watcher.Boxes().empty());
}

// Later Windows 11 builds write 72-byte heap records from offset 8 of the
// list; what the user sees must not change.
TEST_F(DataView, TaggedHeapRecordsGiveTheSameTablesAndDump) {
  struct Seen {
    std::vector<std::vector<std::string>> nodes, blocks;
    std::vector<std::string> dump;
  };
  const KnownBlock* block = Report().FindBlock(5);
  ASSERT_NE(block, nullptr);
  auto inspect = [&] {
    Seen seen;
    EXPECT_TRUE(dlg.ChooseProcessId(TargetId()));
    seen.nodes = AllRows(dlg->m_nodeList);
    OpenPrivateHeap();
    seen.blocks = AllRows(dlg->m_blockList);
    const int row = FindRow(dlg->m_blockList, 1, Addr(block->address));
    if (row != -1) seen.dump = ClickBlockRow(row);
    return seen;
  };
  const Seen untagged = inspect();
  ASSERT_GT(untagged.blocks.size(), 200u);
  ASSERT_EQ(untagged.dump,
            ExpectedDump(Report().heaps.at(0).handle, block->address, ExpectedBlockBytes(block->index, block->size)));

  // Told by the process heap in the header, or by the build when the header
  // names none. The suite's scenario comes back whatever happens here.
  struct Restore {
    SubstituteScenario saved = SubstituteScenarioInUse();
    ~Restore() { SetSubstituteScenario(saved); }
  } restore;
  for (const bool headerTells : {true, false}) {
    SubstituteScenario tagged = restore.saved;
    tagged.taggedRecords = true;
    tagged.processHeapUnknown = !headerTells;
    SetSubstituteScenario(tagged);
    dlg->m_systemBuildNumber = headerTells ? 7601 : 22621;
    const Seen seen = inspect();
    EXPECT_EQ(seen.nodes, untagged.nodes) << headerTells;
    EXPECT_EQ(seen.blocks, untagged.blocks) << headerTells;
    EXPECT_EQ(seen.dump, untagged.dump) << headerTells;
  }
  EXPECT_TRUE(watcher.Boxes().empty()) << ::testing::PrintToString(watcher.Texts());
}

// A target of its own, ended after it was chosen: the combo still names it.
TEST(DataViewEndedTarget, OpenFailsAndTheSizeCheckStillComesFirst) {
  std::optional<TargetProcess> target = TargetProcess::Start("", 10);
  ASSERT_TRUE(target.has_value()) << TargetStartError();
  SetSubstituteScenario({});
  LiveDialog dlg;
  dlg.UseSubstituteService();
  ASSERT_TRUE(dlg.ChooseProcessId(target->ProcessId()));
  const KnownBlock block = target->Report().blocks.at(0);
  target->Terminate();

  DialogWatcher watcher;
  for (const auto& [size, line] :
       {std::pair<uint32_t, const char*>{block.size, kDumpOpenFailed}, {0x01000000, kDumpSizeExceeded}}) {
    PutBlockRow(dlg->m_blockList, block.address, size, "Allocated");
    dlg->EnterTableMode();
    dlg.ClickRow(dlg->m_blockList, 0);
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), std::vector<std::string>{line});
    ExpectDataModeAndControlsUsable(dlg);
  }
  EXPECT_TRUE(watcher.Boxes().empty());
}
}  // namespace
