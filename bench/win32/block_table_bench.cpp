// Fill speed of the block table under Wine. A bare report list view filled
// with the same 100,000 rows (redraw off, one invalidation, texts made
// beforehand) sets the floor; then the dialog's own click handler fills its
// block table from a substitute heap of 100,000 blocks. Also timed: the
// deletion of those rows, which is how the next fill begins, and sorting
// the filled table by clicks on its headers (Block Size ascending, again for
// descending, then Block Address ascending). One more fill
// has the screen grabbed mid-fill, to show that the progress text gets there.
//
//   block_table_bench.exe [rounds]        (TARNWICK_ARTIFACTS: where the
//                                          screenshot goes, default ".")
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "LiveDialog.h"
#include "SubstituteHeapQuery.h"
#include "shell/TableSort.h"
#include "support/TableRows.h"

namespace {
constexpr int kBlocks = 100000;
constexpr uint32_t kHeapBase = 0x00150000;
constexpr int kColumns = 5;
constexpr int kColumnWidths[kColumns] = {80, 120, 120, 100, 140};

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A segment, then blocks of varying size; every seventh one free.
SubstituteHeap BenchHeap() {
  SubstituteHeap heap;
  heap.baseAddress = kHeapBase;
  heap.flags = 0x2;
  heap.entryOverhead = 8;
  heap.entries.reserve(kBlocks + 1);
  heap.entries.push_back({0x01000000, 0x0002, kHeapBase + 0x580});
  for (int i = 0; i < kBlocks; ++i)
    heap.entries.push_back(
        {static_cast<uint32_t>(0x10 + 8 * (i % 13)), static_cast<uint16_t>(i % 7 ? 0x0001 : 0x0100), 0});
  return heap;
}

// The rows the dialog is expected to show for BenchHeap, made up front.
std::vector<std::array<std::string, kColumns>> ExpectedRows(const SubstituteHeap& heap) {
  std::vector<std::array<std::string, kColumns>> rows;
  uint64_t address = heap.entries[0].address + heap.entryOverhead;
  for (size_t i = 1; i < heap.entries.size(); ++i) {
    const SubstituteEntry& entry = heap.entries[i];
    const bool free = entry.flags == 0x0100;
    std::array<std::string, kColumns> row;
    row[0] = std::to_string(i);
    row[1] = Addr(address);
    row[2] = Hex(entry.size);
    row[3] = free ? "Not applicable" : "FIXED";
    row[4] = free ? "Free" : "Allocated";
    rows.push_back(row);
    address += entry.size;
  }
  return rows;
}

int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM data) {
  const uint32_t* rank = reinterpret_cast<const uint32_t*>(data);
  return rank[a] < rank[b] ? -1 : (rank[a] > rank[b] ? 1 : 0);
}

// The rank of each walk index when the rows are sorted by the column.
std::vector<uint32_t> RanksBy(const std::vector<std::array<std::string, kColumns>>& rows, int column, bool descending) {
  std::vector<KeyedRow> keyed;
  for (size_t r = 0; r < rows.size(); ++r)
    keyed.push_back({static_cast<uint32_t>(r), MakeSortKey(ColumnKind::Hex, rows[r][column].c_str())});
  return RanksOf(SortedOrder(keyed, descending).value_or(std::vector<uint32_t>{}));
}

// The floor: a visible top-level window holding a plain report list view
// with the block table's columns and extended styles, filled the cheapest
// way: no window of ours between the list view and the caller.
class BareList {
 public:
  BareList() {
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = &::DefWindowProcA;
    frameClass.hInstance = ::GetModuleHandleA(nullptr);
    frameClass.lpszClassName = "TarnwickBenchFrame";
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    ::RegisterClassA(&frameClass);
    m_frame = ::CreateWindowExA(0, "TarnwickBenchFrame", "bare list view", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800,
                                600, nullptr, nullptr, frameClass.hInstance, nullptr);
    m_list = ::CreateWindowExA(0, WC_LISTVIEWA, "",
                               WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 10,
                               10, 760, 520, m_frame, nullptr, frameClass.hInstance, nullptr);
    ::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, 0x4421);
    for (int c = 0; c < kColumns; ++c) {
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = LVCFMT_LEFT;
      column.cx = kColumnWidths[c];
      column.pszText = const_cast<char*>("column");
      ::SendMessageA(m_list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    PumpMessages(50);
  }
  BareList(const BareList&) = delete;
  BareList& operator=(const BareList&) = delete;
  ~BareList() {
    ::DestroyWindow(m_frame);
    PumpMessages();
  }

  double Fill(const std::vector<std::array<std::string, kColumns>>& rows) {
    const Clock::time_point start = Clock::now();
    ::SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(m_list, LVM_SETITEMCOUNT, rows.size(), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = static_cast<int>(r);
      item.lParam = static_cast<LPARAM>(r);
      item.pszText = const_cast<char*>(rows[r][0].c_str());
      ::SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      for (int c = 1; c < kColumns; ++c) {
        item.iSubItem = c;
        item.pszText = const_cast<char*>(rows[r][c].c_str());
        ::SendMessageA(m_list, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
      }
    }
    Reveal();
    return SecondsSince(start);
  }

  // The floor of a sort: the list view reorders its items by ranks known
  // beforehand, one lookup a comparison.
  double Sort(const std::vector<uint32_t>& rank) {
    const Clock::time_point start = Clock::now();
    ::SendMessageA(m_list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(rank.data()),
                   reinterpret_cast<LPARAM>(&CompareByRank));
    ::InvalidateRect(m_list, nullptr, TRUE);
    ::UpdateWindow(m_list);
    return SecondsSince(start);
  }

  double DeleteAll() {
    const Clock::time_point start = Clock::now();
    ::SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    Reveal();
    return SecondsSince(start);
  }

  int Count() const { return static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0)); }

 private:
  void Reveal() {
    ::SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_list, nullptr, TRUE);
    ::UpdateWindow(m_list);
  }
  HWND m_frame = nullptr;
  HWND m_list = nullptr;
};

// Counts the caption's texts and calls back on each one, before the caption
// itself sees it; its window procedure is replaced for the object's life.
class CaptionHook {
 public:
  using OnText = std::function<void(int count, const char* text)>;
  CaptionHook(HWND caption, OnText onText) : m_caption(caption), m_onText(std::move(onText)) {
    s_current = this;
    m_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptionHook::Proc)));
  }
  CaptionHook(const CaptionHook&) = delete;
  CaptionHook& operator=(const CaptionHook&) = delete;
  ~CaptionHook() {
    ::SetWindowLongPtrA(m_caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    s_current = nullptr;
  }
  int count = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CaptionHook& self = *s_current;
    if (message == WM_SETTEXT) {
      ++self.count;
      if (self.m_onText) self.m_onText(self.count, reinterpret_cast<const char*>(lParam));
    }
    return ::CallWindowProcA(self.m_previous, window, message, wParam, lParam);
  }
  static inline CaptionHook* s_current = nullptr;
  HWND m_caption;
  WNDPROC m_previous = nullptr;
  OnText m_onText;
};

// What the X server shows of the window right now, taken from outside the
// program by ImageMagick's import (run under Wine as a Unix program), so a
// text that Wine has drawn but not yet put on the screen does not show. The
// grabber's process can't be waited for; the picture appears under its name
// once complete. Gives the PNG's Unix path, or "" when none came.
std::string GrabScreenFromOutside(HWND window, const std::string& name) {
  std::string dir = ArtifactsDir();
  if (dir.rfind("Z:", 0) == 0 || dir.rfind("z:", 0) == 0) dir.erase(0, 2);
  for (char& c : dir)
    if (c == '\\') c = '/';
  const std::string path = dir + "/" + name + ".png";
  ::DeleteFileA(("Z:" + path).c_str());
  RECT rect;
  ::GetWindowRect(window, &rect);
  char command[1024];
  std::snprintf(
      command, sizeof command,
      "/bin/sh -c \"import -window root -crop %ldx%ld+%ld+%ld +repage '%s.part.png' && mv '%s.part.png' '%s'\"",
      rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top, path.c_str(), path.c_str(), path.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA("Z:\\bin\\sh", command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return {};
  if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
  if (info.hThread != nullptr) ::CloseHandle(info.hThread);
  for (int i = 0; i < 200; ++i) {
    if (::GetFileAttributesA(("Z:" + path).c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    ::Sleep(50);
  }
  return {};
}

// The node list's row 0 selected and its click delivered to the dialog, as
// the list view raises it; timed until the block list has painted.
double ClickFirstNode(LiveDialog& dlg) {
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  dlg->m_nodeList.SendMessage(LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  NMHDR click = {dlg->m_nodeList.m_hWnd, IDC_NODE_LIST, static_cast<UINT>(NM_CLICK)};
  const Clock::time_point start = Clock::now();
  ::SendMessageA(dlg.Hwnd(), WM_NOTIFY, IDC_NODE_LIST, reinterpret_cast<LPARAM>(&click));
  dlg->m_blockList.UpdateWindow();
  return SecondsSince(start);
}

bool RowsMatch(const CListCtrl& list, const std::vector<std::array<std::string, kColumns>>& rows) {
  if (list.GetItemCount() != static_cast<int>(rows.size())) return false;
  for (size_t r : {size_t{0}, size_t{1}, size_t{6}, rows.size() / 2, rows.size() - 1})
    for (int c = 0; c < kColumns; ++c)
      if (CellText(list, static_cast<int>(r), c) != rows[r][c]) return false;
  return true;
}

// A click on the block list's header of `column`, timed until the list has
// painted the rows it now shows.
double ClickBlockHeader(LiveDialog& dlg, int column) {
  const Clock::time_point start = Clock::now();
  ClickHeader(dlg->m_blockList, column);
  dlg->m_blockList.UpdateWindow();
  return SecondsSince(start);
}

// The rows shown are ordered by the hex column (0 would be walk order),
// looked at in every row through the rows kept beside the table, and in a
// few rows through the list view's own texts.
bool SortedBy(LiveDialog& dlg, int column, bool descending) {
  const BlockRows& kept = dlg->m_blockRows;
  const CListCtrl& list = dlg->m_blockList;
  if (kept.Count() != static_cast<size_t>(kBlocks) || list.GetItemCount() != kBlocks) return false;
  const auto value = [&](size_t p) { return column == 1 ? kept.Shown(p).address : kept.Shown(p).size; };
  for (size_t p = 1; p < kept.Count(); ++p)
    if (descending ? value(p - 1) < value(p) : value(p - 1) > value(p)) return false;
  for (size_t p : {size_t{0}, kept.Count() / 2, kept.Count() - 1})
    if (CellText(list, static_cast<int>(p), column) != (column == 1 ? Addr(value(p)) : Hex(value(p)))) return false;
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  const SubstituteHeap heap = BenchHeap();
  const auto rows = ExpectedRows(heap);
  SubstituteScenario scenario;
  scenario.heaps = {heap};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  SubstituteScenario emptyHeap = scenario;
  emptyHeap.heaps[0].entries.clear();

  const std::vector<uint32_t> ranks[3] = {RanksBy(rows, 2, false), RanksBy(rows, 2, true), RanksBy(rows, 1, false)};
  std::vector<double> bareFill, bareDelete, dialogFill, dialogDelete, sizeUp, sizeDown, addressUp;
  std::vector<double> bareSorts[3];
  bool ok = true;
  int captionTexts = 0;
  for (int round = 0; round < rounds; ++round) {
    {
      BareList bare;
      bareFill.push_back(bare.Fill(rows));
      ok = ok && bare.Count() == kBlocks;
      for (int i = 0; i < 3; ++i) bareSorts[i].push_back(bare.Sort(ranks[i]));
      bareDelete.push_back(bare.DeleteAll());
    }
    LiveDialog dlg;
    dlg.UseSubstituteService();
    SetSubstituteScenario(scenario);
    ok = ok && dlg.ChooseProcessId(::GetCurrentProcessId()) && dlg->m_nodeList.GetItemCount() == 1;
    {
      CaptionHook hook(dlg->m_blockCaption.m_hWnd, {});
      dialogFill.push_back(ClickFirstNode(dlg));
      captionTexts = hook.count;
    }
    ok = ok && RowsMatch(dlg->m_blockList, rows);
    // Sorting: by size from walk order, the same header again, then by
    // address (walk order again, by a different road than a fill).
    sizeUp.push_back(ClickBlockHeader(dlg, 2));
    ok = ok && SortedBy(dlg, 2, false);
    sizeDown.push_back(ClickBlockHeader(dlg, 2));
    ok = ok && SortedBy(dlg, 2, true);
    addressUp.push_back(ClickBlockHeader(dlg, 1));
    ok = ok && SortedBy(dlg, 1, false);
    // The next fill begins by deleting every row; this heap has no block.
    SetSubstituteScenario(emptyHeap);
    dialogDelete.push_back(ClickFirstNode(dlg));
    ok = ok && dlg->m_blockList.GetItemCount() == 0;
    std::printf(
        "round %d: bare fill %.3f s, dialog fill %.3f s, bare delete %.3f s, dialog delete+refill %.3f s, "
        "sorts bare/dialog: size up %.3f/%.3f s, down %.3f/%.3f s, address up %.3f/%.3f s\n",
        round + 1, bareFill.back(), dialogFill.back(), bareDelete.back(), dialogDelete.back(), bareSorts[0].back(),
        sizeUp.back(), bareSorts[1].back(), sizeDown.back(), bareSorts[2].back(), addressUp.back());
    std::fflush(stdout);
  }

  // Untimed: the screen as the program left it while the fill runs, taken
  // when the caption gets its text for row 50,025, i.e. showing row 50,000.
  std::string screenshot;
  {
    LiveDialog dlg;
    dlg.UseSubstituteService();
    SetSubstituteScenario(scenario);
    dlg.ChooseProcessId(::GetCurrentProcessId());
    PumpMessages(200);
    CaptionHook hook(dlg->m_blockCaption.m_hWnd, [&](int count, const char*) {
      if (count == 50025 / 25) screenshot = GrabScreenFromOutside(dlg.Hwnd(), "block-fill-progress");
    });
    ClickFirstNode(dlg);
  }
  SetSubstituteScenario({});

  const double floor = Median(bareFill);
  const double fill = Median(dialogFill);
  std::printf("rows %d x %d cells, %d rounds (medians)\n", kBlocks, kColumns, rounds);
  std::printf("(a) bare list view fill:      %.3f s\n", floor);
  std::printf("(b) dialog block-table fill:  %.3f s  (%.2f x the floor; goal <= 1.2 x and <= 1.5 s)\n", fill,
              fill / floor);
  std::printf("caption texts during a fill:  %d (%d progress + the final caption)\n", captionTexts, captionTexts - 1);
  std::printf("bare delete of all rows:      %.3f s\n", Median(bareDelete));
  std::printf("dialog delete + empty refill: %.3f s\n", Median(dialogDelete));
  std::printf("sorts (bare LVM_SORTITEMS by ready ranks / dialog header click; goal <= 0.5 s):\n");
  std::printf("  Block Size, ascending:       %.3f / %.3f s\n", Median(bareSorts[0]), Median(sizeUp));
  std::printf("  same header, descending:     %.3f / %.3f s\n", Median(bareSorts[1]), Median(sizeDown));
  std::printf("  then Block Address, asc.:    %.3f / %.3f s\n", Median(bareSorts[2]), Median(addressUp));
  std::printf("mid-fill screenshot:          %s\n", screenshot.empty() ? "not taken" : screenshot.c_str());
  std::printf("rows as expected:             %s\n", ok ? "yes" : "NO");
  return ok && captionTexts == kBlocks / 25 + 1 ? 0 : 1;
}
