// The data view, its copy and the save of a block, in the real dialog:
//   (a) the floor: a bare list box like the data list before it held only
//       a line count, visible, taking the dump's 1,048,578 ready-made lines
//       (1,048,576 rows of 77 characters) with its redraw off;
//   (b) ShowBlockData dumping a block of 0x00FFFFFF bytes of this process,
//       until the window has painted (from the second round on, emptying
//       the view of the block (c) showed is timed too, as on a click);
//   (c) a block of 1 GiB of this process (read in windows; 512 or 256 MiB
//       where a 32-bit process has no room for 1 GiB): ShowBlockData, the
//       view emptied beforehand, until painted, then its last line scrolled
//       into view until painted, and what the process's memory grew by
//       meanwhile;
//   (d) Ctrl+C in the data view with no line selected: "Copy All" of the
//       0x00FFFFFF dump, about 83 MB of text put on the clipboard (written
//       from the dump's kept bytes);
//   (e) OnSaveData copying a 16 MiB block of this process into a file
//       chosen in the real Save As dialog.
// Goals: (b) <= 0.05 s; (c) <= 0.05 s each and <= 8 MiB; (d) <= 0.5 s;
// (e) >= 100 MB/s.
//
//   wine dump_bench.exe [rounds]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CopyDriver.h"
#include "LiveDialog.h"
#include "SaveAsDriver.h"
#include "SubstituteHeapQuery.h"
#include "support/TableRows.h"
#include "blockdata/DumpLines.h"

namespace {
constexpr size_t kDumpBytes = 0x00FFFFFF;
constexpr size_t kSaveBytes = 16u << 20;

double Now() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

uint64_t AddressOf(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Resident and private memory of this process, in MiB (under Wine: VmRSS
// and the anonymous resident memory).
struct Memory {
  double working = 0, privateBytes = 0;
};
Memory MemoryNow() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return {static_cast<double>(counters.WorkingSetSize) / (1 << 20),
          static_cast<double>(counters.PagefileUsage) / (1 << 20)};
}

// Everything invalid in the dialog painted now.
void PaintNow(LiveDialog& dlg) { ::RedrawWindow(dlg.Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

// A list box with the old data list's styles, font, extent and place.
HWND MakeBareListBox(LiveDialog& dlg) {
  RECT rect;
  dlg->m_dataList.GetWindowRect(&rect);
  POINT corner{rect.left, rect.top};
  ::ScreenToClient(dlg.Hwnd(), &corner);
  HWND list = ::CreateWindowExA(0, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                    LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                                corner.x, corner.y, rect.right - rect.left, rect.bottom - rect.top, dlg.Hwnd(),
                                reinterpret_cast<HMENU>(2000), ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(list, WM_SETFONT, dlg->m_dataList.SendMessage(WM_GETFONT), TRUE);
  ::SendMessageA(list, LB_SETHORIZONTALEXTENT, 740, 0);
  PumpMessages(50);
  return list;
}

// (a): the bare list box takes the lines.
double FillBareListBox(HWND list, const std::vector<std::string>& lines) {
  const double start = Now();
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (const std::string& line : lines) ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  ::UpdateWindow(list);
  const double seconds = Now() - start;
  if (static_cast<size_t>(::SendMessageA(list, LB_GETCOUNT, 0, 0)) != lines.size())
    std::printf("  bare list box holds %ld lines, expected %u\n",
                static_cast<long>(::SendMessageA(list, LB_GETCOUNT, 0, 0)), static_cast<unsigned>(lines.size()));
  return seconds;
}

// (b), (c): the data view itself, until painted (painting: the part after
// ShowBlockData returned); table mode first, so it switches as on a click,
// and whatever the view showed before is emptied as on a click. The view
// ends up showing the block.
double ShowDump(LiveDialog& dlg, uint64_t address, uint64_t size, double& painting) {
  dlg->EnterTableMode();
  PumpMessages(200);  // the paints that are due (the bare list box gone, table mode) out of the way
  const double start = Now();
  dlg->ShowBlockData(size, static_cast<int>(::GetCurrentProcessId()), address);
  const double shown = Now();
  PaintNow(dlg);
  const double seconds = Now() - start;
  painting = Now() - shown;
  const int count = dlg->m_dataList.GetItemCount();
  if (count != static_cast<int>(2 + (size + 15) / 16)) std::printf("  the data view holds %d lines\n", count);
  return seconds;
}

// (c): the last line scrolled into view, until painted; checked against
// the block's last bytes.
double ScrollToEnd(LiveDialog& dlg, const uint8_t* block, uint64_t size) {
  const int last = dlg->m_dataList.GetItemCount() - 1;
  const double start = Now();
  dlg->m_dataList.EnsureVisible(last, FALSE);
  PaintNow(dlg);
  const double seconds = Now() - start;
  const uint64_t offset = (size - 1) / 16 * 16;
  char row[kDumpRowCapacity];
  FormatDumpRow(static_cast<uint32_t>(offset), block + offset, static_cast<size_t>(size - offset), row);
  if (!RowInView(dlg->m_dataList, last) || CellText(dlg->m_dataList, last, 0) != row)
    std::printf("  the last line reads \"%s\"\n", CellText(dlg->m_dataList, last, 0).c_str());
  return seconds;
}

// (d): Ctrl+C in the data view, until the text is on the clipboard; the
// first round also checks the text byte for byte against the dump's lines.
double RealCopyAll(LiveDialog& dlg, const std::vector<std::string>& lines, bool check) {
  ::SetFocus(dlg->m_dataList.m_hWnd);
  BYTE keys[256] = {};
  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
  ::SetKeyboardState(keys);
  const double start = Now();
  dlg->m_dataList.SendMessage(WM_KEYDOWN, 'C', 1);
  const double seconds = Now() - start;
  keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
  ::SetKeyboardState(keys);
  if (check) {
    std::string expected;
    for (const std::string& line : lines) expected.append(line).append("\r\n");
    const std::optional<std::string> copied = ClipboardText();
    if (!copied || *copied != expected)
      std::printf("  clipboard holds %u bytes, not the %u of the dump's lines\n",
                  static_cast<unsigned>(copied ? copied->size() : 0), static_cast<unsigned>(expected.size()));
    else
      std::printf("  clipboard holds the dump's %u bytes\n", static_cast<unsigned>(copied->size()));
  }
  return seconds;
}

// (e): from pressing Save in the Save As dialog until the handler returns.
double RealSave(LiveDialog& dlg, const std::vector<uint8_t>& block, const saving::ScratchFolder& folder) {
  const std::string path = folder.Path("saved.bin");
  PutBlockRow(*dlg, AddressOf(block.data()), block.size(), "Allocated");

  saving::SaveAsDriver driver(path);
  dlg.ClickButton(IDC_SAVE_DATA);
  const double end = Now();
  if (driver.Seen().opened != 1 || driver.Seen().answeredAt == 0 || !driver.Watcher().Boxes().empty()) {
    std::printf("  save did not run: dialogs %d, messages %u\n", driver.Seen().opened,
                static_cast<unsigned>(driver.Watcher().Boxes().size()));
    return 0;
  }
  const auto saved = saving::FileBytes(path);
  if (!saved || *saved != block) std::printf("  saved file differs from the block\n");
  return end - driver.Seen().answeredAt;
}
}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);

  const std::vector<uint8_t> dumpBlock = Pattern(kDumpBytes);
  const std::vector<uint8_t> saveBlock = Pattern(kSaveBytes);
  // 1 GiB committed (or the most of 512 and 256 MiB that can be), a byte
  // written every 64 KiB and the last 16 bytes.
  size_t bigBytes = 0;
  uint8_t* big = nullptr;
  for (size_t size = size_t{1} << 30; size >= (size_t{256} << 20) && big == nullptr; size /= 2) {
    big = static_cast<uint8_t*>(::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    bigBytes = size;
  }
  if (big == nullptr) {
    std::printf("256 MiB could not be allocated\n");
    return 1;
  }
  std::printf("the big block: %u MiB\n", static_cast<unsigned>(bigBytes >> 20));
  for (size_t at = 0; at < bigBytes; at += 0x10000) big[at] = static_cast<uint8_t>(at >> 16);
  for (size_t at = bigBytes - 16; at < bigBytes; ++at) big[at] = static_cast<uint8_t>(0x41 + at % 16);
  // The dump's own lines: no node row is selected, so the header names node 0.
  std::vector<std::string> lines;
  lines.reserve(2 + kDumpBytes / 16 + 1);
  char header[1024];
  FormatDumpHeader(0, AddressOf(dumpBlock.data()), kDumpBytes, kProgramWidth, header, sizeof header);
  lines.emplace_back(header);
  lines.emplace_back();
  ForEachDumpRow(dumpBlock.data(), dumpBlock.size(),
                 [&](const char* row, size_t length) { lines.emplace_back(row, length); });
  std::printf("floor lines: %u, rows of %u characters\n", static_cast<unsigned>(lines.size()),
              static_cast<unsigned>(lines[2].size()));

  SetSubstituteScenario({});
  LiveDialog dlg;
  dlg.UseSubstituteService();
  if (!dlg.ChooseProcessId(::GetCurrentProcessId())) {
    std::printf("this process is not in the process list\n");
    return 1;
  }
  std::vector<double> floors, dumps, bigShows, bigScrolls, bigWorking, bigPrivate, copies;
  double painting = 0, bigPainting = 0;
  for (int round = 1; round <= rounds; ++round) {
    HWND bare = MakeBareListBox(dlg);
    floors.push_back(FillBareListBox(bare, lines));
    ::DestroyWindow(bare);
    PumpMessages();
    dumps.push_back(ShowDump(dlg, AddressOf(dumpBlock.data()), kDumpBytes, painting));
    std::printf(
        "round %d: (a) bare list box %.3f s, (b) ShowBlockData 0x00FFFFFF bytes until painted %.4f s "
        "(the paint %.4f s)\n",
        round, floors.back(), dumps.back(), painting);
    copies.push_back(RealCopyAll(dlg, lines, round == 1));

    dlg->ClearDataView();
    PumpMessages(50);
    const Memory before = MemoryNow();
    bigShows.push_back(ShowDump(dlg, AddressOf(big), bigBytes, bigPainting));
    bigScrolls.push_back(ScrollToEnd(dlg, big, bigBytes));
    const Memory after = MemoryNow();
    bigWorking.push_back(after.working - before.working);
    bigPrivate.push_back(after.privateBytes - before.privateBytes);
    std::printf(
        "round %d: (c) big block shown %.4f s (the paint %.4f s), scrolled to its last line %.4f s, memory +%.1f MiB "
        "working set, +%.1f MiB private; (d) Copy All of the 0x00FFFFFF dump %.3f s\n",
        round, bigShows.back(), bigPainting, bigScrolls.back(), bigWorking.back(), bigPrivate.back(), copies.back());
  }
  std::printf("median: (a) %.3f s, (b) %.4f s (goal <= 0.05 s), %.4f x (a)\n", Median(floors), Median(dumps),
              Median(dumps) / Median(floors));
  std::printf(
      "median: (c) shown %.4f s, scrolled %.4f s (goal <= 0.05 s each), +%.1f MiB working set, "
      "+%.1f MiB private (goal <= 8 MiB)\n",
      Median(bigShows), Median(bigScrolls), Median(bigWorking), Median(bigPrivate));
  std::printf("median: (d) %.3f s (goal <= 0.5 s)\n", Median(copies));
  dlg->ClearDataView();
  ::VirtualFree(big, 0, MEM_RELEASE);

  const saving::ScratchFolder folder;
  // The first round creates the file, the later ones replace it.
  std::vector<double> saves;
  for (int round = 1; round <= rounds; ++round) {
    saves.push_back(RealSave(dlg, saveBlock, folder));
    if (saves.back() <= 0) return 1;
    std::printf("round %d: (e) OnSaveData 16 MiB %.3f s, %.1f MB/s\n", round, saves.back(),
                static_cast<double>(kSaveBytes) / saves.back() / 1e6);
  }
  const double save = Median(saves);
  std::printf("median: (e) %.3f s, %.1f MB/s (goal >= 100 MB/s)\n", save, static_cast<double>(kSaveBytes) / save / 1e6);
  return 0;
}
