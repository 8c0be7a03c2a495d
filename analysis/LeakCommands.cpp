// What holds the memory, and what grew: the Block Sizes dialog, a mark of
// the heap's busy blocks, and the changes since the mark; each goes to the
// blocks of the size chosen, F3 to the next one.
#include <cstdio>

#include "blockdata/SelectedBlock.h"
#include "heap/TableText.h"
#include "shell/TableViewDialog.h"
#include "shell/TarnwickDlg.h"

namespace {
class BlockSizesView : public TableViewSource {
 public:
  explicit BlockSizesView(BlockSizes& sizes) : m_sizes(sizes) {}
  std::string Totals() const override { return BlockTotalsText(m_sizes.totals); }
  std::vector<TableViewColumn> Columns() const override {
    return {{kSizeGroupColumns[0], 100}, {kSizeGroupColumns[1], 70}, {kSizeGroupColumns[2], 110},
            {kSizeGroupColumns[3], 60}};
  }
  size_t RowCount() const override { return m_sizes.groups.Count(); }
  void CellText(size_t position, int column, char* out, size_t room) const override {
    SizeGroupCellText(m_sizes, position, column, out, room);
  }
  void Sort(int column, bool descending) override {
    if (auto order = SizeGroupOrder(m_sizes.groups, column, descending)) m_sizes.groups.SetShownOrder(std::move(*order));
  }
  SortState FirstOrder() const override { return kSizeGroupFirstSort; }

 private:
  BlockSizes& m_sizes;
};

class ChangesView : public TableViewSource {
 public:
  explicit ChangesView(MarkComparison& changes) : m_changes(changes) {}
  std::string Totals() const override { return MarkComparisonText(m_changes); }
  std::vector<TableViewColumn> Columns() const override {
    return {{kSizeChangeColumns[0], 100}, {kSizeChangeColumns[1], 80}, {kSizeChangeColumns[2], 80},
            {kSizeChangeColumns[3], 60}, {kSizeChangeColumns[4], 130}};
  }
  size_t RowCount() const override { return m_changes.sizes.Count(); }
  void CellText(size_t position, int column, char* out, size_t room) const override {
    SizeChangeCellText(m_changes, position, column, out, room);
  }
  void Sort(int column, bool descending) override {
    if (auto order = SizeChangeOrder(m_changes.sizes, column, descending))
      m_changes.sizes.SetShownOrder(std::move(*order));
  }
  SortState FirstOrder() const override { return kSizeChangeFirstSort; }

 private:
  MarkComparison& m_changes;
};

ClockTime LocalClock() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {static_cast<uint8_t>(now.wHour), static_cast<uint8_t>(now.wMinute), static_cast<uint8_t>(now.wSecond)};
}
}  // namespace

void CTarnwickDlg::OpenBlockSizes() {
  if (m_blockRows.Count() == 0) return;
  BlockSizes sizes = GroupBlockSizes(m_blockRows);
  BlockSizesView view(sizes);
  CTableViewDlg dialog(IDD_BLOCK_SIZES, this, view);
  if (dialog.DoModal() != IDOK || dialog.Chosen() < 0) return;
  m_sizeSearch = SizeSearch{sizes.groups.Shown(static_cast<size_t>(dialog.Chosen())).size, false};
  RunSizeSearch(0);
}

void CTarnwickDlg::MarkBlocks() {
  if (!m_shownHeap) return;
  m_mark.Make(m_shownHeap->processId, m_shownHeap->heapBase, LocalClock(), m_blockRows);
  m_changes.reset();  // compared at the next fill
  m_blockCaption.SetWindowText(BlockCaption().c_str());
}

void CTarnwickDlg::OpenChangesSinceMark() {
  if (!m_changes) return;
  ChangesView view(*m_changes);
  CTableViewDlg dialog(IDD_CHANGES_SINCE_MARK, this, view);
  if (dialog.DoModal() != IDOK || dialog.Chosen() < 0) return;
  m_sizeSearch = SizeSearch{m_changes->sizes.Shown(static_cast<size_t>(dialog.Chosen())).size, true};
  RunSizeSearch(0);
}

void CTarnwickDlg::RunSizeSearch(size_t start) {
  if (!m_sizeSearch || m_blockRows.Count() != static_cast<size_t>(m_blockList.GetItemCount())) return;
  const long long position =
      m_sizeSearch->newOnly
          ? (m_changes ? FindShownNewBlockOfSize(m_blockRows, *m_changes, m_sizeSearch->size, start) : -1)
          : FindShownBlockOfSize(m_blockRows, m_sizeSearch->size, start);
  if (position >= 0) SelectFoundRow(static_cast<int>(position));
}

std::string CTarnwickDlg::BlockCaption() const {
  if (!TableShowsMark()) return kBlockCaptionText;
  char text[160];
  const ClockTime at = m_mark.Time();
  std::snprintf(text, sizeof text, "%s - marked at %02u:%02u:%02u, %d blocks", kBlockCaptionText,
                static_cast<unsigned>(at.hour), static_cast<unsigned>(at.minute), static_cast<unsigned>(at.second),
                static_cast<int>(m_mark.Blocks().size()));
  return text;
}

void CTarnwickDlg::ForgetMarkUnlessOf(int processId) {
  if (!m_mark.IsSet() || static_cast<int>(m_mark.ProcessId()) == processId) return;
  const bool captionMarked = TableShowsMark();
  m_mark.Clear();
  m_changes.reset();
  if (captionMarked) m_blockCaption.SetWindowText(kBlockCaptionText);
}
