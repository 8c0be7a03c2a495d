// Sorting the node and block tables by a clicked column header. The kept
// rows are put in the new order and the list view, which holds no rows of
// its own, paints them so; the selection moves with its row. Only the
// Contents column asks the inspected process: for the texts' previews.
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "blockdata/SelectedBlock.h"
#include "shell/DialogTables.h"
#include "shell/SortArrow.h"
#include "shell/TarnwickDlg.h"

namespace {
// Shows the rows in `order` (walk index by position); the selected row
// stays selected and focused at its new place, scrolled into view.
template <class Row>
bool ShowOrder(CListCtrl& list, KeptRows<Row>& rows, std::optional<std::vector<uint32_t>> order) {
  const int selected = SelectedRow(list);
  const bool keep = selected >= 0 && static_cast<size_t>(selected) < rows.Count();
  const uint32_t selectedWalk = keep ? rows.WalkIndexShown(static_cast<size_t>(selected)) : 0;
  if (!order || !rows.SetShownOrder(std::move(*order))) return false;
  if (keep) {
    const int now = static_cast<int>(rows.PositionOf(selectedWalk));
    // One row at most is selected: only it is cleared (clearing every row
    // visits each of them).
    list.SetItemState(selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetItemState(now, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetSelectionMark(now);
    list.EnsureVisible(now, FALSE);
  }
  list.Invalidate();
  return true;
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
  const SortState next = NextSortState(m_nodeSort, column);
  if (!ShowOrder(m_nodeList, m_nodeRows, NodeRowOrder(m_nodeRows, column, kNodeColumns[column].kind, next.descending)))
    return;
  m_nodeSort = next;
  ShowSortArrow(m_nodeList, m_nodeSort);
}

void CTarnwickDlg::OnBlockListColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
  if (column < 0 || column >= static_cast<int>(std::size(kBlockColumns))) return;
  const SortState next = NextSortState(m_blockSort, column);
  const auto order = column == kBlockContentsColumn ? std::optional(ContentsOrderOf(next.descending))
                                                    : BlockRowOrder(m_blockRows, column, next.descending);
  if (!ShowOrder(m_blockList, m_blockRows, order)) return;
  m_blockSort = next;
  ShowSortArrow(m_blockList, m_blockSort);
}
