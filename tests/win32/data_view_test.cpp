// The data view: a click on a block row dumps the block's real bytes out of
// a running target, or puts the one note or error line in their place, and
// always leaves the window in data mode with its controls usable.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

#include "CopyDriver.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "support/TableRows.h"
#include "support/TargetFixture.h"
#include "blockdata/DumpLines.h"
#include "blockdata/FindBlock.h"
#include "heap/TableText.h"
#include "support/TargetProcess.h"
#include "target/BlockPattern.h"

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


// Answers every Find Block dialog opened on this thread, from a timer inside
// its own modal loop: each answer checks a kind, types the text and presses
// Find Next; when the answers run out, Cancel. While a message box of the
// dialog is up (the dialog is disabled), it waits. Message boxes go to the
// watcher, which closes them.
class FindAnswerer {
 public:
  struct Answer {
    int kindButton;
    std::string text;
  };
  // screenshot: a name for a picture of the dialog before its first answer.
  explicit FindAnswerer(std::vector<Answer> answers, std::string screenshot = {})
      : m_answers(std::move(answers)),
        m_screenshot(std::move(screenshot)),
        m_watcher([this](HWND window) { return OnDialog(window); }) {
    s_current = this;
  }
  ~FindAnswerer() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    s_current = nullptr;
  }
  FindAnswerer(const FindAnswerer&) = delete;
  FindAnswerer& operator=(const FindAnswerer&) = delete;

  const DialogWatcher& Watcher() const { return m_watcher; }
  int opened = 0;
  HWND owner = nullptr;  // of the last dialog, and what it showed on opening
  int shownKind = 0;
  std::string shownText;

 private:
  bool OnDialog(HWND window) {
    if (IsMessageBox(window) || WindowText(window) != "Find Block") return false;
    ++opened;
    m_dialog = window;
    owner = ::GetWindow(window, GW_OWNER);
    for (int id : {IDC_FIND_ADDRESS, IDC_FIND_BYTES, IDC_FIND_TEXT})
      if (::IsDlgButtonChecked(window, id) == BST_CHECKED) shownKind = id;
    shownText = WindowText(::GetDlgItem(window, IDC_FIND_INPUT));
    if (m_timer == 0) m_timer = ::SetTimer(nullptr, 0, 50, &FindAnswerer::Tick);
    return true;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    FindAnswerer* self = s_current;
    if (self == nullptr || !::IsWindow(self->m_dialog) || !::IsWindowEnabled(self->m_dialog)) return;
    const HWND dialog = self->m_dialog;
    if (self->m_next == self->m_answers.size()) {
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      self->m_dialog = nullptr;
      return;
    }
    if (!self->m_screenshot.empty()) {
      // A few ticks give Wine time to map and paint the dialog; the picture
      // holds it over its owner.
      if (++self->m_waited < 5) return;
      RECT rect, ownerRect;
      ::GetWindowRect(dialog, &rect);
      ::GetWindowRect(self->owner, &ownerRect);
      ::UnionRect(&rect, &rect, &ownerRect);
      SaveScreenRect(rect, std::exchange(self->m_screenshot, {}));
      return;
    }
    const Answer& answer = self->m_answers[self->m_next++];
    ::CheckRadioButton(dialog, IDC_FIND_ADDRESS, IDC_FIND_TEXT, answer.kindButton);
    ::SetWindowTextA(::GetDlgItem(dialog, IDC_FIND_INPUT), answer.text.c_str());
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
  }

  static inline FindAnswerer* s_current = nullptr;
  std::vector<Answer> m_answers;
  std::string m_screenshot;
  int m_waited = 0;
  size_t m_next = 0;
  HWND m_dialog = nullptr;
  UINT_PTR m_timer = 0;
  DialogWatcher m_watcher;
};

std::string HexBytes(const std::string& text) {
  std::string hex;
  char pair[4];
  for (unsigned char c : text) {
    std::snprintf(pair, sizeof pair, "%02X ", c);
    hex += pair;
  }
  return hex;
}

void PressF3(CListCtrl& list) {
  ::SetFocus(list.m_hWnd);
  ::PostMessageA(list.m_hWnd, WM_KEYDOWN, VK_F3, 1);
  ::PostMessageA(list.m_hWnd, WM_KEYUP, VK_F3, 0xC0000001);
  PumpMessages();
}

// The selected row, when it is also focused and wholly in view.
int SelectedRowInView(const CListCtrl& list) {
  const int row = list.GetNextItem(-1, LVNI_SELECTED);
  if (row == -1 || list.GetNextItem(-1, LVNI_FOCUSED) != row) return -1;
  RECT item, client;
  list.GetItemRect(row, &item, LVIR_BOUNDS);
  list.GetClientRect(&client);
  return item.top >= client.top && item.bottom <= client.bottom ? row : -1;
}

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

// The first row from `after + 1` on, wrapping, whose block is one of the
// target's known blocks and passes `wanted`.
int FirstKnownRowAfter(const CListCtrl& list, const TargetReport& report, int after,
                       const std::function<bool(int index)>& wanted) {
  const int rows = list.GetItemCount();
  for (int step = 1; step <= rows; ++step) {
    const int row = (after + step) % rows;
    for (const KnownBlock& block : report.blocks)
      if (Addr(block.address) == CellText(list, row, 1) && CellText(list, row, 4) == "Allocated" && wanted(block.index))
        return row;
  }
  return -1;
}

TEST_F(DataView, FindBlockFindsAnAddressBytesAndTextAndDumpsWhatItFound) {
  const uint64_t base = OpenPrivateHeap();
  const KnownBlock* seven = Report().FindBlock(7);
  const KnownBlock* thirty = Report().FindBlock(30);  // its text is UTF-16
  const KnownBlock* fiftyFive = Report().FindBlock(55);
  ASSERT_TRUE(seven && thirty && fiftyFive);
  auto rowOf = [&](const KnownBlock* block) { return FindRow(dlg->m_blockList, 1, Addr(block->address)); };
  auto dumpOf = [&](const KnownBlock* block) {
    return ExpectedDump(base, block->address, ExpectedBlockBytes(block->index, block->size));
  };

  // An address inside a block, by Ctrl+F: the dialog is the main dialog's.
  {
    FindAnswerer answers({{IDC_FIND_ADDRESS, Addr(seven->address + 5)}}, "find-block-dialog");
    TypeWithCtrl(dlg->m_blockList, 'F');
    EXPECT_EQ(answers.opened, 1);
    EXPECT_EQ(answers.owner, dlg.Hwnd());
    EXPECT_EQ(answers.shownKind, IDC_FIND_ADDRESS);
    EXPECT_EQ(SelectedRowInView(dlg->m_blockList), rowOf(seven));
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), dumpOf(seven));
    EXPECT_TRUE(answers.Watcher().Boxes().empty()) << ::testing::PrintToString(answers.Watcher().Texts());
  }
  // Text, from the menu's "Find...": found in its UTF-16 form, with the
  // fill's controls disabled meanwhile and then the dump's own read.
  {
    dlg->EnterTableMode();
    FindAnswerer answers({{IDC_FIND_TEXT, "Block 30 of the heap target"}});
    EnableRecorder enables(dlg.Hwnd());
    const SeenMenu menu = UseContextMenu(dlg->m_blockList, MenuWay::ShiftF10, 'f');
    ASSERT_TRUE(menu.opened);
    EXPECT_EQ(menu.items.back(), "&Find...\tCtrl+F");
    EXPECT_EQ(answers.shownText, Addr(seven->address + 5)) << "the dialog opens with the last search";
    EXPECT_EQ(SelectedRowInView(dlg->m_blockList), rowOf(thirty));
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), dumpOf(thirty));
    SaveScreenshot(dlg.Hwnd(), "find-block-found");
    EXPECT_EQ(enables.Take(), (std::vector<std::string>{"-1", "-1010", "-1011", "-1000", "-1001", "+1", "+1010", "+1011",
                                                        "+1000", "+1001", "-1", "-1010", "-1011", "-1000", "+1", "+1010",
                                                        "+1011", "+1000"}));
    EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kBlockCaptionText);
    EXPECT_TRUE(answers.Watcher().Boxes().empty()) << ::testing::PrintToString(answers.Watcher().Texts());
  }
  // Bytes, and then F3 for the next text block after the one found.
  {
    FindAnswerer answers({{IDC_FIND_BYTES, HexBytes("Block 55 of the")}});
    TypeWithCtrl(dlg->m_blockList, 'F');
    EXPECT_EQ(SelectedRowInView(dlg->m_blockList), rowOf(fiftyFive));
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), dumpOf(fiftyFive));
  }
  {
    FindAnswerer answers({{IDC_FIND_TEXT, "quick brown fox"}});
    TypeWithCtrl(dlg->m_blockList, 'F');
    const int first = FirstKnownRowAfter(dlg->m_blockList, Report(), rowOf(fiftyFive), TargetBlockIsText);
    EXPECT_EQ(SelectedRowInView(dlg->m_blockList), first);
    PressF3(dlg->m_blockList);
    EXPECT_EQ(answers.opened, 1) << "F3 repeats without the dialog";
    EXPECT_EQ(SelectedRowInView(dlg->m_blockList), FirstKnownRowAfter(dlg->m_blockList, Report(), first, TargetBlockIsText));
    EXPECT_TRUE(answers.Watcher().Boxes().empty()) << ::testing::PrintToString(answers.Watcher().Texts());
  }
  ExpectDataModeAndControlsUsable(dlg);
}

TEST_F(DataView, FindBlockWrapsPassesOverFreeBlocksAndCountsUnreadableOnes) {
  // Block 30 shown as free, and one more block where nothing can be read.
  struct Restore {
    SubstituteScenario saved = SubstituteScenarioInUse();
    ~Restore() { SetSubstituteScenario(saved); }
  } restore;
  const KnownBlock* thirty = Report().FindBlock(30);
  ASSERT_NE(thirty, nullptr);
  SubstituteScenario scenario = restore.saved;
  SubstituteHeap& heap = scenario.heaps.at(0);
  uint64_t address = 0;
  for (SubstituteEntry& entry : heap.entries) {
    if (entry.flags & kScenarioSegmentFlags) {
      address = entry.address + kScenarioEntryOverhead;
      continue;
    }
    if (address == thirty->address) entry.flags = kScenarioFreeFlags;
    address += entry.size;
  }
  const uint64_t unreadable = Report().unreadableAddress;
  heap.entries.push_back({0, kScenarioSegmentFlags, unreadable - kScenarioEntryOverhead});
  heap.entries.push_back({0x40, kScenarioBusyFlags, 0});
  SetSubstituteScenario(scenario);
  OpenPrivateHeap();
  const int rows = dlg->m_blockList.GetItemCount();
  ASSERT_EQ(CellText(dlg->m_blockList, rows - 1, 1), Addr(unreadable));
  ASSERT_EQ(CellText(dlg->m_blockList, FindRow(dlg->m_blockList, 1, Addr(thirty->address)), 4), "Free");

  dlg->EnterTableMode();
  SelectRow(dlg->m_blockList, 3);
  FindAnswerer answers({{IDC_FIND_TEXT, "Block 30 of the heap target"}});
  TypeWithCtrl(dlg->m_blockList, 'F');
  FindAnswerer more({{IDC_FIND_BYTES, "DE AD BE EF 01 23 45 67 89 AB"}});
  TypeWithCtrl(dlg->m_blockList, 'F');
  FindAnswerer outside({{IDC_FIND_ADDRESS, "0x10"}});
  TypeWithCtrl(dlg->m_blockList, 'F');
  std::vector<std::string> texts = answers.Watcher().Texts();
  for (const auto* w : {&more, &outside})
    for (const std::string& text : w->Watcher().Texts()) texts.push_back(text);
  EXPECT_EQ(texts, (std::vector<std::string>{"No block of this heap holds this text. 1 blocks could not be read.",
                                             "No block of this heap holds these bytes. 1 blocks could not be read.",
                                             "No block of this heap holds this address."}));
  for (const auto* w : {&answers, &more, &outside})
    for (const CaughtMessageBox& box : w->Watcher().Boxes()) {
      EXPECT_EQ(box.caption, "Tarnwick");
      EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
    }
  EXPECT_EQ(dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED), 3) << "the selection stays";
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  EXPECT_EQ(WindowText(dlg->m_blockCaption.m_hWnd), kBlockCaptionText);

  // From the last row round to the first text block; the unreadable block's
  // address is found from the top without reading it, and its dump fails.
  SelectRow(dlg->m_blockList, rows - 1);
  FindAnswerer wrap({{IDC_FIND_TEXT, "of the heap target"}, {IDC_FIND_ADDRESS, Addr(unreadable + 0x3F)}});
  TypeWithCtrl(dlg->m_blockList, 'F');
  EXPECT_EQ(SelectedRowInView(dlg->m_blockList), FirstKnownRowAfter(dlg->m_blockList, Report(), rows - 1, TargetBlockIsText));
  TypeWithCtrl(dlg->m_blockList, 'F');
  EXPECT_EQ(SelectedRowInView(dlg->m_blockList), rows - 1);
  EXPECT_EQ(ListBoxLines(dlg->m_dataList), std::vector<std::string>{kDumpReadFailed});
  EXPECT_TRUE(wrap.Watcher().Boxes().empty()) << ::testing::PrintToString(wrap.Watcher().Texts());
  ExpectDataModeAndControlsUsable(dlg);
}

TEST_F(DataView, FindBlockInputThatCannotBeSearchedKeepsTheDialogOpen) {
  OpenPrivateHeap();
  dlg->EnterTableMode();
  SelectRow(dlg->m_blockList, 2);
  // F3 before any search opens the dialog.
  FindAnswerer answers({{IDC_FIND_ADDRESS, "0x12345678 9"},
                        {IDC_FIND_ADDRESS, ""},
                        {IDC_FIND_BYTES, "DE AD B"},
                        {IDC_FIND_BYTES, "0xDE"},
                        {IDC_FIND_TEXT, ""}});
  PressF3(dlg->m_blockList);
  EXPECT_EQ(answers.opened, 1);
  const std::string address = FindAddressExample(kProgramWidth);
  EXPECT_EQ(answers.Watcher().Texts(), (std::vector<std::string>{address, address, kFindBytesExample, kFindBytesExample,
                                                                 kFindTextMissing}));
  for (const CaughtMessageBox& box : answers.Watcher().Boxes()) EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible()) << "nothing was searched";

  // Cancelled, so F3 still has no search to repeat.
  FindAnswerer again({});
  PressF3(dlg->m_blockList);
  EXPECT_EQ(again.opened, 1);
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
