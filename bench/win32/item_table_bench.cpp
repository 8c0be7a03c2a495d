// The block table from the system's items under Wine, at 100,000 and
// 1,000,000 blocks.
//
// The substitute service hands a heap's items to the program's callback as
// the system does once the target's answer is back in this process: one
// call per item, on the calling thread. The items' blocks lie over memory
// of this process (one region, then blocks of varying size, every seventh
// free, every fifth busy one with extra information). A click on the node
// row is timed until the block list has painted; the figure asked for is
// from the first item handed over (the answer) to the table shown
// (SubstituteCounters::firstItemAt), which includes the callback's reading
// of every item. In the same run, the floor: the same heap filled by the
// walk of its 0x14 entries (a system without the extended class), from the
// query's answer to the table shown. It also prints the bytes the kept rows
// hold a block.
//
// What the blocks hold is read with the rows: every third busy block holds
// an object of one of three classes of this program (its first word the
// class's table of virtual functions), every fifth a text. So the fill's
// figure includes the Contents; beside it, the reading of the types alone
// (ReadBlockTypes over the same rows), Block Types (the grouping of a
// million rows) and a mark with types.
//
//   item_table_bench.exe [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <atomic>
#include <chrono>
#include <cstring>

#include "LiveDialog.h"
#include "SubstituteHeapQuery.h"
#include "analysis/BlockMark.h"
#include "analysis/BlockTypes.h"
#include "analysis/ContentsReading.h"
#include "heap/HeapItems.h"
#include "support/TableRows.h"

namespace {
constexpr int kSizes[] = {100000, 1000000};
constexpr double kGoals[] = {0.15, 0.6};  // with the Contents

uint32_t BlockSize(int i) { return static_cast<uint32_t>(0x10 + 8 * (i % 13)); }

// Three classes whose objects' first words the blocks get.
struct Shape {
  virtual ~Shape() = default;
};
struct Circle : Shape {};
namespace bench {
struct Square : Shape {};
}  // namespace bench

uint64_t VtableOf(const Shape& object) {
  uint64_t word = 0;
  std::memcpy(&word, &object, sizeof(void*));
  return word;
}

// The blocks' first bytes: objects and texts among them.
void FillBlocks(const SubstituteHeap& heap) {
  const Shape shape;
  const Circle circle;
  const bench::Square square;
  const uint64_t tables[] = {VtableOf(shape), VtableOf(circle), VtableOf(square)};
  int busy = 0;
  for (const SubstituteItem& item : heap.items) {
    if (item.type != kHeapItemBlock || !(item.flags & kItemBlockBusy)) continue;
    auto* block = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(item.address));
    ++busy;
    if (busy % 3 == 0)
      std::memcpy(block, &tables[busy % 9 / 3], sizeof(void*));
    else if (busy % 5 == 0)
      std::memcpy(block, "quick brown fox", 16);
  }
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One region over `memory`, then the blocks one after the other, each with
// an 8-byte header before it.
SubstituteHeap BenchHeap(int blocks, uint64_t memory, uint64_t bytes) {
  SubstituteHeap heap;
  heap.baseAddress = memory;
  heap.flags = 0x2;
  heap.entryOverhead = sizeof(void*) == 8 ? 16 : 8;
  heap.items.reserve(static_cast<size_t>(blocks) + 2);
  heap.items.push_back({kHeapItemRegion, memory, bytes, bytes, 0, 0, false});
  heap.items.push_back({kHeapItemRange, memory, bytes, 0, kItemRangeCommitted, 0, false});
  uint64_t address = memory + 0x580;
  for (int i = 0; i < blocks; ++i) {
    const bool busy = i % 7 != 0;
    heap.items.push_back({kHeapItemBlock, address + 8, BlockSize(i), 0, busy ? kItemBlockBusy : 0u, 8,
                          busy && i % 5 == 0});
    address += 8 + BlockSize(i);
  }
  heap.entries = EntriesFromItems(heap.items);
  return heap;
}

// A few rows, top, middle and bottom, read through the list view's texts.
bool RowsMatch(const CListCtrl& list, const SubstituteHeap& heap) {
  const size_t count = heap.items.size() - 2;
  if (list.GetItemCount() != static_cast<int>(count)) return false;
  for (size_t r : {size_t{0}, size_t{1}, size_t{7}, count / 2, count - 1}) {
    const SubstituteItem& item = heap.items[r + 2];
    const bool busy = item.flags & kItemBlockBusy;
    if (CellText(list, static_cast<int>(r), 1) != Addr(item.address) ||
        CellText(list, static_cast<int>(r), 2) != Hex(item.size) ||
        CellText(list, static_cast<int>(r), 4) != (busy ? "Allocated" : "Free"))
      return false;
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct Fill {
  double fromAnswer;  // from the answer to the table painted
  double click;       // the whole click
  bool ok;
};

// A click on the node row, timed until the block list has painted.
Fill ClickNode(const SubstituteHeap& heap, bool items) {
  SubstituteScenario scenario;
  scenario.heaps = {heap};
  scenario.onlyProcessId = ::GetCurrentProcessId();
  scenario.itemClass = items;
  SetSubstituteScenario(std::move(scenario));
  LiveDialog dlg;
  dlg.UseSubstituteService();
  if (!dlg.ChooseProcessId(::GetCurrentProcessId()) || dlg->m_nodeList.GetItemCount() != 1) return {0, 0, false};
  PumpMessages(100);
  ResetSubstituteCounters();
  SelectRow(dlg->m_nodeList, 0);
  NMHDR click = {dlg->m_nodeList.m_hWnd, IDC_NODE_LIST, static_cast<UINT>(NM_CLICK)};
  const double start = SubstituteClockSeconds();
  ::SendMessageA(dlg.Hwnd(), WM_NOTIFY, IDC_NODE_LIST, reinterpret_cast<LPARAM>(&click));
  dlg->m_blockList.UpdateWindow();
  const double end = SubstituteClockSeconds();
  const SubstituteCounters counters = SubstituteCountersNow();
  const double answer = items ? counters.firstItemAt : counters.lastQueryReturnedAt;
  // The walk misreads these entries as Windows 10 writes them (addresses
  // from the region's base, sizes with the overhead): only its row count
  // is checked.
  const bool rows = items ? RowsMatch(dlg->m_blockList, heap)
                          : dlg->m_blockList.GetItemCount() == static_cast<int>(heap.items.size() - 2);
  const bool ok = rows && counters.itemQueries == 1 && counters.queries == (items ? 0 : 1) &&
                  dlg->m_blockRows.HeldBytes() <= 32 * heap.items.size();
  if (!ok)
    std::printf("  rows %d, item queries %d, queries %d, held %llu\n", rows, counters.itemQueries, counters.queries,
                static_cast<unsigned long long>(dlg->m_blockRows.HeldBytes()));
  return {end - answer, end - start, ok};
}
}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  bool ok = true;
  std::printf("kept rows: %u bytes a block (BlockRowValues %u + the order's 4)\n",
              static_cast<unsigned>(sizeof(BlockRowValues) + sizeof(uint32_t)),
              static_cast<unsigned>(sizeof(BlockRowValues)));
  for (size_t s = 0; s < std::size(kSizes); ++s) {
    const int blocks = kSizes[s];
    const uint64_t bytes = 0x1000 + static_cast<uint64_t>(blocks) * (8 + 0x70);
    void* memory = ::VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (memory == nullptr) return 2;
    const SubstituteHeap heap = BenchHeap(blocks, reinterpret_cast<uintptr_t>(memory), bytes);
    FillBlocks(heap);
    std::vector<double> items, itemClicks, walk, walkClicks, typesAlone, grouping, marking;
    for (int round = 0; round < rounds; ++round) {
      const Fill byItems = ClickNode(heap, true);
      const Fill byWalk = ClickNode(heap, false);
      ok = ok && byItems.ok && byWalk.ok;
      items.push_back(byItems.fromAnswer);
      itemClicks.push_back(byItems.click);
      walk.push_back(byWalk.fromAnswer);
      walkClicks.push_back(byWalk.click);
      // Where the time goes: the types alone, over rows as the fill keeps them;
      // Block Types' grouping and a mark with types of those rows.
      BlockRows rows;
      for (const SubstituteItem& item : heap.items)
        if (const auto row = BlockRowOfItem({item.type, item.address, item.size, 0, item.flags, item.overhead}))
          rows.Add(*row);
      const std::atomic<bool> never{false};
      auto start = std::chrono::steady_clock::now();
      const TypeNames names = ReadBlockTypes(::GetCurrentProcess(), rows, never);
      typesAlone.push_back(Seconds(start));
      start = std::chrono::steady_clock::now();
      const BlockTypes types = GroupBlockTypes(rows, names);
      grouping.push_back(Seconds(start));
      start = std::chrono::steady_clock::now();
      BlockMark mark;
      mark.Make(1, heap.baseAddress, ClockTime{12, 0, 0}, rows, names);
      marking.push_back(Seconds(start));
      ok = ok && types.groups.Count() == 5;  // three classes, text, unknown
      std::printf("%d blocks, round %d: items %.3f s from the answer (click %.3f s); walk %.3f s (click %.3f s); "
                  "types alone %.3f s, Block Types %.3f s, mark %.3f s%s\n",
                  blocks, round + 1, byItems.fromAnswer, byItems.click, byWalk.fromAnswer, byWalk.click,
                  typesAlone.back(), grouping.back(), marking.back(), byItems.ok && byWalk.ok ? "" : "  ROWS WRONG");
      std::fflush(stdout);
    }
    const double median = Median(items);
    std::printf("%d blocks, medians: items with Contents %.3f s from the answer to the table shown (goal %.2f s: %s), "
                "click %.3f s; the walk of the entries, with Contents: %.3f s, click %.3f s; of which the types "
                "alone %.3f s; Block Types %.3f s; a mark with types %.3f s\n",
                blocks, median, kGoals[s], median <= kGoals[s] ? "met" : "NOT met", Median(itemClicks), Median(walk),
                Median(walkClicks), Median(typesAlone), Median(grouping), Median(marking));
    ::VirtualFree(memory, 0, MEM_RELEASE);
  }
  SetSubstituteScenario({});
  std::printf("%s\n", ok ? "all rows checked" : "SOME ROWS WRONG");
  return ok ? 0 : 1;
}
