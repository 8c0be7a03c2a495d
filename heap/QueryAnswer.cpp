#include "heap/QueryAnswer.h"

QueryAnswer JudgeQueryAnswer(int32_t status, bool hasHeapList, uint64_t queryMs) {
  if (status == kQueryStatusTimeout) return QueryAnswer::NoAnswerInTime;
  if (status != 0) return QueryAnswer::Failed;
  // Wine's 64-bit service answers every process at once without a list; a
  // late answer without one is the system giving up on the target.
  if (!hasHeapList && queryMs >= kNoAnswerAfterMs) return QueryAnswer::NoAnswerInTime;
  return QueryAnswer::Heaps;
}

bool FallBackToSummary(int32_t firstStatus) { return firstStatus != 0 && firstStatus != kQueryStatusTimeout; }

std::string WaitingCaptionText(const char* ownText) {
  return std::string(ownText) + " - waiting for the process to answer... (Esc stops waiting)";
}

void PrepareExtendedBasicInfo(Width width, uint8_t* info) {
  const QueryLayout& layout = LayoutOf(width, false);
  for (uint32_t i = 0; i < ExtendedBasicInfoSize(width); ++i) info[i] = 0;
  PutWord(layout, info, ExtendedBasicInfoSize(width));
}

bool SaysFrozen(Width width, int32_t status, const uint8_t* info, uint32_t returnedBytes) {
  if (status != 0 || returnedBytes != ExtendedBasicInfoSize(width)) return false;
  if (GetWord(LayoutOf(width, false), info) != ExtendedBasicInfoSize(width)) return false;
  return (GetLe32(info + ExtendedBasicInfoFlags(width)) & kProcessFlagFrozen) != 0;
}
