// The block table under Wine at 100,000 and 1,000,000 blocks.
//
// Floors, in the same run:
//   - a bare report list view filled with 100,000 rows (redraw off, one
//     invalidation, texts made beforehand), sorted by LVM_SORTITEMS with
//     ranks known beforehand, and its rows deleted: the control the table
//     was before it held only a row count. A million rows would take that
//     control minutes to delete, so it is filled with 100,000 only;
//   - a bare owner-data list view shaped like the block list, given each
//     size's row count and then 0, each timed until it has painted.
//
// The dialog, at each size: its own click handler fills the block table
// from a substitute heap, timed until the list has painted. The substitute
// lays the whole answer out inside its query call, which the system's
// service does in the inspected process, so that call's time is measured
// and the fill is told without it ("from the query's answer to the table
// shown") as well as the whole click. Then header clicks sort the filled
// table (Block Size ascending, again for descending, then Block Address
// ascending) with a row selected in the middle, each timed until the list
// has painted, and the table is emptied as the next fill begins
// (ClearBlockTable) and repainted. The caption's texts during a fill are
// checked: progress only for rising multiples of 25 rows, the table's own
// text last. Before the timed rounds, the working set is read around a
// million-block fill; after them one more million-block fill has the screen
// grabbed once a progress text has been painted, if the fill shows one.
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
#include <utility>
#include <vector>

#include "LiveDialog.h"
#include "SubstituteHeapQuery.h"
#include "heap/QueryAnswer.h"
#include "heap/TableText.h"
#include "shell/TableSort.h"
#include "support/TableRows.h"

// After windows.h, which the dialog's headers bring.
#include <psapi.h>

namespace {
constexpr int kBareRows = 100000;
constexpr int kSizes[] = {100000, 1000000};
constexpr int kMillion = 1000000;
constexpr uint32_t kHeapBase = 0x00150000;
constexpr int kColumns = 5;
constexpr int kColumnWidths[kColumns] = {80, 120, 120, 100, 140};

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A segment, then blocks of varying size; every seventh one free.
SubstituteHeap BenchHeap(int blocks) {
  SubstituteHeap heap;
  heap.baseAddress = kHeapBase;
  heap.flags = 0x2;
  heap.entryOverhead = 8;
  heap.entries.reserve(static_cast<size_t>(blocks) + 1);
  heap.entries.push_back({0x01000000, 0x0002, kHeapBase + 0x580});
  for (int i = 0; i < blocks; ++i)
    heap.entries.push_back(
        {static_cast<uint32_t>(0x10 + 8 * (i % 13)), static_cast<uint16_t>(i % 7 ? 0x0001 : 0x0100), 0});
  return heap;
}

using CellTexts = std::array<std::string, kColumns>;

// The texts the dialog is expected to show in walk row `r` of BenchHeap;
// `addresses` are the blocks' addresses in walk order.
CellTexts ExpectedRow(const SubstituteHeap& heap, const std::vector<uint64_t>& addresses, size_t r) {
  const SubstituteEntry& entry = heap.entries[r + 1];
  const bool free = entry.flags == 0x0100;
  return {std::to_string(r + 1), Addr(addresses[r]), Hex(entry.size), free ? "Not applicable" : "FIXED",
          free ? "Free" : "Allocated"};
}

std::vector<uint64_t> BlockAddresses(const SubstituteHeap& heap) {
  std::vector<uint64_t> addresses;
  addresses.reserve(heap.entries.size() - 1);
  uint64_t address = heap.entries[0].address + heap.entryOverhead;
  for (size_t i = 1; i < heap.entries.size(); ++i) {
    addresses.push_back(address);
    address += heap.entries[i].size;
  }
  return addresses;
}

int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM data) {
  const uint32_t* rank = reinterpret_cast<const uint32_t*>(data);
  return rank[a] < rank[b] ? -1 : (rank[a] > rank[b] ? 1 : 0);
}

// The rank of each walk index when the rows are sorted by the column.
std::vector<uint32_t> RanksBy(const std::vector<CellTexts>& rows, int column, bool descending) {
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

  double Fill(const std::vector<CellTexts>& rows) {
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

// The floor of showing and emptying an owner-data table: a plain owner-data
// report list view shaped like the dialog's block list (its size, columns,
// font and extended styles, so it shows the same scroll bars) in a visible
// top-level window of its own, whose procedure answers each cell from the
// row number alone.
class BareOwnerData {
 public:
  explicit BareOwnerData(const CListCtrl& like) {
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = &BareOwnerData::FrameProc;
    frameClass.hInstance = ::GetModuleHandleA(nullptr);
    frameClass.lpszClassName = "TarnwickBenchOwnerDataFrame";
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    ::RegisterClassA(&frameClass);
    RECT rect;
    ::GetWindowRect(like.m_hWnd, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    m_frame = ::CreateWindowExA(0, frameClass.lpszClassName, "bare owner-data list view", WS_POPUP | WS_VISIBLE, 0,
                                0, width + 20, height + 20, nullptr, nullptr, frameClass.hInstance, nullptr);
    m_list = ::CreateWindowExA(
        0, WC_LISTVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 10, 10,
        width, height, m_frame, nullptr, frameClass.hInstance, nullptr);
    ::SendMessageA(m_list, WM_SETFONT, like.SendMessage(WM_GETFONT), FALSE);
    ::SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, like.SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    for (int c = 0; c < kColumns; ++c) {
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = LVCFMT_LEFT;
      column.cx = like.GetColumnWidth(c);
      column.pszText = const_cast<char*>("column");
      ::SendMessageA(m_list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    PumpMessages(50);
  }
  BareOwnerData(const BareOwnerData&) = delete;
  BareOwnerData& operator=(const BareOwnerData&) = delete;
  ~BareOwnerData() {
    ::DestroyWindow(m_frame);
    PumpMessages();
  }

  // The count set, timed until the list has painted.
  double SetCount(int rows) {
    const Clock::time_point start = Clock::now();
    ::SendMessageA(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
    ::UpdateWindow(m_list);
    return SecondsSince(start);
  }
  int Count() const { return static_cast<int>(::SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0)); }

 private:
  static void CellText(int row, int column, char* out, int room) {
    switch (column) {
      case 0:
        std::snprintf(out, static_cast<size_t>(room), "%d", row + 1);
        break;
      case 1:
        std::snprintf(out, static_cast<size_t>(room), "0x%.16llx", 0x150588ull + 0x40ull * static_cast<unsigned>(row));
        break;
      case 2:
        std::snprintf(out, static_cast<size_t>(room), "0x%.8x", 0x10u + 8u * static_cast<unsigned>(row % 13));
        break;
      default:
        std::snprintf(out, static_cast<size_t>(room), "%s", column == 3 ? "FIXED" : "Allocated");
        break;
    }
  }
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == LVN_GETDISPINFOA) {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0)
          CellText(item.iItem, item.iSubItem, item.pszText, item.cchTextMax);
        return 0;
      }
      if (header->code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
          char text[64];
          CellText(item.iItem, item.iSubItem, text, sizeof text);
          int i = 0;
          for (; text[i] != 0 && i + 1 < item.cchTextMax; ++i) item.pszText[i] = static_cast<wchar_t>(text[i]);
          item.pszText[i] = 0;
        }
        return 0;
      }
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  HWND m_frame = nullptr;
  HWND m_list = nullptr;
};

// Keeps the caption's texts and calls back on each one, before the caption
// itself sees it; its window procedure is replaced for the object's life.
class CaptionHook {
 public:
  using OnText = std::function<void(const std::vector<std::string>& texts)>;
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
  std::vector<std::string> texts;
  double lastTextAt = 0;  // by the substitute's clock

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CaptionHook& self = *s_current;
    if (message == WM_SETTEXT) {
      self.lastTextAt = SubstituteClockSeconds();
      self.texts.emplace_back(reinterpret_cast<const char*>(lParam));
      if (self.m_onText) self.m_onText(self.texts);
    }
    return ::CallWindowProcA(self.m_previous, window, message, wParam, lParam);
  }
  static inline CaptionHook* s_current = nullptr;
  HWND m_caption;
  WNDPROC m_previous = nullptr;
  OnText m_onText;
};

// The rows a progress text says are done, or -1 when it is no progress text
// of a heap of `blocks` blocks (and its segment).
long long ProgressRows(const std::string& text, int blocks) {
  const std::string prefix = std::string(kBlockCaptionText) + " - processing ";
  const std::string suffix = " of " + std::to_string(blocks + 1) + " blocks...";
  if (text.size() <= prefix.size() + suffix.size() || text.compare(0, prefix.size(), prefix) != 0 ||
      text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
    return -1;
  const std::string digits = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::atoll(digits.c_str());
}

struct CaptionCheck {
  bool ok = true;
  int progress = 0;  // progress texts
  bool waited = false;  // the waiting text was shown
};

// A fill's caption texts: progress for rising multiples of 25 rows within
// the heap, the waiting text and the table's own text in any place, the
// table's own text last.
CaptionCheck CheckCaptions(const std::vector<std::string>& texts, int blocks) {
  CaptionCheck check;
  const std::string waiting = WaitingCaptionText(kBlockCaptionText);
  long long last = 0;
  for (const std::string& text : texts) {
    if (text == kBlockCaptionText) continue;
    if (text == waiting) {
      check.waited = true;
      continue;
    }
    const long long rows = ProgressRows(text, blocks);
    if (rows <= last || rows % 25 != 0 || rows > blocks) {
      std::printf("  unexpected caption text: %s\n", text.c_str());
      check.ok = false;
    }
    last = std::max(last, rows);
    ++check.progress;
  }
  if (texts.empty() || texts.back() != kBlockCaptionText) check.ok = false;
  return check;
}

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
// the list view raises it; timed until the block list has painted, by the
// substitute's clock. Gives the seconds of the click and when it ended.
struct Click {
  double seconds;
  double endedAt;
};
Click ClickFirstNode(LiveDialog& dlg) {
  SelectRow(dlg->m_nodeList, 0);
  NMHDR click = {dlg->m_nodeList.m_hWnd, IDC_NODE_LIST, static_cast<UINT>(NM_CLICK)};
  const double start = SubstituteClockSeconds();
  ::SendMessageA(dlg.Hwnd(), WM_NOTIFY, IDC_NODE_LIST, reinterpret_cast<LPARAM>(&click));
  dlg->m_blockList.UpdateWindow();
  const double end = SubstituteClockSeconds();
  return {end - start, end};
}

// A few rows, top, bottom and middle, read through the list view's texts.
bool RowsMatch(const CListCtrl& list, const SubstituteHeap& heap, const std::vector<uint64_t>& addresses) {
  const size_t count = addresses.size();
  if (list.GetItemCount() != static_cast<int>(count)) return false;
  for (size_t r : {size_t{0}, size_t{1}, size_t{6}, count / 2, count - 1}) {
    const CellTexts expected = ExpectedRow(heap, addresses, r);
    for (int c = 0; c < kColumns; ++c)
      if (CellText(list, static_cast<int>(r), c) != expected[c]) return false;
  }
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
// few rows through the list view's own texts; the row of walk index
// `selectedWalk` is the one selected, and in view.
bool SortedBy(LiveDialog& dlg, int blocks, int column, bool descending, uint32_t selectedWalk) {
  const BlockRows& kept = dlg->m_blockRows;
  const CListCtrl& list = dlg->m_blockList;
  if (kept.Count() != static_cast<size_t>(blocks) || list.GetItemCount() != blocks) return false;
  const auto value = [&](size_t p) { return column == 1 ? kept.Shown(p).address : kept.Shown(p).size; };
  for (size_t p = 1; p < kept.Count(); ++p)
    if (descending ? value(p - 1) < value(p) : value(p - 1) > value(p)) return false;
  for (size_t p : {size_t{0}, kept.Count() / 2, kept.Count() - 1})
    if (CellText(list, static_cast<int>(p), column) != (column == 1 ? Addr(value(p)) : Hex(value(p)))) return false;
  const int selected = list.GetNextItem(-1, LVNI_SELECTED);
  if (selected < 0 || kept.WalkIndexShown(static_cast<size_t>(selected)) != selectedWalk) return false;
  const int top = static_cast<int>(list.SendMessage(LVM_GETTOPINDEX, 0, 0));
  return selected >= top && selected < top + static_cast<int>(list.SendMessage(LVM_GETCOUNTPERPAGE, 0, 0));
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// What the system says of this process's memory (under Wine: the Linux
// process's figures, see bench/README.md).
PROCESS_MEMORY_COUNTERS MemoryNow() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

double Mb(size_t bytes) { return static_cast<double>(bytes) / 1e6; }
double MbDelta(size_t after, size_t before) { return (static_cast<double>(after) - static_cast<double>(before)) / 1e6; }

// One dialog, this process chosen, its only heap `heap`.
struct Bench {
  explicit Bench(const SubstituteHeap& heap) {
    SubstituteScenario scenario;
    scenario.heaps = {heap};
    scenario.onlyProcessId = ::GetCurrentProcessId();
    SetSubstituteScenario(std::move(scenario));
    dlg.UseSubstituteService();
    chosen = dlg.ChooseProcessId(::GetCurrentProcessId()) && dlg->m_nodeList.GetItemCount() == 1;
    PumpMessages(100);
  }
  LiveDialog dlg;
  bool chosen = false;
};

struct Figures {
  std::vector<double> click, beforeAnswer, query, fill, untilCaption, destroy, sizeUp, sizeDown, addressUp;
  std::vector<double> empty, emptyClear, emptyPaint, bareShow, bareEmpty, bareEmptyAgain;
  int progressTexts = 0;
  bool waited = false;
};

// Emptying the table as a fill begins, timed until the list has painted:
// the seconds of ClearBlockTable, and of the painting after it.
std::pair<double, double> EmptyTable(LiveDialog& dlg) {
  const Clock::time_point start = Clock::now();
  dlg->ClearBlockTable();
  const double clear = SecondsSince(start);
  dlg->m_blockList.UpdateWindow();
  return {clear, SecondsSince(start) - clear};
}
}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  bool ok = true;

  std::vector<SubstituteHeap> heaps;
  std::vector<std::vector<uint64_t>> addresses;
  for (const int blocks : kSizes) {
    heaps.push_back(BenchHeap(blocks));
    addresses.push_back(BlockAddresses(heaps.back()));
  }
  const SubstituteHeap& millionHeap = heaps.back();

  std::printf("kept rows: sizeof(BlockRowValues) %u + the order's %u = %u bytes a block\n",
              static_cast<unsigned>(sizeof(BlockRowValues)), static_cast<unsigned>(sizeof(uint32_t)),
              static_cast<unsigned>(sizeof(BlockRowValues) + sizeof(uint32_t)));
  ok = ok && sizeof(BlockRowValues) + sizeof(uint32_t) <= 32;

  // Memory, first, while this process's peak is still low: the working set
  // with an empty table, after a million-block fill (the query's buffer
  // destroyed again), after a sort, and after emptying the table.
  {
    Bench bench(millionHeap);
    ok = ok && bench.chosen;
    const PROCESS_MEMORY_COUNTERS before = MemoryNow();
    ClickFirstNode(bench.dlg);
    const PROCESS_MEMORY_COUNTERS filled = MemoryNow();
    const size_t held = bench.dlg->m_blockRows.HeldBytes();
    ok = ok && bench.dlg->m_blockRows.Count() == static_cast<size_t>(kMillion);
    ClickBlockHeader(bench.dlg, 2);
    const PROCESS_MEMORY_COUNTERS sorted = MemoryNow();
    const size_t heldSorted = bench.dlg->m_blockRows.HeldBytes();
    EmptyTable(bench.dlg);
    const PROCESS_MEMORY_COUNTERS emptied = MemoryNow();
    const size_t heldEmptied = bench.dlg->m_blockRows.HeldBytes();
    std::printf("memory around a %d-block fill (MB; working set / peak working set / pagefile usage):\n", kMillion);
    std::printf("  empty table:    %.1f / %.1f / %.1f\n", Mb(before.WorkingSetSize), Mb(before.PeakWorkingSetSize),
                Mb(before.PagefileUsage));
    // The peak is the process's since it started: it tells a step's own
    // peak only where it rose.
    std::printf("  after the fill: %.1f / %.1f / %.1f  (working set +%.1f; peak %.1f above the empty table's)\n",
                Mb(filled.WorkingSetSize), Mb(filled.PeakWorkingSetSize), Mb(filled.PagefileUsage),
                MbDelta(filled.WorkingSetSize, before.WorkingSetSize),
                MbDelta(filled.PeakWorkingSetSize, before.WorkingSetSize));
    std::printf("  after a sort:   %.1f / %.1f / %.1f  (working set +%.1f)\n", Mb(sorted.WorkingSetSize),
                Mb(sorted.PeakWorkingSetSize), Mb(sorted.PagefileUsage),
                MbDelta(sorted.WorkingSetSize, before.WorkingSetSize));
    std::printf("  emptied again:  %.1f / %.1f / %.1f  (working set %+.1f)\n", Mb(emptied.WorkingSetSize),
                Mb(emptied.PeakWorkingSetSize), Mb(emptied.PagefileUsage),
                MbDelta(emptied.WorkingSetSize, before.WorkingSetSize));
    std::printf("  the kept rows hold %llu bytes filled (%.1f a block), %llu sorted, %llu emptied\n",
                static_cast<unsigned long long>(held), static_cast<double>(held) / kMillion,
                static_cast<unsigned long long>(heldSorted), static_cast<unsigned long long>(heldEmptied));
    ok = ok && held <= size_t{32} * (kMillion + 1) && heldSorted <= held && heldEmptied == 0;
    std::fflush(stdout);
  }

  std::vector<CellTexts> bareRows;
  for (size_t r = 0; r < static_cast<size_t>(kBareRows); ++r) bareRows.push_back(ExpectedRow(heaps[0], addresses[0], r));
  const std::vector<uint32_t> ranks[3] = {RanksBy(bareRows, 2, false), RanksBy(bareRows, 2, true),
                                          RanksBy(bareRows, 1, false)};
  std::vector<double> bareFill, bareDelete;
  std::vector<double> bareSorts[3];
  Figures figures[std::size(kSizes)];
  for (int round = 0; round < rounds; ++round) {
    {
      BareList bare;
      bareFill.push_back(bare.Fill(bareRows));
      ok = ok && bare.Count() == kBareRows;
      for (int i = 0; i < 3; ++i) bareSorts[i].push_back(bare.Sort(ranks[i]));
      bareDelete.push_back(bare.DeleteAll());
    }
    std::printf("round %d: bare %d rows: fill %.3f s, sorts %.3f / %.3f / %.3f s, delete %.3f s\n", round + 1,
                kBareRows, bareFill.back(), bareSorts[0].back(), bareSorts[1].back(), bareSorts[2].back(),
                bareDelete.back());
    for (size_t s = 0; s < std::size(kSizes); ++s) {
      const int blocks = kSizes[s];
      Figures& f = figures[s];
      Bench bench(heaps[s]);
      LiveDialog& dlg = bench.dlg;
      ok = ok && bench.chosen;
      {
        BareOwnerData bare(dlg->m_blockList);
        // Once untimed: a new window's first paints make its surface.
        bare.SetCount(blocks);
        bare.SetCount(0);
        PumpMessages(50);
        f.bareShow.push_back(bare.SetCount(blocks));
        ok = ok && bare.Count() == blocks;
        PumpMessages(50);
        f.bareEmpty.push_back(bare.SetCount(0));
        ok = ok && bare.Count() == 0;
        PumpMessages(50);
        f.bareEmptyAgain.push_back(bare.SetCount(0));
      }
      PumpMessages(100);  // the dialog's repainting where the bare window was
      ResetSubstituteCounters();
      double endedAt = 0, captionAt = 0;
      {
        CaptionHook hook(dlg->m_blockCaption.m_hWnd, {});
        const Click click = ClickFirstNode(dlg);
        f.click.push_back(click.seconds);
        endedAt = click.endedAt;
        captionAt = hook.lastTextAt;
        const CaptionCheck captions = CheckCaptions(hook.texts, blocks);
        ok = ok && captions.ok;
        f.progressTexts = std::max(f.progressTexts, captions.progress);
        f.waited = f.waited || captions.waited;
      }
      const SubstituteCounters counters = SubstituteCountersNow();
      ok = ok && counters.queries == 1;
      f.query.push_back(counters.lastQuerySeconds);
      f.destroy.push_back(counters.lastDestroySeconds);
      // From the moment the answer was in (the query returned) until the
      // table has painted.
      f.fill.push_back(endedAt - counters.lastQueryReturnedAt);
      f.beforeAnswer.push_back(f.click.back() - f.fill.back());
      // Of that, until the table's own caption is set again (the rows kept,
      // the count set), and the rest (the worker's end, the controls
      // enabled again, the painting).
      f.untilCaption.push_back(captionAt - counters.lastQueryReturnedAt);
      ok = ok && RowsMatch(dlg->m_blockList, heaps[s], addresses[s]);

      // Sorting, with the middle row selected: by size from walk order,
      // the same header again, then by address (walk order again, by a
      // different road than a fill).
      const uint32_t selectedWalk = static_cast<uint32_t>(blocks / 2);
      SelectRow(dlg->m_blockList, static_cast<int>(selectedWalk));
      dlg->m_blockList.EnsureVisible(static_cast<int>(selectedWalk), FALSE);
      PumpMessages(50);
      f.sizeUp.push_back(ClickBlockHeader(dlg, 2));
      ok = ok && SortedBy(dlg, blocks, 2, false, selectedWalk);
      f.sizeDown.push_back(ClickBlockHeader(dlg, 2));
      ok = ok && SortedBy(dlg, blocks, 2, true, selectedWalk);
      f.addressUp.push_back(ClickBlockHeader(dlg, 1));
      ok = ok && SortedBy(dlg, blocks, 1, false, selectedWalk);

      PumpMessages(50);
      const auto [clear, paint] = EmptyTable(dlg);
      f.emptyClear.push_back(clear);
      f.emptyPaint.push_back(paint);
      f.empty.push_back(clear + paint);
      ok = ok && dlg->m_blockList.GetItemCount() == 0 && dlg->m_blockRows.Count() == 0;
      std::printf(
          "round %d: dialog %d blocks: click %.3f s = until the answer %.3f s (query %.3f s) + answer to table "
          "shown %.3f s (destroy %.3f s), "
          "sorts size up %.3f s, down %.3f s, address up %.3f s, emptying %.4f s; bare owner-data: count set "
          "%.4f s, emptied %.4f s\n",
          round + 1, blocks, f.click.back(), f.beforeAnswer.back(), f.query.back(), f.fill.back(), f.destroy.back(),
          f.sizeUp.back(),
          f.sizeDown.back(), f.addressUp.back(), f.empty.back(), f.bareShow.back(), f.bareEmpty.back());
      std::fflush(stdout);
    }
  }

  // Untimed: the screen as the program left it while a million-block fill
  // runs, grabbed when the caption gets its next text after a progress
  // text, so the progress text is what has been painted. A fill that ends
  // before a progress text is due shows none.
  std::string screenshot;
  int screenshotProgress = 0;
  {
    Bench bench(millionHeap);
    const std::string waiting = WaitingCaptionText(kBlockCaptionText);
    CaptionHook hook(bench.dlg->m_blockCaption.m_hWnd, [&](const std::vector<std::string>& texts) {
      if (!screenshot.empty() || texts.size() < 2) return;
      const std::string& previous = texts[texts.size() - 2];
      if (ProgressRows(previous, kMillion) <= 0) return;
      screenshotProgress = static_cast<int>(ProgressRows(previous, kMillion));
      screenshot = GrabScreenFromOutside(bench.dlg.Hwnd(), "block-fill-progress");
    });
    ClickFirstNode(bench.dlg);
  }
  SetSubstituteScenario({});

  const double floor = Median(bareFill);
  std::printf("\nmedians of %d rounds\n", rounds);
  std::printf("floor, bare list view of %d rows x %d cells: fill %.3f s, delete %.3f s\n", kBareRows, kColumns, floor,
              Median(bareDelete));
  std::printf("floor, bare LVM_SORTITEMS of %d rows by ready ranks: size up %.3f s, down %.3f s, address up %.3f s\n",
              kBareRows, Median(bareSorts[0]), Median(bareSorts[1]), Median(bareSorts[2]));
  for (size_t s = 0; s < std::size(kSizes); ++s) {
    const Figures& f = figures[s];
    const double goal = kSizes[s] == kMillion ? 0.5 : 0.10;
    std::printf("dialog, %d blocks:\n", kSizes[s]);
    std::printf("  whole click:                        %.3f s\n", Median(f.click));
    std::printf("  until the answer:                   %.3f s (the substitute's query call %.3f s)\n",
                Median(f.beforeAnswer), Median(f.query));
    std::printf("  answer to table shown:              %.3f s  (goal <= %.2f s; %.3f x the bare fill of %d)\n",
                Median(f.fill), goal, Median(f.fill) / floor, kBareRows);
    std::printf("    until the table's caption is set:  %.3f s (rows kept, count set)\n", Median(f.untilCaption));
    std::printf("    of the rest, the substitute's destroy: %.3f s\n", Median(f.destroy));
    std::printf("  progress texts in a fill:           %d (at most, over the rounds)%s\n", f.progressTexts,
                f.waited ? "; the waiting text was shown" : "");
    std::printf("  sort by header click (goal <= 0.3 s at %d): size up %.3f s, down %.3f s, address up %.3f s\n",
                kMillion, Median(f.sizeUp), Median(f.sizeDown), Median(f.addressUp));
    std::printf("  emptying (ClearBlockTable + paint): %.4f s  (goal <= 0.01 s): ClearBlockTable %.4f s, paint %.4f s\n",
                Median(f.empty), Median(f.emptyClear), Median(f.emptyPaint));
    std::printf(
        "  bare owner-data list view: count set + paint %.4f s, count 0 + paint %.4f s (already empty: %.4f s)\n",
        Median(f.bareShow), Median(f.bareEmpty), Median(f.bareEmptyAgain));
  }
  if (screenshot.empty())
    std::printf("mid-fill screenshot:          none: no progress text was painted in that fill\n");
  else
    std::printf("mid-fill screenshot:          %s (showing %d rows done)\n", screenshot.c_str(), screenshotProgress);
  std::printf("rows, captions, sorts as expected: %s\n", ok ? "yes" : "NO");
  return ok ? 0 : 1;
}
