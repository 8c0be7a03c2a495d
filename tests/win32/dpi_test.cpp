// The program's windows at the DPI this process started with (AtThisDpi, 96
// in the usual run), and at 120, 144 and 192 in second instances of this
// exe started at those (Dpi): every text shows whole, each window measured
// as the user meets it and kept as a picture named with its DPI; the fonts,
// columns and icons the main window sizes itself follow the DPI, and a move
// to a screen of another DPI (WM_DPICHANGED) makes them again without
// losing the rows, the selection, the scroll or the dump. Wine sends no
// such message and lays out no template again for one sent: only what the
// program sizes itself is checked after a move.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "ChildProcess.h"
#include "DialogWatcher.h"
#include "TextFit.h"
#include "blockdata/SelectedBlock.h"
#include "framework/Dpi.h"
#include "framework/WinApp.h"
#include "shell/DialogTables.h"
#include "support/BlockTableFixture.h"

namespace {
using Texts = std::vector<std::string>;

int FontHeight(HFONT font) {
  LOGFONTA font_info{};
  return ::GetObjectA(font, sizeof font_info, &font_info) != 0 ? font_info.lfHeight : 0;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  ::GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// Fails where a size stays at 96 DPI's (or at the DPI before a change).
void ExpectSizesAt(CTarnwickDlg& dlg, unsigned dpi) {
  SCOPED_TRACE(dpi);
  EXPECT_EQ(dlg.Dpi(), dpi);
  EXPECT_EQ(FontHeight(dlg.m_titleFont), ScaleForDpi(kTitleFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_subtitleFont), ScaleForDpi(kSubtitleFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_captionFont), ScaleForDpi(kCaptionFont.height, dpi));
  EXPECT_EQ(FontHeight(dlg.m_dataFont), ScaleForDpi(kDataFont.height, dpi));
  // Columns no fit to the font changes.
  EXPECT_NEAR(dlg.m_nodeList.GetColumnWidth(2), ScaleForDpi(kNodeColumns[2].width, dpi), 1);
  EXPECT_NEAR(dlg.m_blockList.GetColumnWidth(2), ScaleForDpi(kBlockColumns[2].width, dpi), 1);
  for (const CQorButton* button : {&dlg.m_refreshButton, &dlg.m_closeDataButton, &dlg.m_saveDataButton})
    EXPECT_EQ(IconWidth(button->Image()), ScaleForDpi(20, dpi));
  // The dump's longest line keeps its room in the data view's new font.
  const std::vector<std::string> lines = ListBoxLines(dlg.m_dataList);
  if (lines.size() > 2) {
    EXPECT_GE(dlg.m_dataList.GetColumnWidth(0), dlg.m_dataList.GetStringWidth(lines[2].c_str()));
  }
}

void MoveToDpi(HWND window, unsigned dpi, unsigned from) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  rect.right = rect.left + RescaleForDpi(rect.right - rect.left, from, dpi);
  rect.bottom = rect.top + RescaleForDpi(rect.bottom - rect.top, from, dpi);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  PumpMessages(50);
  RECT now;
  ::GetWindowRect(window, &now);
  EXPECT_TRUE(::EqualRect(&now, &rect)) << "the window takes the suggested rectangle";
}

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
class AtThisDpi : public BlockTable {
 protected:
  void SetUp() override {
    BlockTable::SetUp();
    m_app.m_pMainWnd = &*dlg;
    m_pages = ::VirtualAlloc(nullptr, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(m_pages, nullptr);
    m_base = reinterpret_cast<uintptr_t>(m_pages);
    // More rows than the table shows, and a block of more lines than the
    // data view shows.
    m_entries = {Segment(m_base + 0x580), Block(0x20, 1), Block(0x40, 1), Block(0x200, 0x100), Block(0x20, 1)};
    m_entries.insert(m_entries.end(), 30, Block(0x200, 1));
    ChooseWith({Heap(m_base, m_entries)});
    ClickNode(0);
    ASSERT_EQ(dlg->m_blockList.GetItemCount(), 34);
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

TEST_F(AtThisDpi, TextsFitInTheMainDialogWithTheTablesAndWithADump) {
  EXPECT_EQ(CutTexts(dlg.Hwnd()), Texts{});
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), ShotName("main-dialog")));
  dlg.ClickRow(dlg->m_blockList, 1);
  ASSERT_TRUE(dlg->m_dataList.IsWindowVisible());
  EXPECT_EQ(CutTexts(dlg.Hwnd()), Texts{});
  EXPECT_TRUE(SaveScreenshot(dlg.Hwnd(), ShotName("main-dialog-data")));
}

TEST_F(AtThisDpi, TextsFitInAboutFindBlockSizesTypesAndChanges) {
  const HWND main = dlg.Hwnd();
  EXPECT_EQ(CutTextsOfModal([&] { ::SendMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }, "about-box"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenFindBlock(); }, "find-block"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenBlockSizes(); }, "block-sizes"), Texts{});
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenBlockTypes(); }, "block-types"), Texts{});
  MarkAndChange();
  EXPECT_EQ(CutTextsOfModal([&] { dlg->OpenChangesSinceMark(); }, "changes-since-mark"), Texts{});
}

TEST_F(AtThisDpi, SizesFollowTheDpiAndAMoveToAnotherKeepsRowsSelectionScrollAndDump) {
  const unsigned startDpi = WindowDpi(dlg.Hwnd());
  const int row = dlg->m_blockList.GetItemCount() - 1;
  dlg->m_blockList.EnsureVisible(row, FALSE);
  dlg.ClickRow(dlg->m_blockList, row);
  const std::vector<std::string> dump = ListBoxLines(dlg->m_dataList);
  ASSERT_EQ(dump.size(), 34u);
  dlg->m_dataList.EnsureVisible(static_cast<int>(dump.size()) - 1, FALSE);
  dlg->m_blockList.Scroll(100, 0);
  const int blockLeft = dlg->m_blockList.GetScrollPos(SB_HORZ);
  ASSERT_GT(blockLeft, 0);
  const int blockTop = dlg->m_blockList.GetTopIndex();
  const int dataTop = dlg->m_dataList.GetTopIndex();
  ASSERT_GT(dataTop, 0);
  const auto table = AllRows(dlg->m_blockList);
  ExpectSizesAt(*dlg, startDpi);

  unsigned from = startDpi;
  for (const unsigned dpi : {144u, 96u}) {
    MoveToDpi(dlg.Hwnd(), dpi, from);
    from = dpi;
    ExpectSizesAt(*dlg, dpi);
    EXPECT_EQ(AllRows(dlg->m_blockList), table);
    EXPECT_EQ(SelectedRow(dlg->m_blockList), row);
    EXPECT_EQ(ListBoxLines(dlg->m_dataList), dump);
    EXPECT_TRUE(dlg->m_dataList.IsWindowVisible());
    // The horizontal scroll keeps its share, as far as the columns reach.
    SCROLLINFO range = {sizeof range, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(dlg->m_blockList.m_hWnd, SB_HORZ, &range);
    const int reach = std::max(range.nMax - static_cast<int>(range.nPage) + 1, 0);
    EXPECT_NEAR(dlg->m_blockList.GetScrollPos(SB_HORZ), std::min(RescaleForDpi(blockLeft, startDpi, dpi), reach), 2);
    // The top rows stay where the view can still scroll to them.
    for (const auto& [list, top] : {std::pair{&dlg->m_blockList, blockTop}, std::pair{&dlg->m_dataList, dataTop}}) {
      const int last = list->GetItemCount() - static_cast<int>(list->SendMessage(LVM_GETCOUNTPERPAGE));
      EXPECT_EQ(list->GetTopIndex(), std::min(top, std::max(last, 0))) << ::GetDlgCtrlID(list->m_hWnd);
    }
  }
}

// The measure itself: a text made too long for its control is listed,
// whether it wraps (a static), runs over (an owner-drawn caption after its
// icon) or is a column title.
TEST_F(AtThisDpi, TextsMadeTooLongAreListed) {
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
// and so must everything the program sizes in pixels.
TEST(Dpi, TextsFitAndSizesFollowAt120And144And192) {
  for (const int dpi : {120, 144, 192}) {
    EXPECT_EQ(RunTestsAtDpi(dpi, "AtThisDpi.*-AtThisDpi.TextsMadeTooLong*"), 0) << dpi << " DPI";
  }
}
