// The text of one entry of the process drop-down, "name    [id]", and the
// process identifier read back out of it. The entry text is the only place
// the chosen process is remembered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr const char kSystemProcessName[] = "[System Process]";  // process can't be opened
inline constexpr const char kUnknownProcessName[] = "[Unknown]";        // no module name

// Size of the entry buffer, terminator included.
constexpr size_t kProcessEntryBufferSize = 4096;

// "%s    [%d]", cut to kProcessEntryBufferSize - 1 characters.
std::string FormatProcessEntry(const char* name, int32_t processId);

// The identifier between the last '[' and the last ']' of the text: from
// the start of the text when there is no '[', up to the end of the text
// when there is no ']', and an empty text (0) when the ']' comes before the
// '['. Read as decimal: leading white space, an optional sign, digits up to
// the first other character; no digit gives 0, a value beyond the 32-bit
// range saturates at INT32_MIN or INT32_MAX.
int32_t ProcessIdFromEntryText(const char* text);
