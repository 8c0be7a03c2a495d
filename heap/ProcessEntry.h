// The text of one entry of the process drop-down, "name    [id]", and the
// process identifier read back out of it. The entry text is the only place
// the chosen process is remembered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "heap/HeapLayout.h"

inline constexpr const char kSystemProcessName[] = "[System Process]";  // process can't be opened
inline constexpr const char kUnknownProcessName[] = "[Unknown]";        // no module name

// Size of the entry buffer, terminator included.
constexpr size_t kProcessEntryBufferSize = 4096;

// "%s    [%d]", cut to kProcessEntryBufferSize - 1 characters. A process of
// the other width reads "%s (32-bit)    [%d]" or "%s (64-bit)    [%d]".
std::string FormatProcessEntry(const char* name, int32_t processId, std::optional<Width> otherWidth = std::nullopt);

// The width of a process that this program can't inspect because it is of
// the other width, or nothing. A 64-bit program can't read a process under
// the 32-bit compatibility layer; a 32-bit program under that layer (so on
// 64-bit Windows) can't read a process outside it. On 32-bit Windows, and
// when either answer is unknown, nothing.
std::optional<Width> OtherWidthOf(Width program, std::optional<bool> programUnderLayer,
                                  std::optional<bool> processUnderLayer);

// "This is a 32-bit process: its heaps are shown by Tarnwick.exe", or the
// 64-bit one's.
const char* OtherWidthText(Width process);

// The file name of an image path (after its last '\' or '/'); empty when
// the path ends with a separator.
std::string ImageFileName(const char* path);

// The identifier between the last '[' and the last ']' of the text: from
// the start of the text when there is no '[', up to the end of the text
// when there is no ']', and an empty text (0) when the ']' comes before the
// '['. Read as decimal: leading white space, an optional sign, digits up to
// the first other character; no digit gives 0, a value beyond the 32-bit
// range saturates at INT32_MIN or INT32_MAX.
int32_t ProcessIdFromEntryText(const char* text);
