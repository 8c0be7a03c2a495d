// What the block table's Contents column says of a busy block: its class's
// name, a preview of the text it begins with, or nothing. Text is judged
// from the block's head, its first min(kHeadBytes, size) bytes: at least
// kLeastTextChars characters (printable ASCII, tab, CR, LF) before a NUL or
// the head's end, as bytes or as little-endian 16-bit units. A run that
// stops at anything else is not text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/TypeNames.h"

constexpr size_t kHeadBytes = 128;
constexpr size_t kLeastTextChars = 4;
// Characters shown between the quotes, counted before tab, CR and LF are
// written as \t, \r and \n.
constexpr size_t kPreviewChars = 40;

enum class TextKind : uint8_t { None, Text8, Text16 };

// What head (headBytes of the block's first bytes; those past kHeadBytes or
// blockSize are not looked at) begins with.
TextKind JudgeText(const uint8_t* head, size_t headBytes, uint64_t blockSize);

// "quick brown fox" or L"Wide text!", then ... when there is more: more
// than kPreviewChars, or a text that runs to the end of the head while the
// block goes on. "" when the head is no text. Cut to room (terminator
// included) as the table's cells are; returns the length written.
size_t PreviewText(const uint8_t* head, size_t headBytes, uint64_t blockSize, char* out, size_t room);

// The Contents cell of a busy block of type (an index of names): the
// class's name, the preview of its head for text, "" for nothing known.
size_t ContentsText(uint32_t type, const TypeNames& names, const uint8_t* head, size_t headBytes, uint64_t blockSize,
                    char* out, size_t room);
