// What holds the memory, and what grew: the Block Sizes and Block Types
// dialogs, a mark of the heap's busy blocks, and the changes since the mark
// by size or by type; each goes to the blocks of the size or type chosen,
// F3 to the next one (in a later fill too: analysis/BlockSearch.h).
#include <cstdio>

#include "analysis/BlockTypes.h"
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

class BlockTypesView : public TableViewSource {
 public:
  explicit BlockTypesView(BlockTypes& types) : m_types(types) {}
  std::string Totals() const override { return BlockTotalsText(m_types.totals); }
  std::vector<TableViewColumn> Columns() const override {
    return {{kTypeGroupColumns[0], 150}, {kTypeGroupColumns[1], 60}, {kTypeGroupColumns[2], 80},
            {kTypeGroupColumns[3], 50}};
  }
  size_t RowCount() const override { return m_types.groups.Count(); }
  void CellText(size_t position, int column, char* out, size_t room) const override {
    TypeGroupCellText(m_types, position, column, out, room);
  }
  void Sort(int column, bool descending) override {
    if (auto order = TypeGroupOrder(m_types.groups, column, descending)) m_types.groups.SetShownOrder(std::move(*order));
  }
  SortState FirstOrder() const override { return kTypeGroupFirstSort; }

 private:
  BlockTypes& m_types;
};

// By size or by type, as its radio buttons choose.
class ChangesView : public TableViewSource {
 public:
  explicit ChangesView(MarkComparison& changes) : m_changes(changes) {}
  std::string Totals() const override { return MarkComparisonText(m_changes); }
  std::vector<TableViewColumn> Columns() const override {
    if (m_byType)
      return {{kTypeChangeColumns[0], 130}, {kTypeChangeColumns[1], 80}, {kTypeChangeColumns[2], 80},
              {kTypeChangeColumns[3], 60}, {kTypeChangeColumns[4], 130}};
    return {{kSizeChangeColumns[0], 100}, {kSizeChangeColumns[1], 80}, {kSizeChangeColumns[2], 80},
            {kSizeChangeColumns[3], 60}, {kSizeChangeColumns[4], 130}};
  }
  size_t RowCount() const override { return m_byType ? m_changes.types.Count() : m_changes.sizes.Count(); }
  void CellText(size_t position, int column, char* out, size_t room) const override {
    if (m_byType)
      TypeChangeCellText(m_changes.types, position, column, out, room);
    else
      SizeChangeCellText(m_changes, position, column, out, room);
  }
  void Sort(int column, bool descending) override {
    if (m_byType) {
      if (auto order = TypeChangeOrder(m_changes.types, column, descending))
        m_changes.types.SetShownOrder(std::move(*order));
    } else if (auto order = SizeChangeOrder(m_changes.sizes, column, descending)) {
      m_changes.sizes.SetShownOrder(std::move(*order));
    }
  }
  SortState FirstOrder() const override { return m_byType ? kTypeChangeFirstSort : kSizeChangeFirstSort; }
  // Each view is first shown in its first order.
  void ShowView(int view) override {
    m_byType = view == kViewByType;
    Sort(FirstOrder().column, FirstOrder().descending);
  }
  bool ByType() const { return m_byType; }

 private:
  MarkComparison& m_changes;
  bool m_byType = false;
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
  m_blockSearch = BlockSearch::OfSize(sizes.groups.Shown(static_cast<size_t>(dialog.Chosen())).size);
  RunBlockSearch(0);
}

void CTarnwickDlg::OpenBlockTypes() {
  if (m_blockRows.Count() == 0) return;
  BlockTypes types = GroupBlockTypes(m_blockRows, m_blockTypes);
  BlockTypesView view(types);
  CTableViewDlg dialog(IDD_BLOCK_TYPES, this, view);
  if (dialog.DoModal() != IDOK || dialog.Chosen() < 0) return;
  m_blockSearch = BlockSearch::OfType(types.groups.Shown(static_cast<size_t>(dialog.Chosen())).name);
  RunBlockSearch(0);
}

void CTarnwickDlg::MarkBlocks() {
  if (!m_shownHeap) return;
  m_mark.Make(m_shownHeap->processId, m_shownHeap->heapBase, LocalClock(), m_blockRows, m_blockTypes);
  m_changes.reset();  // compared at the next fill
  m_blockCaption.SetWindowText(BlockCaption().c_str());
}

void CTarnwickDlg::OpenChangesSinceMark() {
  if (!m_changes) return;
  ChangesView view(*m_changes);
  CTableViewDlg dialog(IDD_CHANGES_SINCE_MARK, this, view);
  if (dialog.DoModal() != IDOK || dialog.Chosen() < 0) return;
  const size_t chosen = static_cast<size_t>(dialog.Chosen());
  m_blockSearch = view.ByType() ? BlockSearch::OfType(m_changes->types.Shown(chosen).name, true)
                                : BlockSearch::OfSize(m_changes->sizes.Shown(chosen).size, true);
  RunBlockSearch(0);
}

void CTarnwickDlg::RunBlockSearch(size_t start) {
  if (!m_blockSearch || m_blockRows.Count() != static_cast<size_t>(m_blockList.GetItemCount())) return;
  const MarkComparison* changes = m_changes ? &*m_changes : nullptr;
  const long long position = FindShownBlock(*m_blockSearch, m_blockRows, m_blockTypes, changes, start);
  if (position >= 0)
    SelectFoundRow(static_cast<int>(position));
  else
    Report(BlockSearchNotFoundText(*m_blockSearch, changes != nullptr).c_str(), MB_ICONINFORMATION);
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
