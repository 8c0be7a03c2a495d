// A stand-in for the system's heap-query service, for tests that put its
// three functions into the dialog's entry-point members. Wine's own service
// reports no heaps, so this one lays out whatever heaps a test describes,
// in the system's buffer layout:
//
//   buffer:     56 header bytes (0xA5), heap-list pointer at 56, reserved
//   heap list:  32-bit count, then 64-byte records
//   record:     BaseAddress@0 Flags@4 EntryOverhead@8 (16 bits, 0xFFFF in
//               the reserved @10) BytesAllocated@12 BytesCommitted@16
//               NumberOfEntries@24 Entries@60; other reserved bytes 0xEE
//   entry:      Size@0 Flags@4 (16 bits, 0xFFFF in the reserved @6)
//               reserved@8 (0xEEEEEEEE) Address@12
//
// The pointers are real pointers into this process, valid until the buffer
// is destroyed. Every call is counted, and misuse (destroying or querying a
// buffer that is not live) is recorded for the test to assert on.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct SubstituteEntry {
  uint32_t size = 0;
  uint16_t flags = 0;
  uint32_t address = 0;
};

struct SubstituteHeap {
  uint32_t baseAddress = 0;
  uint32_t flags = 0;
  uint32_t bytesAllocated = 0;
  uint32_t bytesCommitted = 0;
  uint16_t entryOverhead = 0;
  std::vector<SubstituteEntry> entries;
};

// Status values the service answers with.
constexpr int32_t kSubstituteStatusSuccess = 0;
constexpr int32_t kSubstituteStatusNoSuchProcess = static_cast<int32_t>(0xC000000B);
constexpr int32_t kSubstituteStatusInvalidParameter = static_cast<int32_t>(0xC000000D);

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
};

struct SubstituteCounters {
  int creations = 0;     // buffers handed out
  int destructions = 0;  // live buffers destroyed
  int queries = 0;       // every query call, failed ones included
  std::vector<uint32_t> queryFlags;
  std::vector<uint32_t> queryProcessIds;
  int failedCreations = 0;  // create calls answered with null
};

// The scenario applies to every call from now on; buffers already filled
// keep what they hold.
void SetSubstituteScenario(SubstituteScenario scenario);
const SubstituteScenario& SubstituteScenarioInUse();

SubstituteCounters SubstituteCountersNow();
// Clears the counters and the misuse record; live buffers stay live.
void ResetSubstituteCounters();

// Buffers created and not yet destroyed.
int LiveSubstituteBuffers();
// Calls made with a buffer that was never created or is already destroyed
// (null included), since the last reset; the log says what each one was.
int SubstituteMisuses();
std::vector<std::string> SubstituteMisuseLog();

// The three entry points, with the signatures and calling convention of the
// system's functions (see heap/HeapQueryFunctions.h).
void* __stdcall SubstituteCreateQueryDebugBuffer(uint32_t maximumCommit, uint32_t useEventPair);
int32_t __stdcall SubstituteDestroyQueryDebugBuffer(void* buffer);
int32_t __stdcall SubstituteQueryProcessDebugInformation(uint32_t processId, uint32_t flags, void* buffer);
