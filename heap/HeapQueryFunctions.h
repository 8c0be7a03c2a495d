// Signatures of ntdll's three debug-information entry points as the dialog
// calls them. The dialog holds one pointer of each; tests may put functions
// of their own with the same signatures there.
#pragma once

#include <cstddef>
#include <cstdint>

// The process identifier is pointer-sized (the system takes it as a
// handle-sized value): a 32-bit identifier is widened with zeros, never
// passed with whatever the upper half of its register held. The maximum
// commit size stays 32 bits in both programs.
using PfnRtlCreateQueryDebugBuffer = void*(__stdcall*)(uint32_t maximumCommit, uint32_t useEventPair);
using PfnRtlDestroyQueryDebugBuffer = int32_t(__stdcall*)(void* buffer);
using PfnRtlQueryProcessDebugInformation = int32_t(__stdcall*)(uintptr_t processId, uint32_t flags, void* buffer);

// Query flags: heap summary, and the entries of every heap.
constexpr uint32_t kQueryHeapSummary = 0x04;
constexpr uint32_t kQueryHeapEntries = 0x10;

// ntdll's RtlQueryHeapInformation (heap, class, information, its size,
// returned size), and the callback its extended class calls once per item
// (item, context); a negative status from the callback ends the calls.
// Optional: systems before Windows 10 and Wine have no extended class.
using PfnRtlQueryHeapInformation = int32_t(__stdcall*)(void* heap, uint32_t infoClass, void* info, size_t size,
                                                       size_t* returned);
using PfnHeapItemCallback = int32_t(__stdcall*)(const void* item, void* context);
