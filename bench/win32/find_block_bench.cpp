// Find Block in the real dialog: heaps of 100,000 and 1,000,000 blocks laid
// over memory of this process (the block-table benchmark's sizes: 0x10 to
// 0x70 bytes, every seventh block free), searched for bytes that only the
// last busy block holds (the last block, or the one before it where that is
// free), and for a text (both its forms) that no block holds. A search is
// timed from the command until the block caption gets its own text back
// (the controls enabled again follow at once), and also until the found
// block's dump or the message box. The floor is one read of the whole range
// and one pass of the same pattern over it. Goal: at least 200 MB/s of
// block bytes searched.
//
//   wine find_block_bench.exe [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DialogWatcher.h"
#include "LiveDialog.h"
#include "SubstituteHeapQuery.h"
#include "blockdata/FindBlock.h"
#include "heap/ProcessHandle.h"
#include "heap/TableText.h"

namespace {
constexpr int kSizes[] = {100000, 1000000};
constexpr uint16_t kOverhead = 8;

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// When the block caption gets its own text back: the search is over then,
// and what follows (the found block's dump, or the message) is not searching.
// The caption's window procedure is replaced for the object's life: a hook
// would slow every message of the thread.
class SearchEnd {
 public:
  SearchEnd(HWND caption, Clock::time_point& start) : m_caption(caption), m_start(start) {
    s_current = this;
    m_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SearchEnd::Proc)));
  }
  ~SearchEnd() {
    ::SetWindowLongPtrA(m_caption, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    s_current = nullptr;
  }
  SearchEnd(const SearchEnd&) = delete;
  SearchEnd& operator=(const SearchEnd&) = delete;
  double seconds = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SearchEnd& self = *s_current;
    if (message == WM_SETTEXT && std::string(reinterpret_cast<const char*>(lParam)) == kBlockCaptionText)
      self.seconds = SecondsSince(self.m_start);
    return ::CallWindowProcA(self.m_previous, window, message, wParam, lParam);
  }
  static inline SearchEnd* s_current = nullptr;
  HWND m_caption;
  Clock::time_point& m_start;
  WNDPROC m_previous = nullptr;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct BenchHeap {
  SubstituteHeap heap;
  uint64_t busyBytes = 0;
  // The last block that is not free: the only one to hold the needle.
  int lastBusyRow = -1;
  uint64_t lastBusyBlock = 0;
  uint64_t lastBusySize = 0;
};

// One segment at the start of `memory`, then `blocks` blocks end to end.
BenchHeap LayOver(std::vector<uint8_t>& memory, int blocks) {
  BenchHeap bench;
  const uint64_t base = reinterpret_cast<uintptr_t>(memory.data());
  bench.heap.baseAddress = base & ~uint64_t{0xFFFF};
  bench.heap.flags = 0x2;
  bench.heap.entryOverhead = kOverhead;
  bench.heap.entries.push_back({memory.size(), 0x0002, base});
  uint64_t address = base + kOverhead;
  for (int i = 0; i < blocks; ++i) {
    const uint64_t size = 0x10 + 8 * (i % 13);
    const bool free = i % 7 == 0;
    bench.heap.entries.push_back({size, static_cast<uint16_t>(free ? 0x0100 : 0x0001), 0});
    if (!free) {
      bench.busyBytes += size;
      bench.lastBusyRow = i;
      bench.lastBusyBlock = address;
      bench.lastBusySize = size;
    }
    address += size;
  }
  return bench;
}

// Every figure of one heap size, printed; false when a search did not find
// what it should have.
bool RunSize(int blocks, int rounds) {
  std::vector<uint8_t> memory(kOverhead + size_t{0x70} * static_cast<size_t>(blocks) + 0x1000, 0x5A);
  const BenchHeap bench = LayOver(memory, blocks);
  const std::vector<uint8_t> needle = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04};
  const uint64_t at = bench.lastBusyBlock + bench.lastBusySize - needle.size();
  std::copy(needle.begin(), needle.end(), memory.begin() + static_cast<long>(at - reinterpret_cast<uintptr_t>(memory.data())));

  SubstituteScenario scenario;
  scenario.heaps = {bench.heap};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  SetSubstituteScenario(scenario);

  LiveDialog dlg;
  dlg.UseSubstituteService();
  bool ok = dlg.ChooseProcessId(::GetCurrentProcessId());
  dlg.ClickRow(dlg->m_nodeList, 0);
  ok = ok && dlg->m_blockList.GetItemCount() == blocks;

  // The floor: the whole range in one read, one pass of the pattern.
  std::vector<double> floor, bytes, text, bytesSearch, textSearch;
  std::vector<uint8_t> copy(memory.size());
  const BytePattern pattern(needle);
  for (int round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, ::GetCurrentProcessId()));
    SIZE_T got = 0;
    ok = ok && ::ReadProcessMemory(process.Get(), memory.data(), copy.data(), copy.size(), &got) &&
         pattern.FoundIn(copy.data(), copy.size());
    floor.push_back(SecondsSince(start));
  }

  // The search loop alone, with the program's reading, no dialog around it.
  class Reader : public BlockBytesReader {
   public:
    explicit Reader(HANDLE process) : m_process(process) {}
    bool Read(uint64_t address, uint8_t* out, size_t length, size_t& bytesRead) override {
      return ReadProcessBytes(m_process, address, out, length, bytesRead);
    }
    HANDLE m_process;
  };
  class NoProgress : public FindProgress {
    void Searched(uint32_t, uint32_t) override {}
  } noProgress;
  std::vector<double> loop;
  for (int round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, ::GetCurrentProcessId()));
    Reader reader(process.Get());
    const FindOutcome outcome = FindBytesInBlocks(dlg->m_blockRows, 0, {pattern}, 0x00FFFFFF, reader, noProgress);
    loop.push_back(SecondsSince(start));
    ok = ok && outcome.position == bench.lastBusyRow;
  }

  int found = -1;
  for (int round = 0; round < rounds; ++round) {
    dlg->m_blockList.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    dlg->m_lastFind = FindQuery{FindKind::Bytes, "DE AD BE EF 01 02 03 04"};
    PumpMessages(100);  // what the last round left to paint is not this search's
    Clock::time_point start = Clock::now();
    {
      // A message box here would say the bytes were not found; it is closed.
      const DialogWatcher watcher;
      SearchEnd end(dlg->m_blockCaption.m_hWnd, start);
      dlg->FindNextBlock();
      bytes.push_back(SecondsSince(start));
      bytesSearch.push_back(end.seconds);
      ok = ok && watcher.Boxes().empty();
    }
    found = dlg->m_blockList.GetNextItem(-1, LVNI_SELECTED);

    // Not found: every block read, timed until the message box opens.
    dlg->m_blockList.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    dlg->EnterTableMode();
    dlg->m_lastFind = FindQuery{FindKind::Text, "no block holds this text"};
    double untilBox = 0;
    PumpMessages(100);
    {
      SearchEnd end(dlg->m_blockCaption.m_hWnd, start);
      DialogWatcher watcher([&](HWND) {
        untilBox = SecondsSince(start);
        return false;
      });
      start = Clock::now();
      dlg->FindNextBlock();
      ok = ok && watcher.Boxes().size() == 1;
      textSearch.push_back(end.seconds);
    }
    text.push_back(untilBox);
    std::printf("round %d: floor %.3f s, bytes found in the last busy block %.3f s (searching %.3f s), "
                "text in no block %.3f s (searching %.3f s)\n",
                round + 1, floor[static_cast<size_t>(round)], bytes.back(), bytesSearch.back(), text.back(),
                textSearch.back());
    std::fflush(stdout);
  }
  ok = ok && found == bench.lastBusyRow;
  SetSubstituteScenario({});

  const double mb = static_cast<double>(bench.busyBytes) / 1e6;
  std::printf("heap: %d blocks, %.1f MB in blocks that are not free (medians of %d rounds)\n", blocks, mb, rounds);
  std::printf("(a) floor, one read + one pass:      %.3f s  %.0f MB/s\n", Median(floor), mb / Median(floor));
  std::printf("(b) bytes, in the last busy block:   searching %.3f s  %.0f MB/s  (goal >= 200 MB/s)\n",
              Median(bytesSearch), mb / Median(bytesSearch));
  std::printf("    ... until its dump is shown:       %.3f s\n", Median(bytes));
  std::printf("(c) text in no block, both forms:    searching %.3f s  %.0f MB/s\n", Median(textSearch),
              mb / Median(textSearch));
  std::printf("    ... until the message box opens:   %.3f s\n", Median(text));
  std::printf("(d) the search loop of (b) alone:     %.3f s  %.0f MB/s\n", Median(loop), mb / Median(loop));
  std::printf("found the last busy row:             %s\n\n", ok ? "yes" : "NO");
  std::fflush(stdout);
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  bool ok = true;
  for (const int blocks : kSizes) ok = RunSize(blocks, rounds) && ok;
  return ok ? 0 : 1;
}
