// The blocks of one heap from the system's extended heap information: the
// system runs a thread in the target, copies every item back into this
// process and calls our callback once per item, on the calling thread.
// Only block items make rows; they are added in the system's order.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/Afx.h"
#include "heap/BlockRows.h"
#include "heap/HeapQueryFunctions.h"

// The rights the system's call needs of the target: it makes a section,
// maps it there, starts a thread and duplicates a handle into it.
constexpr DWORD kItemQueryAccess = PROCESS_CREATE_THREAD | PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                   PROCESS_VM_WRITE | PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION;

inline constexpr const char kInsufficientRightsText[] = "Failed to open target process due to insufficient rights";

struct ItemQueryResult {
  int32_t status = 0;
  uint32_t refusedItems = 0;  // items that did not read as their type says
};

// Asks for the blocks of the heap at heapBase in process (opened with
// kItemQueryAccess) and adds a row per block item to rows. Once `stop` is
// set, the callback ends the system's calls.
ItemQueryResult QueryHeapItems(PfnRtlQueryHeapInformation query, HANDLE process, uint64_t heapBase, BlockRows& rows,
                               const std::atomic<bool>& stop);
