#include "analysis/BlockContents.h"

#include <algorithm>

#include "heap/HeapLayout.h"
#include "heap/TableCells.h"

namespace {
constexpr bool IsTextChar(uint32_t c) { return (c >= 0x20 && c <= 0x7E) || c == '\t' || c == '\r' || c == '\n'; }

struct TextRun {
  TextKind kind = TextKind::None;
  size_t chars = 0;   // before the terminator or the head's end
  bool more = false;  // beyond what a preview shows
};

size_t HeadLength(size_t headBytes, uint64_t blockSize) {
  return static_cast<size_t>(std::min<uint64_t>({headBytes, kHeadBytes, blockSize}));
}

uint32_t Unit(const uint8_t* head, size_t index, size_t unitBytes) {
  return unitBytes == 1 ? head[index] : GetLe16(head + 2 * index);
}

// The run of text characters of unitBytes each from the head's start;
// kind None when it stops at something else or is too short.
TextRun RunOf(const uint8_t* head, size_t length, uint64_t blockSize, size_t unitBytes) {
  const size_t units = length / unitBytes;
  size_t count = 0;
  while (count < units && Unit(head, count, unitBytes) != 0) {
    if (!IsTextChar(Unit(head, count, unitBytes))) return {};
    ++count;
  }
  if (count < kLeastTextChars) return {};
  const bool cutByHead = count == units && blockSize > length;
  return {unitBytes == 1 ? TextKind::Text8 : TextKind::Text16, count, count > kPreviewChars || cutByHead};
}

TextRun TextOf(const uint8_t* head, size_t headBytes, uint64_t blockSize) {
  const size_t length = HeadLength(headBytes, blockSize);
  // Never both: 8-bit text has no NUL among its first four bytes, UTF-16
  // text has one at its second.
  const TextRun bytes = RunOf(head, length, blockSize, 1);
  return bytes.kind != TextKind::None ? bytes : RunOf(head, length, blockSize, 2);
}
}  // namespace

TextKind JudgeText(const uint8_t* head, size_t headBytes, uint64_t blockSize) {
  return TextOf(head, headBytes, blockSize).kind;
}

size_t PreviewText(const uint8_t* head, size_t headBytes, uint64_t blockSize, char* out, size_t room) {
  const TextRun run = TextOf(head, headBytes, blockSize);
  if (run.kind == TextKind::None) return PutCellText("", out, room);
  const size_t unitBytes = run.kind == TextKind::Text8 ? 1 : 2;
  // L, the quotes, every character escaped, ... and the NUL.
  char text[1 + 2 + 2 * kPreviewChars + 3 + 1];
  char* p = text;
  if (run.kind == TextKind::Text16) *p++ = 'L';
  *p++ = '"';
  for (size_t i = 0; i < std::min(run.chars, kPreviewChars); ++i) {
    const char c = static_cast<char>(Unit(head, i, unitBytes));
    const char escaped = c == '\t' ? 't' : c == '\r' ? 'r' : c == '\n' ? 'n' : '\0';
    if (escaped != '\0') *p++ = '\\';
    *p++ = escaped != '\0' ? escaped : c;
  }
  *p++ = '"';
  if (run.more) p = std::copy_n("...", 3, p);
  *p = '\0';
  return PutCellText(text, out, room);
}

size_t ContentsText(uint32_t type, const TypeNames& names, const uint8_t* head, size_t headBytes, uint64_t blockSize,
                    char* out, size_t room) {
  if (type == kTypeText8 || type == kTypeText16) return PreviewText(head, headBytes, blockSize, out, room);
  if (type < kFirstClassType || type >= names.Count()) return PutCellText("", out, room);
  return PutCellText(names.Name(type).c_str(), out, room);
}
