// What the busy blocks of the block table hold, read out of the inspected
// process: the type of every row (on the query's worker, with the rows),
// and the text a row shows in the Contents column.
#pragma once

#include <atomic>
#include <cstdint>

#include "analysis/TypeNames.h"
#include "framework/Afx.h"
#include "heap/BlockRows.h"

// The rights reading what blocks hold takes: the modules and the memory.
constexpr DWORD kContentsAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// Sets the type of every busy row of the process's heap from the block's
// first bytes and the type information its words point at; returns the
// names the types index. Blocks that can't be read keep kTypeUnknown. Stops
// early (the types read so far kept) once `stop` is set.
TypeNames ReadBlockTypes(HANDLE process, BlockRows& rows, const std::atomic<bool>& stop);
