#include "support/SubstituteHeapQuery.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "heap/HeapItems.h"
#include "heap/HeapQuery.h"
#include "heap/HeapQueryFunctions.h"
#include "heap/HeapRecords.h"

// The entry points must fit the dialog's members exactly.
static_assert(std::is_same_v<decltype(&SubstituteCreateQueryDebugBuffer), PfnRtlCreateQueryDebugBuffer>);
static_assert(std::is_same_v<decltype(&SubstituteDestroyQueryDebugBuffer), PfnRtlDestroyQueryDebugBuffer>);
static_assert(std::is_same_v<decltype(&SubstituteQueryProcessDebugInformation), PfnRtlQueryProcessDebugInformation>);
static_assert(std::is_same_v<decltype(&SubstituteQueryHeapInformation), PfnRtlQueryHeapInformation>);

namespace {

constexpr uint32_t kBufferBytes = 192;  // header with its two fields, reserved tail

// The header's two fields in the program's own layout.
void ClearHeader(uint8_t* bytes) {
  const QueryLayout& layout = LayoutOf(kProgramWidth, false);
  PutWord(layout, bytes + layout.heapsPointer, 0);
  PutWord(layout, bytes + layout.processHeap, 0);
}

constexpr uint8_t kHeaderFill = 0xA5;
constexpr uint8_t kReservedFill = 0xEE;
constexpr uint8_t kDestroyedFill = 0xDD;

// One buffer handed out. Its first bytes are what the caller sees; the heap
// list and the entry arrays live in the vectors and are replaced as a whole
// by every successful query.
struct Buffer {
  alignas(8) uint8_t bytes[kBufferBytes];
  uint32_t maximumCommit = 0;
  std::vector<uint8_t> heapList;
  std::vector<uint8_t> entries;  // every heap's entries, one heap after the other
};

uint64_t AddressOf(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// Stores the seconds since its making, and optionally the moment, when it
// goes; made after the lock guard, it goes first, while the lock is still
// held.
class CallTimer {
 public:
  CallTimer(double& seconds, double start, double* end = nullptr) : m_seconds(seconds), m_start(start), m_end(end) {}
  CallTimer(const CallTimer&) = delete;
  CallTimer& operator=(const CallTimer&) = delete;
  ~CallTimer() {
    const double now = SubstituteClockSeconds();
    m_seconds = now - m_start;
    if (m_end != nullptr) *m_end = now;
  }

 private:
  double& m_seconds;
  double m_start;
  double* m_end;
};

struct State {
  std::mutex lock;
  SubstituteScenario scenario;
  SubstituteCounters counters;
  std::vector<std::string> misuses;
  std::map<void*, std::unique_ptr<Buffer>> live;
  int inFlight = 0;
  // Destroyed buffers keep their first bytes (poisoned), so a new buffer
  // never gets the address of a destroyed one and a second destruction
  // is always recognised as such.
  std::vector<std::unique_ptr<Buffer>> destroyed;

  void Misuse(const char* what, const void* buffer) {
    char text[128];
    std::snprintf(text, sizeof text, "%s %p", what, buffer);
    misuses.emplace_back(text);
  }
};

// The system's service leaves the thread's last error code alone; the
// locking here must not disturb it either. Declared before the lock guard,
// it restores the code (or the scenario's) after the lock is released.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : m_code(GetLastError()) {}
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
  ~LastErrorKeeper() { SetLastError(m_code); }
  void Replace(uint32_t code) { m_code = code; }

 private:
  DWORD m_code;
};

State& TheState() {
  static State state;
  return state;
}

// The maximum commit sizes the program asks for: the default (0), and the
// bigger buffers doubled up to the largest of its width.
bool KnownCommit(uint32_t commit) {
  for (uint64_t size = kFirstGrownCommit; size <= LargestGrownCommit(kProgramWidth); size *= 2)
    if (commit == size) return true;
  return commit == 0;
}

// Lays the scenario's heaps out into fresh vectors, so the buffer's old
// content stays intact until the new one is complete.
void Fill(Buffer& buffer, const SubstituteScenario& scenario, bool withEntries) {
  const QueryLayout& layout = LayoutOf(kProgramWidth, scenario.taggedRecords);
  const size_t heapCount = scenario.heaps.size();
  std::vector<uint8_t> heapList(layout.firstRecord + layout.recordSize * heapCount, kReservedFill);
  std::vector<uint8_t> entries;
  if (withEntries) {
    size_t total = 0;
    for (const SubstituteHeap& heap : scenario.heaps) total += heap.entries.size();
    entries.assign(total * layout.entryRecordSize, kReservedFill);
  }

  PutLe32(heapList.data(), static_cast<uint32_t>(heapCount));
  size_t entryOffset = 0;
  for (size_t h = 0; h < heapCount; ++h) {
    const SubstituteHeap& heap = scenario.heaps[h];
    uint8_t* record = heapList.data() + layout.firstRecord + layout.recordSize * h;
    uint64_t entriesAddress = 0;
    if (withEntries && !heap.entries.empty()) {
      uint8_t* out = entries.data() + entryOffset;
      entriesAddress = AddressOf(out);
      for (const SubstituteEntry& entry : heap.entries) {
        EncodeHeapEntry(layout, HeapEntryRecord{entry.size, entry.flags, entry.address}, out);
        PutLe16(out + layout.entryFlags + 2, 0xFFFF);  // shows up in a 32-bit read of Flags
        out += layout.entryRecordSize;
      }
      entryOffset += heap.entries.size() * layout.entryRecordSize;
    }
    EncodeHeapRecord(layout,
                     HeapRecord{heap.baseAddress, heap.flags, heap.entryOverhead, heap.bytesAllocated,
                                heap.bytesCommitted, static_cast<uint32_t>(heap.entries.size()), entriesAddress},
                     record);
    PutLe16(record + layout.entryOverhead + 2, 0xFFFF);  // shows up in a 32-bit read of EntryOverhead
    if (layout.recordSize > FieldBytes(layout)) std::memcpy(record + FieldBytes(layout), "HeapTag!", 8);
  }

  buffer.heapList = std::move(heapList);
  buffer.entries = std::move(entries);
  PutWord(layout, buffer.bytes + layout.heapsPointer, scenario.heapsPointerNull ? 0 : AddressOf(buffer.heapList.data()));
  const bool processHeapKnown = !scenario.processHeapUnknown && heapCount != 0;
  PutWord(layout, buffer.bytes + layout.processHeap, processHeapKnown ? scenario.heaps[0].baseAddress : 0);
}

}  // namespace

double SubstituteClockSeconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void SetSubstituteScenario(SubstituteScenario scenario) {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  state.scenario = std::move(scenario);
}

const SubstituteScenario& SubstituteScenarioInUse() { return TheState().scenario; }

SubstituteCounters SubstituteCountersNow() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  return state.counters;
}

void ResetSubstituteCounters() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  state.counters = {};
  state.misuses.clear();
}

int LiveSubstituteBuffers() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  return static_cast<int>(state.live.size());
}

int SubstituteQueriesInFlight() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  return state.inFlight;
}

bool WaitForSubstituteIdle(int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (SubstituteQueriesInFlight() == 0 && LiveSubstituteBuffers() == 0) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

int SubstituteMisuses() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  return static_cast<int>(state.misuses.size());
}

std::vector<std::string> SubstituteMisuseLog() {
  State& state = TheState();
  std::lock_guard guard(state.lock);
  return state.misuses;
}

void* __stdcall SubstituteCreateQueryDebugBuffer(uint32_t maximumCommit, uint32_t useEventPair) {
  LastErrorKeeper lastError;
  State& state = TheState();
  std::lock_guard guard(state.lock);
  state.counters.createCommits.push_back(maximumCommit);
  if (!KnownCommit(maximumCommit) || useEventPair != 0) {
    char text[96];
    std::snprintf(text, sizeof text, "create with arguments %u, %u", static_cast<unsigned>(maximumCommit),
                  static_cast<unsigned>(useEventPair));
    state.misuses.emplace_back(text);
  }
  const std::optional<uint32_t>& largest = state.scenario.largestCreatableCommit;
  if (state.scenario.createFails || (largest && maximumCommit > *largest)) {
    ++state.counters.failedCreations;
    return nullptr;
  }
  auto buffer = std::make_unique<Buffer>();
  std::memset(buffer->bytes, kHeaderFill, sizeof buffer->bytes);
  buffer->maximumCommit = maximumCommit;
  // No heap information until a query delivers some.
  ClearHeader(buffer->bytes);
  void* handle = buffer->bytes;
  state.live.emplace(handle, std::move(buffer));
  ++state.counters.creations;
  return handle;
}

int32_t __stdcall SubstituteDestroyQueryDebugBuffer(void* handle) {
  LastErrorKeeper lastError;
  const double start = SubstituteClockSeconds();
  State& state = TheState();
  std::lock_guard guard(state.lock);
  const CallTimer timer(state.counters.lastDestroySeconds, start);
  const auto found = state.live.find(handle);
  if (found == state.live.end()) {
    state.Misuse("destroy of a buffer that is not live:", handle);
    return kSubstituteStatusInvalidParameter;
  }
  std::unique_ptr<Buffer> buffer = std::move(found->second);
  state.live.erase(found);
  // Their memory goes too (= {} would keep the capacity).
  std::vector<uint8_t>().swap(buffer->heapList);
  std::vector<uint8_t>().swap(buffer->entries);
  std::memset(buffer->bytes, kDestroyedFill, sizeof buffer->bytes);
  state.destroyed.push_back(std::move(buffer));
  ++state.counters.destructions;
  return kSubstituteStatusSuccess;
}

int32_t __stdcall SubstituteQueryProcessDebugInformation(uintptr_t wideProcessId, uint32_t flags, void* handle) {
  LastErrorKeeper lastError;
  const double start = SubstituteClockSeconds();
  State& state = TheState();
  // Identifiers are 32 bits; the system reads the whole pointer-sized
  // argument, so an upper half left with garbage names another process.
  const uint32_t processId = static_cast<uint32_t>(wideProcessId);
  uint32_t delay = 0;
  {
    std::lock_guard guard(state.lock);
    ++state.counters.queries;
    ++state.inFlight;
    state.counters.queryFlags.push_back(flags);
    if (processId != wideProcessId) {
      char text[96];
      std::snprintf(text, sizeof text, "query with a process identifier of 0x%llx",
                    static_cast<unsigned long long>(wideProcessId));
      state.misuses.emplace_back(text);
    }
    state.counters.queryProcessIds.push_back(processId);
    const SubstituteScenario& scenario = state.scenario;
    if (!scenario.delayOnlyProcessId || *scenario.delayOnlyProcessId == processId) delay = scenario.answerDelayMs;
  }
  // The wait holds no lock: other threads' queries go on meanwhile. The
  // answer is the scenario's when the wait ends.
  if (delay != 0) Sleep(delay);

  std::lock_guard guard(state.lock);
  const CallTimer timer(state.counters.lastQuerySeconds, start, &state.counters.lastQueryReturnedAt);
  --state.inFlight;
  const SubstituteScenario& scenario = state.scenario;
  const auto found = state.live.find(handle);
  const auto failing = scenario.failingFlags.find(flags);
  int32_t status = kSubstituteStatusSuccess;
  bool fill = false;
  if (found == state.live.end()) {
    state.Misuse("query into a buffer that is not live:", handle);
    status = kSubstituteStatusInvalidParameter;
  } else if (scenario.onlyProcessId && *scenario.onlyProcessId != wideProcessId) {
    status = kSubstituteStatusNoSuchProcess;
  } else if (failing != scenario.failingFlags.end()) {
    status = failing->second;  // the buffer stays as it was, whatever the status
  } else if ((flags & kQueryHeapEntries) && found->second->maximumCommit < scenario.commitNeeded) {
    status = kSubstituteStatusNoMemory;
  } else {
    fill = true;
  }
  if (status != kSubstituteStatusSuccess && scenario.lastErrorOnFailure)
    lastError.Replace(*scenario.lastErrorOnFailure);
  if (!fill) return status;

  Buffer& buffer = *found->second;
  if (flags & (kQueryHeapSummary | kQueryHeapEntries)) {
    Fill(buffer, scenario, (flags & kQueryHeapEntries) != 0);
  } else {
    // Nothing about heaps was asked for.
    std::vector<uint8_t>().swap(buffer.heapList);
    std::vector<uint8_t>().swap(buffer.entries);
    ClearHeader(buffer.bytes);
  }
  return kSubstituteStatusSuccess;
}

namespace {

// The request's fields, read at the offsets the system reads them at.
struct ItemRequest {
  HANDLE process;
  uint64_t heap;
  uint32_t level;
  PfnHeapItemCallback callback;
  void* context;
};

ItemRequest ReadItemRequest(const void* info) {
  const HeapRequestLayout layout = RequestLayoutOf(kProgramWidth);
  const auto* bytes = static_cast<const uint8_t*>(info);
  ItemRequest request{};
  void* heap = nullptr;
  std::memcpy(&request.process, bytes + layout.process, sizeof request.process);
  std::memcpy(&heap, bytes + layout.heap, sizeof heap);
  std::memcpy(&request.level, bytes + layout.level, sizeof request.level);
  std::memcpy(&request.callback, bytes + layout.callback, sizeof request.callback);
  std::memcpy(&request.context, bytes + layout.context, sizeof request.context);
  request.heap = reinterpret_cast<uintptr_t>(heap);
  return request;
}

}  // namespace

int32_t __stdcall SubstituteQueryHeapInformation(void* heapArgument, uint32_t infoClass, void* info, size_t size,
                                                 size_t*) {
  LastErrorKeeper lastError;
  State& state = TheState();
  uint32_t delay = 0;
  ItemRequest request{};
  uint32_t processId = 0;
  {
    std::lock_guard guard(state.lock);
    ++state.counters.itemQueries;
    if (infoClass != kHeapExtendedInformationClass || heapArgument != nullptr || info == nullptr ||
        size != RequestLayoutOf(kProgramWidth).size) {
      state.Misuse("extended call with another class, heap argument or request size:", info);
      return kStatusInvalidInfoClass;
    }
    request = ReadItemRequest(info);
    processId = request.process != nullptr ? GetProcessId(request.process) : 0;
    state.counters.itemProcessIds.push_back(processId);
    state.counters.itemHeaps.push_back(request.heap);
    if (request.level != kHeapItemLevelBlocks || request.callback == nullptr) {
      state.Misuse("extended call with another level or no callback:", info);
      return kSubstituteStatusInvalidParameter;
    }
    const SubstituteScenario& scenario = state.scenario;
    // A system without the class answers at once.
    if (!scenario.itemClass) return kStatusInvalidInfoClass;
    if (!scenario.delayOnlyProcessId || *scenario.delayOnlyProcessId == processId) delay = scenario.answerDelayMs;
    ++state.inFlight;
  }
  // In flight until it returns, its callbacks included: a stopped wait's
  // worker is still in here.
  struct Returned {
    State& state;
    ~Returned() {
      std::lock_guard guard(state.lock);
      --state.inFlight;
    }
  } returned{state};
  if (delay != 0) Sleep(delay);

  std::vector<uint8_t> bytes;
  std::vector<size_t> offsets;
  {
    std::lock_guard guard(state.lock);
    const SubstituteScenario& scenario = state.scenario;
    if (!scenario.itemClass) return kStatusInvalidInfoClass;
    if (scenario.itemStatus) return *scenario.itemStatus;
    if (scenario.onlyProcessId && *scenario.onlyProcessId != processId) return kSubstituteStatusInvalidParameter;
    const SubstituteHeap* heap = nullptr;
    for (const SubstituteHeap& h : scenario.heaps)
      if (heap == nullptr && h.baseAddress == request.heap) heap = &h;
    if (heap == nullptr) return kSubstituteStatusInvalidParameter;
    bytes = LayOutItems(heap->items, offsets);
    state.counters.firstItemAt = SubstituteClockSeconds();
  }
  // The callback runs without the lock, as the system calls it from the
  // caller's thread once the target's answer is copied back.
  size_t delivered = 0;
  for (const size_t offset : offsets) {
    ++delivered;
    if (request.callback(bytes.data() + offset, request.context) < 0) break;
  }
  std::lock_guard guard(state.lock);
  state.counters.itemsDelivered += delivered;
  return kSubstituteStatusSuccess;
}
