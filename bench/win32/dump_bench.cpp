// The data view, its copy and the save of a block at full size, in the real
// dialog:
//   (a) the floor: a bare list box like the data list, visible, taking the
//       dump's 1,048,578 ready-made lines (1,048,576 rows of 77 characters)
//       with its redraw off;
//   (b) ShowBlockData dumping a block of 0x00FFFFFF bytes of this process;
//   (d) the floor of the copy: the same lines read back out of the bare
//       list box (LB_GETTEXTLEN and LB_GETTEXT each);
//   (e) Ctrl+C in the data list: "Copy All" of the dump, about 83 MB of
//       text put on the clipboard (written from the dump's kept bytes);
//   (c) OnSaveData copying a 16 MiB block of this process into a file
//       chosen in the real Save As dialog.
// Goals: (b) <= 1.2 x (a) and <= 5 s; (e) <= 0.5 x (d) and <= 1 s;
// (c) >= 100 MB/s.
//
//   wine dump_bench.exe [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// A list box with the data list's styles, font, extent and place.
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
  const double seconds = Now() - start;
  if (static_cast<size_t>(::SendMessageA(list, LB_GETCOUNT, 0, 0)) != lines.size())
    std::printf("  bare list box holds %ld lines, expected %u\n",
                static_cast<long>(::SendMessageA(list, LB_GETCOUNT, 0, 0)), static_cast<unsigned>(lines.size()));
  return seconds;
}

// (d): every line read back, as the copy reads the data list.
double ReadBareListBox(HWND list, const std::vector<std::string>& lines) {
  std::vector<char> line(1024);
  size_t characters = 0;
  const double start = Now();
  const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<size_t>(::SendMessageA(list, LB_GETTEXTLEN, i, 0));
    if (length >= line.size()) line.resize(length + 1);
    characters += static_cast<size_t>(::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data())));
  }
  const double seconds = Now() - start;
  size_t expected = 0;
  for (const std::string& text : lines) expected += text.size();
  if (characters != expected)
    std::printf("  read back %u characters, expected %u\n", static_cast<unsigned>(characters),
                static_cast<unsigned>(expected));
  return seconds;
}

// (b): the data view itself; table mode first, so it switches as on a click.
double RealDump(LiveDialog& dlg, const std::vector<uint8_t>& block) {
  dlg->EnterTableMode();
  dlg->m_dataList.ResetContent();
  PumpMessages(50);
  const double start = Now();
  dlg->ShowBlockData(kDumpBytes, static_cast<int>(::GetCurrentProcessId()),
                     AddressOf(block.data()));
  const double seconds = Now() - start;
  const int count = dlg->m_dataList.GetCount();
  if (count != 2 + static_cast<int>((kDumpBytes + 15) / 16)) std::printf("  data list holds %d lines\n", count);
  return seconds;
}

// (e): Ctrl+C in the data list, until the text is on the clipboard; the
// first round also checks the text byte for byte against the list's lines.
double RealCopyAll(LiveDialog& dlg, bool check) {
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
    for (const std::string& line : ListBoxLines(dlg->m_dataList)) expected.append(line).append("\r\n");
    const std::optional<std::string> copied = ClipboardText();
    if (!copied || *copied != expected)
      std::printf("  clipboard holds %u bytes, not the %u of the data list's lines\n",
                  static_cast<unsigned>(copied ? copied->size() : 0), static_cast<unsigned>(expected.size()));
    else
      std::printf("  clipboard holds the data list's %u bytes\n", static_cast<unsigned>(copied->size()));
  }
  return seconds;
}

// (c): from pressing Save in the Save As dialog until the handler returns.
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
  // The data list's own lines: no node row is selected, so the header
  // names node 0.
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
  std::vector<double> floors, dumps, reads, copies;
  for (int round = 1; round <= rounds; ++round) {
    HWND bare = MakeBareListBox(dlg);
    floors.push_back(FillBareListBox(bare, lines));
    dumps.push_back(RealDump(dlg, dumpBlock));
    std::printf("round %d: (a) bare list box %.3f s, (b) ShowBlockData 0x00FFFFFF bytes %.3f s, ratio %.3f\n", round,
                floors.back(), dumps.back(), dumps.back() / floors.back());
    reads.push_back(ReadBareListBox(bare, lines));
    copies.push_back(RealCopyAll(dlg, round == 1));
    std::printf(
        "round %d: (d) read back from the bare list box %.3f s, (e) Copy All of the data list %.3f s, "
        "ratio %.3f\n",
        round, reads.back(), copies.back(), copies.back() / reads.back());
    ::DestroyWindow(bare);
    PumpMessages();
  }
  const double floor = Median(floors), dump = Median(dumps);
  std::printf("median: (a) %.3f s, (b) %.3f s, ratio %.3f (goal <= 1.2, (b) <= 5 s)\n", floor, dump, dump / floor);
  const double read = Median(reads), copy = Median(copies);
  std::printf("median: (d) %.3f s, (e) %.3f s, ratio %.3f (goal <= 0.5, (e) <= 1 s)\n", read, copy, copy / read);
  dlg->m_dataList.ResetContent();

  const saving::ScratchFolder folder;
  // The first round creates the file, the later ones replace it.
  std::vector<double> saves;
  for (int round = 1; round <= rounds; ++round) {
    saves.push_back(RealSave(dlg, saveBlock, folder));
    if (saves.back() <= 0) return 1;
    std::printf("round %d: (c) OnSaveData 16 MiB %.3f s, %.1f MB/s\n", round, saves.back(),
                static_cast<double>(kSaveBytes) / saves.back() / 1e6);
  }
  const double save = Median(saves);
  std::printf("median: (c) %.3f s, %.1f MB/s (goal >= 100 MB/s)\n", save, static_cast<double>(kSaveBytes) / save / 1e6);
  return 0;
}
