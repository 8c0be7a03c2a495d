// Following a pointer: the words of the selected dump row that point into a
// busy block of the table, the block gone to as a click on its row would,
// and one step back to the block dumped before.
#include "blockdata/SelectedBlock.h"
#include "heap/TableText.h"
#include "shell/TarnwickDlg.h"

std::string GoToItemText(uint64_t value, uint32_t walkIndex, Width width) {
  char address[kHexTextSize];
  FormatHex(value, AddressDigits(width), address);
  return "Go to " + std::string(address) + " (block " + std::to_string(walkIndex + 1) + ")";
}

std::vector<std::pair<uint64_t, uint32_t>> CTarnwickDlg::PointedBlocks() {
  std::vector<std::pair<uint64_t, uint32_t>> pointed;
  const int line = SelectedRow(m_dataList);
  if (line < 0 || m_blockRows.Count() == 0) return pointed;
  const std::optional<DataViewLines::RowBytes> row = m_dataLines.Row(static_cast<size_t>(line));
  if (!row) return pointed;
  if (!m_rowsByAddressMade) {
    m_rowsByAddress = BusyRowsByAddress(m_blockRows);
    m_rowsByAddressMade = true;
  }
  for (const uint64_t value : RowPointerWords(*row, kProgramWidth)) {
    const long long walkIndex = BusyBlockHolding(m_blockRows, m_rowsByAddress, value);
    if (walkIndex >= 0) pointed.emplace_back(value, static_cast<uint32_t>(walkIndex));
  }
  return pointed;
}

void CTarnwickDlg::GoToBlock(uint32_t walkIndex) {
  const long long position = m_blockRows.PositionOf(walkIndex);
  if (position < 0) return;
  const int selected = SelectedRow(m_blockList);
  if (selected >= 0 && selected != position) m_blockList.SetItemState(selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
  SelectFoundRow(static_cast<int>(position));
}

void CTarnwickDlg::GoBack() {
  if (!m_blockBefore || *m_blockBefore >= m_blockRows.Count()) return;
  GoToBlock(*m_blockBefore);
}
