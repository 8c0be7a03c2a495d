// Sorting the node and block tables by a clicked column header. The rows are
// reordered in the list view itself, so each keeps its texts and state; the
// selection moves with its row. Nothing is asked of the inspected process.
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "blockdata/SelectedBlock.h"
#include "shell/DialogTables.h"
#include "shell/TarnwickDlg.h"

namespace {
// The list view compares items by their lParam, the walk index; data is the
// rank of each walk index, worked out beforehand so that no comparison
// sends a message. The ranks cover every lParam: SortedOrder checked that
// the lParams are exactly the walk indexes.
int CALLBACK CompareByRank(LPARAM a, LPARAM b, LPARAM data) {
  const auto& rank = *reinterpret_cast<const std::vector<uint32_t>*>(data);
  const uint32_t ra = rank[static_cast<size_t>(a)];
  const uint32_t rb = rank[static_cast<size_t>(b)];
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// Every item's walk index and its key in the column, in the order shown.
std::vector<KeyedRow> ReadKeys(const CListCtrl& list, ColumnKind kind, int column) {
  const int count = list.GetItemCount();
  std::vector<KeyedRow> rows;
  rows.reserve(static_cast<size_t>(count));
  char text[64];
  for (int i = 0; i < count; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = i;
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    text[0] = '\0';
    list.GetItem(&item);
    // The list view may point at its own copy of the text instead.
    rows.push_back({static_cast<uint32_t>(item.lParam), MakeSortKey(kind, item.pszText)});
  }
  return rows;
}

// The sort arrow on the header of `column` (none when -1), off on the others.
void ShowSortArrow(CListCtrl& list, const SortState& state) {
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
// Sorts the rows by the column as the clicked header says and gives the
// order now shown (walk index by position), or nothing when the rows could
// not be sorted (they did not come from a fill).
// keys: the rows' keys when known without asking the list view, else nothing.
std::optional<std::vector<uint32_t>> SortTable(CListCtrl& list, ColumnKind kind, SortState& state, int column,
                                               std::optional<std::vector<KeyedRow>> keys = std::nullopt) {
  const SortState next = NextSortState(state, column);
  // The selected row's walk index, to find it after the sort without a
  // look at every row.
  const int selected = SelectedRow(list);
  LVITEMA selectedItem = {};
  selectedItem.mask = LVIF_PARAM;
  selectedItem.iItem = selected;
  if (selected != -1) list.GetItem(&selectedItem);
  if (!keys) keys = ReadKeys(list, kind, column);
  std::optional<std::vector<uint32_t>> order = SortedOrder(std::move(*keys), next.descending);
  if (!order) return std::nullopt;
  const std::vector<uint32_t> rank = RanksOf(*order);
  list.SortItems(&CompareByRank, reinterpret_cast<LPARAM>(&rank));
  state = next;
  ShowSortArrow(list, state);
  if (selected != -1) {
    const int now = static_cast<int>(rank[static_cast<size_t>(selectedItem.lParam)]);
    list.SetSelectionMark(now);
    list.EnsureVisible(now, FALSE);
  }
  return order;
}
}  // namespace

void CTarnwickDlg::ForgetSort(CListCtrl& list, SortState& state) {
  state = SortState{};
  ShowSortArrow(list, state);
}

void CTarnwickDlg::OnNodeListColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
  if (column < 0 || column >= static_cast<int>(std::size(kNodeColumns))) return;
  SortTable(m_nodeList, kNodeColumns[column].kind, m_nodeSort, column);
}

void CTarnwickDlg::OnBlockListColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
  if (column < 0 || column >= static_cast<int>(std::size(kBlockColumns))) return;
  // The rows kept beside the table give most keys without a message per
  // row (a big table's texts cost more to read than to sort), when they are
  // the table's; then they follow the order shown.
  std::optional<std::vector<KeyedRow>> keys;
  if (m_blockRows.Count() == static_cast<size_t>(m_blockList.GetItemCount())) keys = BlockRowKeys(m_blockRows, column);
  if (const auto order = SortTable(m_blockList, kBlockColumns[column].kind, m_blockSort, column, std::move(keys)))
    m_blockRows.SetShownOrder(*order);
}
