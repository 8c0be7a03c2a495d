// A stand-in for the system's heap-query service, for tests that put its
// three functions into the dialog's entry-point members. Wine's own service
// reports no heaps, so this one lays out whatever heaps a test describes,
// in the system's buffer layout for the program's own width
// (heap/HeapLayout.h), untagged or tagged:
//
//   buffer:     header bytes 0xA5, heap-list pointer and the process heap
//               (the first heap's base) at their offsets (56 and 76, or
//               112 and 152)
//   heap list:  32-bit count, then the records (64 or 72 bytes from offset
//               4 or 8; 88 or 96 bytes from offset 8), padding 0xEE, tags
//               "HeapTag!"
//   record:     reserved bytes 0xEE, 0xFFFF in the two after EntryOverhead
//   entry:      reserved bytes 0xEE, 0xFFFF in the two after Flags
//
// The pointers are real pointers into this process, valid until the buffer
// is destroyed. The extended heap information is laid out per call, item
// by item as the system writes it for the program's width. Every call is counted, and misuse (destroying or querying a
// buffer that is not live, creating with arguments the program never
// passes) is recorded for the test to assert on.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct SubstituteEntry {
  uint64_t size = 0;
  uint16_t flags = 0;
  uint64_t address = 0;
};

// One item of the system's extended heap information (heap/HeapItems.h).
struct SubstituteItem {
  uint32_t type = 0;      // kHeapItemRegion, kHeapItemRange or kHeapItemBlock
  uint64_t address = 0;   // a block's: what HeapAlloc returned
  uint64_t size = 0;      // region: reserved; range: its size; block: data size
  uint64_t commit = 0;    // region: committed
  uint32_t flags = 0;     // block: kItemBlock...; range: kItemRange...
  uint64_t overhead = 0;  // block
  // A block whose item carries extra information: a chain of two records
  // (one of another type, then the settable one), and the flag 0x2.
  bool extra = false;
};

struct SubstituteHeap {
  uint64_t baseAddress = 0;
  uint32_t flags = 0;
  uint64_t bytesAllocated = 0;
  uint64_t bytesCommitted = 0;
  uint16_t entryOverhead = 0;
  std::vector<SubstituteEntry> entries;
  // What the extended call hands to the callback for this heap, in order.
  std::vector<SubstituteItem> items;
};

// The 0x14 query's entries as Windows 10 and 11 write them from the items:
// a region gives a segment entry (flags 0x0002) at the region's base with
// its reserved size, an uncommitted range an entry of flags 0x1000 and its
// size, a block an entry of its data size plus overhead with flags 0x0001
// when busy (else 0), | 0x8000 for an LFH slot, | 0x4000 for a large
// block, | 0x0010 with extra information; no block entry carries an
// address, and committed ranges give none.
std::vector<SubstituteEntry> EntriesFromItems(const std::vector<SubstituteItem>& items);

// The items laid out one after the other as the system hands them over
// (each at an 8-byte boundary), with the offset of each.
std::vector<uint8_t> LayOutItems(const std::vector<SubstituteItem>& items, std::vector<size_t>& offsets);

// Status values the service answers with.
constexpr int32_t kSubstituteStatusSuccess = 0;
constexpr int32_t kSubstituteStatusNoSuchProcess = static_cast<int32_t>(0xC000000B);
constexpr int32_t kSubstituteStatusInvalidParameter = static_cast<int32_t>(0xC000000D);
constexpr int32_t kSubstituteStatusNoMemory = static_cast<int32_t>(0xC0000017);

struct SubstituteScenario {
  std::vector<SubstituteHeap> heaps;
  // RtlCreateQueryDebugBuffer answers null.
  bool createFails = false;
  // A query with one of these flag values returns the mapped status and
  // leaves the buffer as it was.
  std::map<uint32_t, int32_t> failingFlags;
  // A successful query stores 0 as the heap-list pointer.
  bool heapsPointerNull = false;
  // When set, a query for any other process answers 0xC000000B.
  std::optional<uint32_t> onlyProcessId;
  // When set, a failed query leaves this as the thread's last error code
  // (the system's service leaves it untouched, which is the default here).
  std::optional<uint32_t> lastErrorOnFailure;
  // Records with a tag, as later Windows 11 builds write.
  bool taggedRecords = false;
  // The header names no process heap (the value at 76 stays 0).
  bool processHeapUnknown = false;
  // A query with the heap entries answers 0xC0000017 (no room) unless the
  // buffer was created with at least this maximum commit size.
  uint32_t commitNeeded = 0;
  // When set, a create asking for a larger maximum commit answers null.
  std::optional<uint32_t> largestCreatableCommit;
  // Every query waits this long before it answers, as the system's does
  // for a target that can't run the thread it starts there; with
  // delayOnlyProcessId, only queries for that process wait.
  uint32_t answerDelayMs = 0;
  std::optional<uint32_t> delayOnlyProcessId;
  // Whether the extended call knows its class (Windows 10 and 11): when
  // not, it answers STATUS_INVALID_INFO_CLASS, as Wine and older systems do.
  bool itemClass = false;
  // When set, the extended call answers this status without calling back.
  std::optional<int32_t> itemStatus;
};

struct SubstituteCounters {
  int creations = 0;     // buffers handed out
  int destructions = 0;  // live buffers destroyed
  int queries = 0;       // every query call, failed ones included
  std::vector<uint32_t> queryFlags;
  std::vector<uint32_t> queryProcessIds;
  int failedCreations = 0;              // create calls answered with null
  std::vector<uint32_t> createCommits;  // maximum commit size of every create call
  // How long the last query call and the last destruction took, from call
  // to return (a query's laying out of a big heap included), and when the
  // last query returned (SubstituteClockSeconds), in seconds: benchmarks
  // tell the service's time from the program's by them.
  double lastQuerySeconds = 0;
  double lastDestroySeconds = 0;
  double lastQueryReturnedAt = 0;
  // The extended call: every call, the process and heap each asked for,
  // the items handed to the callback, and when the first of them was.
  int itemQueries = 0;
  std::vector<uint32_t> itemProcessIds;
  std::vector<uint64_t> itemHeaps;
  size_t itemsDelivered = 0;
  double firstItemAt = 0;
};

// The clock of those counters: the performance counter, in seconds.
double SubstituteClockSeconds();

// The scenario applies to every call from now on; buffers already filled
// keep what they hold.
void SetSubstituteScenario(SubstituteScenario scenario);
const SubstituteScenario& SubstituteScenarioInUse();

SubstituteCounters SubstituteCountersNow();
// Clears the counters and the misuse record; live buffers stay live.
void ResetSubstituteCounters();

// Buffers created and not yet destroyed.
int LiveSubstituteBuffers();
// Queries and extended calls that have been called and not yet returned.
int SubstituteQueriesInFlight();
// Waits (without handling messages) until no query is in flight and no
// buffer is live, up to timeoutMs; false when that did not happen.
bool WaitForSubstituteIdle(int timeoutMs);
// Calls made with a buffer that was never created or is already destroyed
// (null included), with arguments the program never passes, or with a
// process identifier whose upper half is not zero, since the last reset;
// the log says what each one was.
int SubstituteMisuses();
std::vector<std::string> SubstituteMisuseLog();

// The three entry points, with the signatures and calling convention of the
// system's functions (see heap/HeapQueryFunctions.h).
void* __stdcall SubstituteCreateQueryDebugBuffer(uint32_t maximumCommit, uint32_t useEventPair);
int32_t __stdcall SubstituteDestroyQueryDebugBuffer(void* buffer);
int32_t __stdcall SubstituteQueryProcessDebugInformation(uintptr_t processId, uint32_t flags, void* buffer);
// RtlQueryHeapInformation with the extended class: reads the request as the
// system does, finds the scenario's heap by the request's base and calls
// the callback once per item, on the calling thread, until it returns a
// negative status. Misuse (another class or request size, a heap argument,
// a level other than 5, no callback) is recorded.
int32_t __stdcall SubstituteQueryHeapInformation(void* heap, uint32_t infoClass, void* info, size_t size,
                                                 size_t* returned);
