// Copying a table (list view) to the clipboard as its cells read: its
// column titles and every row, or one row. False when the clipboard or the
// memory could not be had.
#pragma once

#include "framework/Controls.h"

bool CopyTable(HWND owner, const CListCtrl& list);
bool CopyRow(HWND owner, const CListCtrl& list, int item);
