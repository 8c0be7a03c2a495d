// Every text of the program's windows shows whole: at the DPI this process
// started with (TextFit, 96 in the usual run), and at 120, 144 and 192 in
// second instances of this exe started at those (Dpi). Each window is
// measured as the user meets it and kept as a picture named with its DPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "ChildProcess.h"
#include "DialogWatcher.h"
#include "TextFit.h"
#include "controls/DpiScale.h"
#include "framework/WinApp.h"
#include "support/BlockTableFixture.h"

namespace {
using Texts = std::vector<std::string>;

std::string ShotName(const std::string& window) { return window + "-" + std::to_string(ProcessDpi()) + "dpi"; }

// The first dialog a handler opens on this thread, given to `look` once it
// has painted, then cancelled.
class ModalLook {
 public:
  explicit ModalLook(std::function<void(HWND)> look)
      : m_look(std::move(look)), m_watcher([this](HWND window) { return OnDialog(window); }) {
    s_current = this;
  }
  ~ModalLook() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    s_current = nullptr;
  }
  ModalLook(const ModalLook&) = delete;
  ModalLook& operator=(const ModalLook&) = delete;
  int looked = 0;

 private:
  bool OnDialog(HWND window) {
    if (IsMessageBox(window)) return false;
    // Its owner, activated again when it has gone, is not taken.
    if (m_dialog == nullptr && ::GetWindow(window, GW_OWNER) != nullptr) {
      m_dialog = window;
      m_timer = ::SetTimer(nullptr, 0, 300, &ModalLook::Tick);
    }
    return true;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    ModalLook* self = s_current;
    if (self == nullptr || !::IsWindow(self->m_dialog)) return;
    self->m_timer = 0;
    self->m_look(self->m_dialog);
    ++self->looked;
    ::PostMessageA(self->m_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

  static inline ModalLook* s_current = nullptr;
  std::function<void(HWND)> m_look;
  HWND m_dialog = nullptr;
  UINT_PTR m_timer = 0;
  DialogWatcher m_watcher;
};

// The main dialog as the application's main window (so the About box is
// owned by it), with a heap of busy and free blocks over this process's own
// memory, so that a block's dump reads it.
class TextFit : public BlockTable {
 protected:
  void SetUp() override {
    BlockTable::SetUp();
    m_app.m_pMainWnd = &*dlg;
    m_pages = ::VirtualAlloc(nullptr, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(m_pages, nullptr);
    m_base = reinterpret_cast<uintptr_t>(m_pages);
    m_entries = {Segment(m_base + 0x580), Block(0x20, 1), Block(0x40, 1), Block(0x200, 0x100), Block(0x20, 1)};
    ChooseWith({Heap(m_base, m_entries)});
    ClickNode(0);
    ASSERT_EQ(dlg->m_blockList.GetItemCount(), 4);
  }
  void TearDown() override {
    BlockTable::TearDown();
    m_app.m_pMainWnd = nullptr;
    if (m_pages != nullptr) ::VirtualFree(m_pages, 0, MEM_RELEASE);
  }
  // A mark, then a fill with a block freed and one more: changes to show.
  void MarkAndChange() {
    dlg->MarkBlocks();
    m_entries[1].flags = 0x100;
    m_entries.push_back(Block(0x40, 1));
    SubstituteScenario scenario;
    scenario.heaps = {Heap(m_base, m_entries)};
    scenario.onlyProcessId = ::GetCurrentProcessId();
    SetSubstituteScenario(scenario);
    ClickNode(0);
  }
  // Opens a dialog with `open`; its cut texts (both views of the changes).
  Texts CutTextsOfModal(const std::function<void()>& open, const std::string& shot) {
    Texts cuts;
    ModalLook look([&](HWND window) {
      cuts = CutTexts(window);
      EXPECT_TRUE(SaveScreenshot(window, ShotName(shot)));
      // The About box's emblem is drawn at the DPI (82 x 88 pixels at 96).
      if (HWND logo = ::GetDlgItem(window, IDC_ABOUT_LOGO)) {
        RECT rect;
        ::GetClientRect(logo, &rect);
        EXPECT_EQ(rect.right, ScaleForDpi(82, ProcessDpi()));
      }
      if (HWND byType = ::GetDlgItem(window, IDC_BY_TYPE)) {
        ::SendMessageA(byType, BM_CLICK, 0, 0);
        for (std::string& cut : CutTexts(window)) cuts.push_back("by type: " + std::move(cut));
      }
    });
    open();
    EXPECT_EQ(look.looked, 1) << shot;
    return cuts;
  }

 private:
  CWinApp m_app;
  void* m_pages = nullptr;
  uintptr_t m_base = 0;
  std::vector<SubstituteEntry> m_entries;
};
}  // namespace

TEST_F(TextFit, MainDialogWithTheTablesAndWithABlocksDump) {
  EXPECT_EQ(CutTexts(dlg.Hwnd()), Texts{});
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), ShotName("main-dialog")));
  dlg.ClickRow(dlg->m_blockList, 1);
  ASSERT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_EQ(CutTexts(dlg.Hwnd()), Texts{});
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), ShotName("main-dialog-data")));
}

TEST_F(TextFit, AboutFindBlockSizesTypesAndChanges) {
  const HWND main = dlg.Hwnd();
  EXPECT_EQ(CutTextsOfModal([&] { ::SendMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }, "about-box"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenFindBlock(); }, "find-block"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenBlockSizes(); }, "block-sizes"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenBlockTypes(); }, "block-types"), Texts{});
  MarkAndChange();
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenChangesSinceMark(); }, "changes-since-mark"), Texts{});
}

// The measure itself: a text made too long for its control is listed,
// whether it wraps (a static), runs over (an owner-drawn caption after its
// icon) or is a column title.
TEST_F(TextFit, TextsMadeTooLongAreListed) {
  HWND label = ::GetWindow(dlg->m_refreshButton.m_hWnd, GW_HWNDNEXT);
  ::SetWindowTextA(label, "Process Name and more :");
  ::SetWindowTextA(dlg->m_refreshButton.m_hWnd, "&Refresh the list");
  char title[] = "Block Index and more";
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT;
  column.pszText = title;
  dlg->m_blockList.SendMessage(LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  const Texts cuts = CutTexts(dlg.Hwnd());
  for (const std::string start : {"1 \"&Refresh the list\"", "1002 column 0 ", "-1 \"Process Name and more :\""}) {
    const auto listed = [&](const std::string& cut) { return cut.rfind(start, 0) == 0; };
    EXPECT_TRUE(std::any_of(cuts.begin(), cuts.end(), listed)) << start << "\n" << ::testing::PrintToString(cuts);
  }
}

// The same windows in a process of each DPI: the templates grow with it,
// and so must everything the program sizes in pixels (DataView's test of
// the sizes, and of a move to another DPI, runs there too).
TEST(Dpi, TextsFitAndSizesFollowAt120And144And192) {
  for (const int dpi : {120, 144, 192}) {
    EXPECT_EQ(RunTestsAtDpi(dpi, "TextFit.*:DataView.SizesFollow*-TextFit.TextsMadeTooLong*"), 0) << dpi << " DPI";
  }
}
