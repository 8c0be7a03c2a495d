// Find Block in the real dialog against the running target: an address,
// bytes or a text found and dumped as a click would, from the keyboard and
// the block table's menu, F3, wrapping, free and unreadable blocks, and
// input that keeps the dialog open.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CopyDriver.h"
#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "heap/HeapItems.h"
#include "blockdata/DumpLines.h"
#include "blockdata/FindBlock.h"
#include "heap/TableText.h"
#include "support/DataViewFixture.h"
#include "support/TableRows.h"
#include "target/BlockPattern.h"

namespace {
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

// The selected row, when it is also focused and in view.
int SelectedRowInView(const CListCtrl& list) {
  const int row = ShownSelection(list);
  return row != -1 && list.GetNextItem(-1, LVNI_FOCUSED) == row && RowInView(list, row) ? row : -1;
}


// The data view's fixture: a search ends in the dump of what it found.
class FindBlock : public DataView {};

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

TEST_F(FindBlock, FindsAnAddressBytesAndTextAndDumpsWhatItFound) {
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
    EXPECT_EQ(menu.items.at(2), "&Find...\tCtrl+F");
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

TEST_F(FindBlock, WrapsPassesOverFreeBlocksAndCountsUnreadableOnes) {
  // Block 30 shown as free, and one more block where nothing can be read.
  struct Restore {
    SubstituteScenario saved = SubstituteScenarioInUse();
    ~Restore() { SetSubstituteScenario(saved); }
  } restore;
  const KnownBlock* thirty = Report().FindBlock(30);
  ASSERT_NE(thirty, nullptr);
  SubstituteScenario scenario = restore.saved;
  SubstituteHeap& heap = scenario.heaps.at(0);
  for (SubstituteItem& item : heap.items)
    if (item.type == kHeapItemBlock && item.address == thirty->address) item.flags = 0;
  const uint64_t unreadable = Report().unreadableAddress;
  heap.items.push_back({kHeapItemBlock, unreadable, 0x40, 0, kItemBlockBusy, 8, false});
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

TEST_F(FindBlock, InputThatCannotBeSearchedKeepsTheDialogOpen) {
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

}  // namespace
