// The data view: a block's bytes read from the inspected process and shown
// as a hexadecimal dump in place of the node table. The view is an
// owner-data list view: it holds a line count and asks for the lines it
// paints, made from the bytes with the dump's own formatter.
#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "blockdata/DumpLines.h"
#include "blockdata/DumpView.h"
#include "blockdata/SelectedBlock.h"
#include "heap/ProcessHandle.h"
#include "heap/TableCells.h"
#include "shell/DialogTables.h"
#include "shell/TarnwickDlg.h"

namespace {
// What the first read takes: the block's start decides whether it can be
// dumped at all.
constexpr uint64_t kFirstReadBytes = 0x10000;

// A big block's windows, read when their rows are shown; the process is
// opened for each read (a window is read seldom: scrolling moves through
// a mebibyte at a time).
class ProcessWindowReader : public BlockWindowReader {
 public:
  ProcessWindowReader(DWORD processId, uint64_t blockAddress) : m_processId(processId), m_address(blockAddress) {}
  bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
    const ProcessHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, m_processId));
    size_t got = 0;
    return process && ReadProcessBytes(process.Get(), m_address + offset, out, length, got) && got == length;
  }

 private:
  DWORD m_processId;
  uint64_t m_address;
};

// The caption is sized for its own text: the longer one that says some
// bytes could not be read gets the room up to the data buttons.
void WidenUpTo(CStatic& caption, const CWnd& button, int gap) {
  RECT own, next;
  caption.GetWindowRect(&own);
  button.GetWindowRect(&next);
  if (next.left - gap > own.right)
    caption.SetWindowPos(nullptr, 0, 0, next.left - gap - own.left, own.bottom - own.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

void CTarnwickDlg::OnBlockListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  ShowSelectedBlock();
}

void CTarnwickDlg::ShowSelectedBlock() {
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  SelectedBlock block;
  if (!ReadSelectedBlock(m_blockList, m_blockRows, block)) return;
  // One step back (Alt+Left) returns to the block shown before this one.
  const uint32_t walkIndex = m_blockRows.WalkIndexShown(static_cast<size_t>(SelectedRow(m_blockList)));
  if (m_dumpedBlock && *m_dumpedBlock != walkIndex) m_blockBefore = m_dumpedBlock;
  m_dumpedBlock = walkIndex;

  if (block.free) {
    EnterDataMode();
    ShowDataMessage(kFreeBlockNote);
    return;
  }
  const auto controls = {static_cast<CWnd*>(&m_refreshButton), static_cast<CWnd*>(&m_closeDataButton),
                         static_cast<CWnd*>(&m_saveDataButton), static_cast<CWnd*>(&m_processCombo)};
  EnableControls(controls, FALSE);
  ShowBlockData(block.size, processId, block.address);
  EnableControls(controls, TRUE);
}

void CTarnwickDlg::ClearDataView() {
  // Wine's list view takes about 5 ms to set a count, even 0 on an empty list.
  if (m_dataList.GetItemCount() != 0) m_dataList.SetItemCount(0);
  m_dataLines.Clear();
  if (m_dataUnreadableShown) m_dataCaption.SetWindowText(kDataCaptionText);
  m_dataUnreadableShown = false;
}

void CTarnwickDlg::ShowDataMessage(const char* line) {
  ClearDataView();
  m_dataLines.ShowMessage(line);
  ShowDataLines();
}

void CTarnwickDlg::ShowDataLines() {
  FitDataColumn();
  m_dataList.SetItemCount(static_cast<int>(m_dataLines.LineCount()));
  m_dataList.Invalidate();
}

void CTarnwickDlg::FitDataColumn() {
  // Room for the longest line, so the horizontal scroll bar shows it all:
  // the header or message (line 0), or a full dump row (line 2 on).
  int width = 0;
  char text[1024];
  for (const size_t line : {size_t{0}, size_t{2}}) {
    if (line >= m_dataLines.LineCount()) continue;
    m_dataLines.LineText(line, text, sizeof text);
    width = std::max(width, m_dataList.GetStringWidth(text));
  }
  m_dataList.SetColumnWidth(0, width + Scaled(kDataLinePadding));
}

void CTarnwickDlg::ShowBlockData(uint64_t blockSize, int processId, uint64_t blockAddress) {
  EnterDataMode();
  ClearDataView();
  const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, static_cast<DWORD>(processId)));
  if (!process) {
    ShowDataMessage(kDumpOpenFailed);
    return;
  }
  // Up to the size limit the bytes are read whole, as at one moment, and
  // kept while the view shows them: Copy All writes its text from them.
  const bool whole = blockSize <= kMaxDumpSize;
  std::vector<uint8_t> data;
  try {
    data.resize(static_cast<size_t>(whole ? blockSize : kFirstReadBytes));
  } catch (const std::bad_alloc&) {
    ShowDataMessage(kDumpAllocFailed);
    return;
  }
  size_t bytesRead = 0;
  if (!ReadProcessBytes(process.Get(), blockAddress, data.data(), data.size(), bytesRead)) {
    ShowDataMessage(kDumpReadFailed);
    return;
  }
  char header[1024];
  FormatDumpHeader(SelectedNodeAddress(m_nodeList, m_nodeRows), blockAddress, blockSize, kProgramWidth, header,
                   sizeof header);
  if (whole) {
    data.resize(bytesRead);
    const uint64_t shown = data.size();
    m_dataLines.ShowDump(header, shown, std::make_unique<KeptDumpBytes>(std::move(data)));
  } else {
    m_dataLines.ShowDump(header, blockSize,
                         std::make_unique<WindowedDumpBytes>(
                             std::make_unique<ProcessWindowReader>(static_cast<DWORD>(processId), blockAddress),
                             blockSize));
  }
  ShowDataLines();
}

void CTarnwickDlg::OnDataListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(pNMHDR)->item;
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0 || item.iItem < 0) return;
  bool unreadable = false;
  m_dataLines.LineText(static_cast<size_t>(item.iItem), item.pszText, static_cast<size_t>(item.cchTextMax),
                       &unreadable);
  if (unreadable && !m_dataUnreadableShown) {
    m_dataUnreadableShown = true;
    WidenUpTo(m_dataCaption, m_saveDataButton, Scaled(4));
    m_dataCaption.SetWindowText(kDataCaptionUnreadableText);
  }
}
