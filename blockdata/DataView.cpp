// The data view: a block's bytes read from the inspected process and shown
// as a hexadecimal dump in place of the node table.
#include <memory>
#include <new>

#include "blockdata/DumpLines.h"
#include "blockdata/SelectedBlock.h"
#include "heap/ProcessHandle.h"
#include "shell/TarnwickDlg.h"

namespace {
// Appends lines through the list box's own window procedure. A message sent
// to the control passes the framework's subclass procedure first, and under
// Wine finding the CWnd there (a window property) is a server round trip:
// for a block at the size limit that costs more than the list box's own
// work. The framework handles no list-box message, so nothing is skipped.
class LineAppender {
 public:
  explicit LineAppender(CListBox& list)
      : m_list(list), m_proc(reinterpret_cast<WNDPROC>(::GetClassLongPtrA(list.m_hWnd, GCLP_WNDPROC))) {}
  void Append(const char* line) {
    if (m_proc == nullptr)
      m_list.AddString(line);
    else
      ::CallWindowProcA(m_proc, m_list.m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }

 private:
  CListBox& m_list;
  WNDPROC m_proc;
};
}  // namespace

void CTarnwickDlg::OnBlockListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  SelectedBlock block;
  if (!ReadSelectedBlock(m_blockList, block)) return;

  if (block.free) {
    EnterDataMode();
    m_dataList.ResetContent();
    m_dataList.AddString(kFreeBlockNote);
    return;
  }
  const auto controls = {static_cast<CWnd*>(&m_refreshButton), static_cast<CWnd*>(&m_closeDataButton),
                         static_cast<CWnd*>(&m_saveDataButton), static_cast<CWnd*>(&m_processCombo)};
  EnableControls(controls, FALSE);
  ShowBlockData(block.size, processId, block.address);
  EnableControls(controls, TRUE);
}

void CTarnwickDlg::ShowBlockData(uint32_t blockSize, int processId, uint32_t blockAddress) {
  EnterDataMode();
  m_dataList.ResetContent();
  if (blockSize > kMaxDumpSize) {
    m_dataList.AddString(kDumpSizeExceeded);
    return;
  }
  const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, static_cast<DWORD>(processId)));
  if (!process) {
    m_dataList.AddString(kDumpOpenFailed);
    return;
  }
  const std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[blockSize]);
  if (!data) {
    m_dataList.AddString(kDumpAllocFailed);
    return;
  }
  SIZE_T bytesRead = 0;
  if (!::ReadProcessMemory(process.Get(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(blockAddress)), data.get(),
                           blockSize, &bytesRead)) {
    m_dataList.AddString(kDumpReadFailed);
    return;
  }

  char line[1024];
  FormatDumpHeader(SelectedNodeAddress(m_nodeList), blockAddress, blockSize, line, sizeof line);
  // A block at the size limit is a million lines: the list box repaints once,
  // after the last one.
  m_dataList.SetRedraw(FALSE);
  LineAppender lines(m_dataList);
  lines.Append(line);
  lines.Append("");
  ForEachDumpRow(data.get(), bytesRead, [&lines](const char* row, size_t) { lines.Append(row); });
  m_dataList.SetRedraw(TRUE);
  m_dataList.Invalidate();
}
