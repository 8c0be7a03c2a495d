// Copying a table (list view) to the clipboard as its cells read: its
// column titles (unless it shows none, as the data view) and every row, or
// one row. False when the clipboard or the memory could not be had.
#pragma once

#include "framework/Controls.h"
#include "shell/CopyMenu.h"

bool CopyTable(HWND owner, const CListCtrl& list, bool titles = true);
bool CopyRow(HWND owner, const CListCtrl& list, int item);

// What a keyboard message is, for the copy and find keys.
inline KeyEvent KeyEventOf(UINT message) {
  return message == WM_KEYDOWN ? KeyEvent::KeyDown
         : message == WM_KEYUP ? KeyEvent::KeyUp
         : message == WM_CHAR  ? KeyEvent::Char
                               : KeyEvent::Other;
}
