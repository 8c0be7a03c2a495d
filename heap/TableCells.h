// The texts of the tables' cells, made from the kept rows when the list
// view asks for them (it keeps no texts of its own): the same formatters as
// a fill of texts, so every cell reads as it always has.
#pragma once

#include <cstddef>
#include <cstdint>

#include "heap/BlockRows.h"
#include "heap/TableText.h"

// Cell `column` of the row shown at `position`, cut to room (terminator
// included; nothing is written when room is 0). Returns the length written.
// A column out of range gives an empty text.
size_t BlockCellText(const BlockRows& rows, size_t position, int column, Width width, char* out, size_t room);
size_t NodeCellText(const NodeRows& rows, size_t position, int column, Width width, char* out, size_t room);

// Whether the index text of the row of walk index ("%d" of walkIndex + 1)
// begins with prefix, or equals it when not partial.
bool IndexTextMatches(uint32_t walkIndex, const char* prefix, bool partial);

// Typing the start of a first-column text (the row's index): the first
// position from `start` on whose index text matches, wrapping round to the
// top when wrap; -1 when none does.
template <class Row>
long long FindShownIndex(const KeptRows<Row>& rows, size_t start, const char* prefix, bool partial, bool wrap) {
  if (prefix == nullptr) return -1;
  return FindShown(rows, start, wrap,
                   [&](const Row&, uint32_t walkIndex) { return IndexTextMatches(walkIndex, prefix, partial); });
}

// text cut to room (terminator included; nothing is written when room is 0),
// as the list view asks for a cell; returns the length written.
size_t PutCellText(const char* text, char* out, size_t room);
