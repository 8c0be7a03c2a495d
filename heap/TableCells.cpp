#include "heap/TableCells.h"

#include <cstring>

size_t PutCellText(const char* text, char* out, size_t room) {
  if (room == 0) return 0;
  size_t length = std::strlen(text);
  if (length >= room) length = room - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return length;
}

size_t BlockCellText(const BlockRows& rows, size_t position, int column, Width width, char* out, size_t room) {
  if (position >= rows.Count() || column < 0 || column > 4) return PutCellText("", out, room);
  const BlockRowValues& row = rows.Shown(position);
  BlockRowTexts texts;
  MakeBlockRowTexts(rows.WalkIndexShown(position), BlockCursor{row.address, row.size, row.kind, 0}, width, texts);
  const char* cells[] = {texts.index, texts.address, texts.size, texts.allocationType, texts.status};
  return PutCellText(cells[column], out, room);
}

size_t NodeCellText(const NodeRows& rows, size_t position, int column, Width width, char* out, size_t room) {
  if (position >= rows.Count() || column < 0 || column > 5) return PutCellText("", out, room);
  NodeRowTexts texts;
  MakeNodeRowTexts(rows.WalkIndexShown(position), rows.Shown(position), width, texts);
  return PutCellText(texts.cells[column], out, room);
}

bool IndexTextMatches(uint32_t walkIndex, const char* prefix, bool partial) {
  char index[12];
  const size_t length = FormatDecimal(static_cast<int32_t>(walkIndex + 1), index);
  // Index texts are digits (a minus sign at most): alike in any case.
  const size_t prefixLength = std::strlen(prefix);
  return partial ? length >= prefixLength && std::memcmp(index, prefix, prefixLength) == 0
                 : std::strcmp(index, prefix) == 0;
}
