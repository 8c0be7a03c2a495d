// The tables are owner-data list views: they hold only a row count and ask
// for the text of each cell they paint, and for the row a typed prefix
// selects. Both are answered from the kept rows.
#include <string>

#include "heap/TableCells.h"
#include "shell/DialogTables.h"
#include "shell/TarnwickDlg.h"

namespace {
template <class Rows, class CellText>
void AnswerDispInfo(NMHDR* pNMHDR, const Rows& rows, CellText cellText) {
  LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(pNMHDR)->item;
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  cellText(rows, static_cast<size_t>(item.iItem), item.iSubItem, kProgramWidth, item.pszText,
           static_cast<size_t>(item.cchTextMax));
}

// The typed text of a find request: Windows asks an ANSI window in ANSI,
// Wine's list view asks in Unicode; index texts are plain digits either way.
std::string FindText(const NMHDR* pNMHDR) {
  if (pNMHDR->code == LVN_ODFINDITEMW) {
    const wchar_t* wide = reinterpret_cast<const NMLVFINDITEMW*>(pNMHDR)->lvfi.psz;
    std::string text;
    for (; wide != nullptr && *wide != 0; ++wide) text += *wide < 0x80 ? static_cast<char>(*wide) : '\x7F';
    return text;
  }
  const char* narrow = reinterpret_cast<const NMLVFINDITEMA*>(pNMHDR)->lvfi.psz;
  return narrow != nullptr ? narrow : "";
}

// Both forms share the layout up to the text pointer.
template <class Row>
LRESULT AnswerFind(const NMHDR* pNMHDR, const KeptRows<Row>& rows) {
  const auto& find = *reinterpret_cast<const NMLVFINDITEMA*>(pNMHDR);
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL))) return -1;
  const std::string text = FindText(pNMHDR);
  const long long found = FindShownIndex(rows, find.iStart < 0 ? 0 : static_cast<size_t>(find.iStart), text.c_str(),
                                         (find.lvfi.flags & LVFI_PARTIAL) != 0, (find.lvfi.flags & LVFI_WRAP) != 0);
  return static_cast<LRESULT>(found);
}
}  // namespace

void CTarnwickDlg::OnNodeListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  AnswerDispInfo(pNMHDR, m_nodeRows, &NodeCellText);
}

void CTarnwickDlg::OnBlockListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(pNMHDR)->item;
  if (item.iSubItem != kBlockContentsColumn) {
    AnswerDispInfo(pNMHDR, m_blockRows, &BlockCellText);
    return;
  }
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  const std::string text = ContentsText(static_cast<size_t>(item.iItem));
  PutCellText(text.c_str(), item.pszText, static_cast<size_t>(item.cchTextMax));
}

void CTarnwickDlg::OnNodeListFindItem(NMHDR* pNMHDR, LRESULT* pResult) { *pResult = AnswerFind(pNMHDR, m_nodeRows); }

void CTarnwickDlg::OnBlockListFindItem(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = AnswerFind(pNMHDR, m_blockRows);
}
