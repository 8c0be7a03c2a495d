// What a finished heap query means, decided from its status, whether the
// buffer holds a heap list and how long the query took; and what the
// system's extended process information says of a frozen process. The
// query runs inside the target, so a target that can't run a new thread
// (stopped in a debugger, suspended, frozen) answers late or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "heap/HeapLayout.h"

// The query's answer when the system stopped waiting for the target.
constexpr int32_t kQueryStatusTimeout = 0x00000102;
// A success without a heap list that took at least this long is the
// system's wait running out, not a process without heaps.
constexpr uint64_t kNoAnswerAfterMs = 5000;
// How long a query waits before its table's caption says so.
constexpr uint32_t kWaitingCaptionAfterMs = 500;

enum class QueryAnswer {
  Heaps,           // a status of 0: the buffer holds what the process answered
  Failed,          // another status: the failure message, with that status
  NoAnswerInTime,  // the process did not answer: the timeout message
};

QueryAnswer JudgeQueryAnswer(int32_t status, bool hasHeapList, uint64_t queryMs);

// Whether the node table's failed first query (heaps with their entries)
// is followed by the summary alone: not when the process did not answer,
// which would only wait as long again.
bool FallBackToSummary(int32_t firstStatus);

inline constexpr const char kNoAnswerText[] =
    "The process did not answer the heap query in time. It may be stopped in a debugger or suspended: let it run, "
    "then choose it again.";
inline constexpr const char kFrozenText[] =
    "Windows has suspended this process (an app in the background), so it cannot answer. Bring it to the front, "
    "then choose it again.";

// "<ownText> - waiting for the process to answer... (Esc stops waiting)".
std::string WaitingCaptionText(const char* ownText);

// The extended basic information of a process (information class 0 with a
// buffer of this size whose first word gives the size): a word, then the
// basic information (six fields, word-aligned), then a 32-bit flags word.
constexpr uint32_t kProcessBasicInformationClass = 0;
constexpr uint32_t ExtendedBasicInfoSize(Width width) { return width == Width::Bits64 ? 64 : 32; }
constexpr uint32_t ExtendedBasicInfoFlags(Width width) { return width == Width::Bits64 ? 56 : 28; }
constexpr uint32_t kLargestExtendedBasicInfoSize = 64;
constexpr uint32_t kProcessFlagFrozen = 0x10;

// Fills `info` (ExtendedBasicInfoSize bytes) as the request: zeros, and
// the size in its first word.
void PrepareExtendedBasicInfo(Width width, uint8_t* info);
// True only when the call succeeded, returned the extended size and kept
// the size word (a system that knows only the basic form fills that in
// place of the size), and the frozen flag is set.
bool SaysFrozen(Width width, int32_t status, const uint8_t* info, uint32_t returnedBytes);
