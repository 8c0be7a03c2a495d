// The test doubles themselves: the substitute heap-query service must lay
// out exactly what the program's record reader expects, count and police
// its calls, and the heap target must report real, readable blocks.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "heap/BlockWalk.h"
#include "heap/HeapRecords.h"
#include "heap/ItemQuery.h"
#include "heap/OwnMemoryImage.h"
#include "heap/ProcessHandle.h"
#include "support/SubstituteHeapQuery.h"
#include "support/TargetProcess.h"

namespace {

uint64_t AddressOf(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// The program's own layout, of which the service writes both forms.
const QueryLayout& kLayout = LayoutOf(kProgramWidth, false);

uint32_t Raw32(uint64_t address) {
  uint32_t value = 0;
  std::memcpy(&value, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), sizeof value);
  return value;
}

uint64_t RawPointer(uint64_t address) {
  uintptr_t value = 0;
  std::memcpy(&value, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), sizeof value);
  return value;
}

// The reader the program would use: the layout chosen by what the buffer
// shows, with no build number to fall back on.
HeapQueryReader ReaderOf(const MemoryImage& image, uint64_t buffer) {
  return HeapQueryReader(image, buffer, ChooseHeapListLayout(image, buffer, kProgramWidth, 0));
}

// A buffer from the substitute, destroyed at the end of the test.
struct Buffer {
  void* p = SubstituteCreateQueryDebugBuffer(0, 0);
  Buffer() = default;
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() {
    if (p) SubstituteDestroyQueryDebugBuffer(p);
  }
  uint64_t Address() const { return AddressOf(p); }
};

SubstituteScenario TwoHeaps() {
  SubstituteScenario scenario;
  scenario.heaps.push_back({0x00150000,
                            0x00000002,
                            0x1000,
                            0x4000,
                            8,
                            {{0x00040000, 0x0002, 0x00150580}, {0x20, 0x0001, 0}, {0x40, 0x0100, 0}},
                            {}});
  scenario.heaps.push_back({0x00A00000, 0x00001002, 0, 0x2000, 16, {}, {}});
  return scenario;
}

class SubstituteService : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSubstituteCounters();
    SetSubstituteScenario({});
  }
  void TearDown() override { EXPECT_EQ(SubstituteMisuses(), 0) << ::testing::PrintToString(SubstituteMisuseLog()); }

  OwnMemoryImage image;
};

TEST_F(SubstituteService, FullQueryReadsBackFieldForFieldWithTrapsInTheReservedBytes) {
  SetSubstituteScenario(TwoHeaps());
  Buffer buffer;
  ASSERT_NE(buffer.p, nullptr);
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);

  const HeapQueryReader reader = ReaderOf(image, buffer.Address());
  ASSERT_EQ(reader.HeapCount(), 2u);
  HeapRecord first{}, second{};
  ASSERT_TRUE(reader.ReadHeap(0, first));
  ASSERT_TRUE(reader.ReadHeap(1, second));
  EXPECT_FALSE(reader.ReadHeap(2, second));
  EXPECT_EQ(first.BaseAddress, 0x00150000u);
  EXPECT_EQ(first.Flags, 0x00000002u);
  EXPECT_EQ(first.EntryOverhead, 8);
  EXPECT_EQ(first.BytesAllocated, 0x1000u);
  EXPECT_EQ(first.BytesCommitted, 0x4000u);
  EXPECT_EQ(first.NumberOfEntries, 3u);
  EXPECT_EQ(second.BaseAddress, 0x00A00000u);
  EXPECT_EQ(second.EntryOverhead, 16);
  EXPECT_EQ(second.NumberOfEntries, 0u);

  HeapEntryRecord entry{};
  ASSERT_TRUE(reader.ReadEntry(first, 0, entry));
  EXPECT_EQ(entry.Size, 0x00040000u);
  EXPECT_EQ(entry.Flags, 0x0002);
  EXPECT_EQ(entry.Address, 0x00150580u);
  ASSERT_TRUE(reader.ReadEntry(first, 2, entry));
  EXPECT_EQ(entry.Size, 0x40u);
  EXPECT_EQ(entry.Flags, 0x0100);
  EXPECT_FALSE(reader.ReadEntry(first, 3, entry));
  EXPECT_FALSE(reader.ReadEntry(second, 0, entry));

  // A reader that took 32 bits for the 16-bit fields would see 0xFFFF on top.
  const auto* header = static_cast<const uint8_t*>(buffer.p);
  for (uint32_t i = 0; i < kLayout.heapsPointer; ++i) ASSERT_EQ(header[i], 0xA5) << "header byte " << i;
  const uint64_t list = RawPointer(buffer.Address() + kLayout.heapsPointer);
  EXPECT_EQ(Raw32(list + kLayout.firstRecord + kLayout.entryOverhead), 0xFFFF0008u);
  EXPECT_EQ(Raw32(first.Entries + kLayout.entryRecordSize + kLayout.entryFlags), 0xFFFF0001u);
}

TEST_F(SubstituteService, SummaryOnlyQueryKeepsTheCountsButLaysOutNoEntries) {
  SetSubstituteScenario(TwoHeaps());
  Buffer buffer;
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x04, buffer.p), 0);
  const HeapQueryReader reader = ReaderOf(image, buffer.Address());
  HeapRecord heap{};
  ASSERT_TRUE(reader.ReadHeap(0, heap));
  EXPECT_EQ(heap.NumberOfEntries, 3u);
  EXPECT_EQ(heap.Entries, 0u);
}

TEST_F(SubstituteService, FailedQueryLeavesTheBufferAndTheLastErrorAsTheyWere) {
  SubstituteScenario scenario = TwoHeaps();
  scenario.failingFlags[0x14] = static_cast<int32_t>(0xC0000017);
  SetSubstituteScenario(scenario);
  Buffer buffer;

  SetLastError(1234);
  EXPECT_EQ(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), static_cast<int32_t>(0xC0000017));
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(ReaderOf(image, buffer.Address()).HeapCount(), 0u) << "a fresh buffer holds no heaps";

  // The fallback into the same buffer succeeds; failing again afterwards
  // must not undo it.
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x04, buffer.p), 0);
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_NE(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);
  EXPECT_EQ(ReaderOf(image, buffer.Address()).HeapCount(), 2u);

  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.queries, 3);
  EXPECT_EQ(counters.queryFlags, (std::vector<uint32_t>{0x14, 0x04, 0x14}));
  EXPECT_EQ(counters.queryProcessIds, (std::vector<uint32_t>{7, 7, 7}));

  scenario.lastErrorOnFailure = 0x57;
  SetSubstituteScenario(scenario);
  EXPECT_NE(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);
  EXPECT_EQ(GetLastError(), 0x57u);
}

TEST_F(SubstituteService, OtherProcessesAndANullHeapListPointer) {
  SubstituteScenario scenario = TwoHeaps();
  scenario.onlyProcessId = 42;
  scenario.heapsPointerNull = true;
  SetSubstituteScenario(scenario);
  Buffer buffer;
  EXPECT_EQ(SubstituteQueryProcessDebugInformation(43, 0x14, buffer.p), kSubstituteStatusNoSuchProcess);
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(42, 0x14, buffer.p), 0);
  EXPECT_EQ(RawPointer(buffer.Address() + kLayout.heapsPointer), 0u);
  EXPECT_EQ(ReaderOf(image, buffer.Address()).HeapCount(), 0u);
}

TEST_F(SubstituteService, SecondQueryReplacesTheFirstsContent) {
  SetSubstituteScenario(TwoHeaps());
  Buffer buffer;
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);
  SubstituteScenario other;
  other.heaps.push_back({0x00330000, 0, 0, 0, 0, {{0x10, 0x0001, 0}}, {}});
  SetSubstituteScenario(other);
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);
  const HeapQueryReader reader = ReaderOf(image, buffer.Address());
  HeapRecord heap{};
  ASSERT_EQ(reader.HeapCount(), 1u);
  ASSERT_TRUE(reader.ReadHeap(0, heap));
  EXPECT_EQ(heap.BaseAddress, 0x00330000u);
  EXPECT_EQ(LiveSubstituteBuffers(), 1);
}

TEST_F(SubstituteService, BuffersAreCountedAndMisuseIsRecorded) {
  const int liveBefore = LiveSubstituteBuffers();
  void* a = SubstituteCreateQueryDebugBuffer(0, 0);
  void* b = SubstituteCreateQueryDebugBuffer(0, 0);
  ASSERT_TRUE(a && b && a != b);
  EXPECT_EQ(LiveSubstituteBuffers(), liveBefore + 2);
  EXPECT_EQ(SubstituteDestroyQueryDebugBuffer(a), 0);
  EXPECT_EQ(SubstituteDestroyQueryDebugBuffer(b), 0);
  EXPECT_EQ(LiveSubstituteBuffers(), liveBefore);
  EXPECT_EQ(SubstituteMisuses(), 0);

  EXPECT_NE(SubstituteDestroyQueryDebugBuffer(a), 0);
  EXPECT_NE(SubstituteQueryProcessDebugInformation(7, 0x14, b), 0);
  EXPECT_NE(SubstituteDestroyQueryDebugBuffer(nullptr), 0);
  SubstituteDestroyQueryDebugBuffer(SubstituteCreateQueryDebugBuffer(0x1000, 0));
  EXPECT_EQ(SubstituteMisuses(), 4);
  void* c = SubstituteCreateQueryDebugBuffer(0, 0);
  EXPECT_NE(c, a) << "a destroyed buffer's address is never handed out again";
  SubstituteDestroyQueryDebugBuffer(c);

  SubstituteScenario failing;
  failing.createFails = true;
  SetSubstituteScenario(failing);
  EXPECT_EQ(SubstituteCreateQueryDebugBuffer(0, 0), nullptr);
  const SubstituteCounters counters = SubstituteCountersNow();
  EXPECT_EQ(counters.creations, 4);
  EXPECT_EQ(counters.destructions, 4);
  EXPECT_EQ(counters.failedCreations, 1);
  ResetSubstituteCounters();  // the misuse above was on purpose
}

TEST_F(SubstituteService, HundredThousandEntriesAllReachTheReader) {
  SubstituteScenario scenario;
  SubstituteHeap heap{0x00500000, 0, 0, 0, 8, {}, {}};
  for (uint32_t i = 0; i < 100000; ++i) heap.entries.push_back({i, static_cast<uint16_t>(i & 0xFFFF), i * 3});
  scenario.heaps.push_back(std::move(heap));
  SetSubstituteScenario(std::move(scenario));
  Buffer buffer;
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(7, 0x14, buffer.p), 0);
  const HeapQueryReader reader = ReaderOf(image, buffer.Address());
  HeapRecord record{};
  HeapEntryRecord entry{};
  ASSERT_TRUE(reader.ReadHeap(0, record));
  ASSERT_EQ(record.NumberOfEntries, 100000u);
  ASSERT_TRUE(reader.ReadEntry(record, 99999, entry));
  EXPECT_EQ(entry.Size, 99999u);
  EXPECT_EQ(entry.Flags, 99999 & 0xFFFF);
  EXPECT_EQ(entry.Address, 99999u * 3);
}

TEST(TargetReportText, IncompleteOrMalformedReportsAreRejected) {
  TargetReport report;
  const std::string good =
      "pid 5\nheap 10000 private\nentry 10000 2c8 0 1 0 1000 0 102c8 11000\n"
      "entry 102d0 10 8 4 0\nblock 0 102d0 10 10000\nobject 102e8 18 ns::Node\nunreadable 20000\nend\n";
  ASSERT_TRUE(ParseTargetReport(good, report));
  EXPECT_EQ(report.heaps.at(0).entries.at(0).firstBlock, 0x102c8u);
  EXPECT_EQ(report.blocks.at(0).address, 0x102d0u);
  ASSERT_EQ(report.objects.size(), 1u);
  EXPECT_EQ(report.objects[0].type, "ns::Node");
  EXPECT_FALSE(ParseTargetReport(good.substr(0, good.size() - 4), report)) << "no end line";
  EXPECT_FALSE(ParseTargetReport("entry 102d0 10 8 4 0\nend\n", report)) << "entry before any heap";
  EXPECT_FALSE(ParseTargetReport("pid 5 6\nend\n", report)) << "trailing field";
  EXPECT_FALSE(ParseTargetReport("heap 1 other\nentry 0 2c8 0 1 0\nend\n", report)) << "region without its sizes";
}

class HeapTarget : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { target = new std::optional<TargetProcess>(TargetProcess::Start("")); }
  static void TearDownTestSuite() {
    delete target;
    target = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(target->has_value()) << TargetStartError(); }
  const TargetReport& Report() const { return (*target)->Report(); }

  static std::optional<TargetProcess>* target;
};
std::optional<TargetProcess>* HeapTarget::target = nullptr;

TEST_F(HeapTarget, ReportsEveryKnownBlockAsABusyWalkEntry) {
  const TargetReport& report = Report();
  EXPECT_EQ(report.processId, (*target)->ProcessId());
  ASSERT_GE(report.heaps.size(), 2u);
  EXPECT_EQ(report.heaps[0].role, "private");
  EXPECT_EQ(report.heaps[1].role, "process");
  EXPECT_EQ(report.blocks.size(), 300u - 30u + 8u) << "every tenth private block is freed";
  EXPECT_NE(report.unreadableAddress, 0u);
  for (const KnownBlock& block : report.blocks) {
    bool found = false;
    for (const TargetReport::Heap& heap : report.heaps) {
      if (heap.handle != block.heap) continue;
      for (const WalkEntry& entry : heap.entries)
        found = found || (entry.data == block.address && entry.size == block.size && (entry.flags & 0x4));
    }
    EXPECT_TRUE(found) << "block " << block.index;
  }
}

TEST_F(HeapTarget, KnownBlocksReadBackAsTheirPatternAndTheHoleFails) {
  const TargetReport& report = Report();
  HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, (*target)->ProcessId());
  ASSERT_NE(process, nullptr);
  for (int index : {0, 5, 299, 300, 307}) {
    const KnownBlock* block = report.FindBlock(index);
    ASSERT_NE(block, nullptr) << index;
    std::vector<uint8_t> bytes(block->size);
    SIZE_T got = 0;
    ASSERT_TRUE(ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(block->address)),
                                  bytes.data(), bytes.size(), &got))
        << index;
    EXPECT_EQ(bytes, ExpectedBlockBytes(index, block->size)) << index;
  }
  const std::vector<uint8_t> text = ExpectedBlockBytes(5, 8);
  EXPECT_EQ(std::string(text.begin(), text.end()), "Block 5 ");
  uint8_t byte = 0;
  SIZE_T got = 0;
  EXPECT_FALSE(ReadProcessMemory(
      process, reinterpret_cast<const void*>(static_cast<uintptr_t>(report.unreadableAddress)), &byte, 1, &got));
  CloseHandle(process);
}

// Fails when an item (extra chain included) is laid out otherwise than the
// program's reader reads it, or is made from the wrong walk entry.
TEST_F(HeapTarget, ItemsReadBackAsTheTargetsOwnBlocks) {
  const TargetReport& report = Report();
  SetSubstituteScenario(ScenarioFromReport(report));
  const ProcessHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, report.processId));
  ASSERT_TRUE(process);
  const std::atomic<bool> stop{false};
  for (const TargetReport::Heap& walked : report.heaps) {
    std::vector<std::tuple<uint64_t, uint64_t, bool>> expected, rows;
    for (const WalkEntry& entry : walked.entries)
      if (!(entry.flags & 0x3)) expected.emplace_back(entry.data, entry.size, (entry.flags & 0x4) != 0);
    BlockRows kept;
    const ItemQueryResult result =
        QueryHeapItems(&SubstituteQueryHeapInformation, process.Get(), walked.handle, kept, stop);
    EXPECT_EQ(result.status, 0) << walked.role << " heap";
    EXPECT_EQ(result.refusedItems, 0u) << walked.role << " heap";
    for (size_t i = 0; i < kept.Count(); ++i)
      rows.emplace_back(kept.InWalkOrder(i).address, kept.InWalkOrder(i).size, !kept.InWalkOrder(i).Free());
    EXPECT_EQ(rows, expected) << walked.role << " heap";
  }
  const TargetReport::Heap& privateHeap = report.heaps[0];
  const auto frees = std::count_if(privateHeap.entries.begin(), privateHeap.entries.end(),
                                   [](const WalkEntry& e) { return e.flags == 0; });
  EXPECT_GT(frees, 0) << "the private heap has free blocks between busy ones";
  SetSubstituteScenario({});
}

// The 0x14 entries as Windows 10 and 11 write them misplace the walk: the
// segment entry gives the region's base, not its first block, and the
// uncommitted range becomes a row. Fails when the substitute writes them as
// older systems did, so the walk's tests would no longer show this.
TEST_F(HeapTarget, WalkOfTheEntriesMissesTheRealAddresses) {
  const TargetReport& report = Report();
  SetSubstituteScenario(ScenarioFromReport(report));
  Buffer buffer;
  EXPECT_NE(SubstituteQueryProcessDebugInformation(report.processId + 4, 0x14, buffer.p), 0);
  ASSERT_EQ(SubstituteQueryProcessDebugInformation(report.processId, 0x14, buffer.p), 0);
  OwnMemoryImage image;
  const HeapQueryReader reader = ReaderOf(image, buffer.Address());
  HeapRecord heap{};
  ASSERT_TRUE(reader.FindHeap(report.heaps[0].handle, heap));
  std::vector<BlockCursor> walked;
  BlockCursor cursor{};
  if (BlockWalkFirst(reader, heap, cursor)) {
    do walked.push_back(cursor);
    while (++cursor.Index < heap.NumberOfEntries && BlockWalkNext(cursor, reader, heap));
  }
  const std::vector<WalkEntry>& entries = report.heaps[0].entries;
  const auto uncommitted =
      std::count_if(entries.begin(), entries.end(), [](const WalkEntry& e) { return e.flags & 0x2; });
  const auto blocks =
      std::count_if(entries.begin(), entries.end(), [](const WalkEntry& e) { return !(e.flags & 0x3); });
  ASSERT_GT(uncommitted, 0);
  ASSERT_TRUE(entries.at(0).flags & 0x1) << "the heap's walk begins with its region";
  EXPECT_EQ(walked.size(), static_cast<size_t>(blocks + uncommitted));
  ASSERT_FALSE(walked.empty());
  EXPECT_EQ(walked[0].Address, entries[0].data + heap.EntryOverhead);
  EXPECT_LT(walked[0].Address, entries.at(1).data) << "short by the heap's header";
  SetSubstituteScenario({});
}

TEST(HeapTargetLife, TerminateEndsTheProcessAndDestructionAlsoDoes) {
  uint32_t pid = 0;
  {
    std::optional<TargetProcess> target = TargetProcess::Start("", 10);
    ASSERT_TRUE(target.has_value()) << TargetStartError();
    EXPECT_EQ(target->Report().blocks.size(), 10u - 1u + 8u);
    EXPECT_TRUE(target->Running());
    target->Terminate();
    EXPECT_FALSE(target->Running());
    target = TargetProcess::Start("", 10);
    ASSERT_TRUE(target.has_value()) << TargetStartError();
    pid = target->ProcessId();
  }
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
  }
  EXPECT_FALSE(TargetProcess::Start("Z:\\no\\such\\HeapTarget.exe").has_value());
  EXPECT_NE(TargetStartError(), "");
}

}  // namespace

// The buffer is the system's: a pointer in it that leads nowhere must end
// the records, not the program.
TEST(OwnMemory, ReadsOnlyCommittedReadablePages) {
  const DWORD page = 4096;
  uint8_t* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4 * page, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(base, nullptr);
  ASSERT_NE(VirtualAlloc(base, 2 * page, MEM_COMMIT, PAGE_READWRITE), nullptr);
  ASSERT_NE(VirtualAlloc(base + 2 * page, page, MEM_COMMIT, PAGE_READWRITE), nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_READONLY, &old));
  ASSERT_TRUE(VirtualProtect(base + 2 * page, page, PAGE_NOACCESS, &old));
  // A buffer at the start whose heap-list pointer leads into the last,
  // reserved page.
  std::memset(base, 0, page);
  const uint64_t at = AddressOf(base);
  const uintptr_t nowhere = static_cast<uintptr_t>(at + 3 * page);
  std::memcpy(base + kLayout.heapsPointer, &nowhere, sizeof nowhere);

  OwnMemoryImage image;
  uint8_t out[32];
  EXPECT_TRUE(image.Read(at + page - 16, out, 32)) << "across a read-write and a read-only page";
  EXPECT_TRUE(image.Read(at + page - 16, out, 32)) << "again, from what the image remembered";
  EXPECT_FALSE(image.Read(at + 2 * page - 16, out, 32)) << "into a no-access page";
  EXPECT_FALSE(image.Read(at + 3 * page, out, 4)) << "a reserved page";
  EXPECT_FALSE(image.Read(0x10, out, 4));
  EXPECT_EQ(HeapQueryReader(image, at, kLayout).HeapCount(), 0u);
  EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}
