// The sort arrow of a list view's header: on the sorted column only.
#pragma once

#include "framework/Controls.h"
#include "shell/TableSort.h"

// The sort arrow on the header of `column` (none when -1), off on the others.
inline void ShowSortArrow(CListCtrl& list, const SortState& state) {
  const int count = list.GetHeaderItemCount();
  for (int i = 0; i < count; ++i) {
    HDITEMA header = {};
    header.mask = HDI_FORMAT;
    if (!list.GetHeaderItem(i, &header)) continue;
    const int arrow = i != state.column ? 0 : (state.descending ? HDF_SORTDOWN : HDF_SORTUP);
    const int format = (header.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | arrow;
    if (format == header.fmt) continue;
    header.fmt = format;
    list.SetHeaderItem(i, &header);
  }
}

