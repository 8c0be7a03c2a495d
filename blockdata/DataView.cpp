// The data view: a block's bytes read from the inspected process and shown
// as a hexadecimal dump in place of the node table.
#include <new>
#include <utility>
#include <vector>

#include "blockdata/DumpLines.h"
#include "blockdata/SelectedBlock.h"
#include "heap/ProcessHandle.h"
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::OnBlockListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  ShowSelectedBlock();
}

void CTarnwickDlg::ShowSelectedBlock() {
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  SelectedBlock block;
  if (!ReadSelectedBlock(m_blockList, m_blockRows, block)) return;

  if (block.free) {
    EnterDataMode();
    ClearDataView();
    m_dataList.AddString(kFreeBlockNote);
    return;
  }
  const auto controls = {static_cast<CWnd*>(&m_refreshButton), static_cast<CWnd*>(&m_closeDataButton),
                         static_cast<CWnd*>(&m_saveDataButton), static_cast<CWnd*>(&m_processCombo)};
  EnableControls(controls, FALSE);
  ShowBlockData(block.size, processId, block.address);
  EnableControls(controls, TRUE);
}

void CTarnwickDlg::ClearDataView() {
  m_dataList.ResetContent();
  std::vector<uint8_t>().swap(m_dumpBytes);  // its memory too: = {} would keep the capacity
  m_dumpHeader.clear();
}

void CTarnwickDlg::ShowBlockData(uint64_t blockSize, int processId, uint64_t blockAddress) {
  EnterDataMode();
  ClearDataView();
  if (blockSize > kMaxDumpSize) {
    m_dataList.AddString(kDumpSizeExceeded);
    return;
  }
  const ProcessHandle process(::OpenProcess(kInspectAccess, FALSE, static_cast<DWORD>(processId)));
  if (!process) {
    m_dataList.AddString(kDumpOpenFailed);
    return;
  }
  // The bytes stay while the view shows them: Copy All makes its text from
  // them rather than from a million lines of the list box.
  std::vector<uint8_t> data;
  try {
    data.resize(static_cast<size_t>(blockSize));
  } catch (const std::bad_alloc&) {
    m_dataList.AddString(kDumpAllocFailed);
    return;
  }
  SIZE_T bytesRead = 0;
  if (!::ReadProcessMemory(process.Get(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(blockAddress)), data.data(),
                           static_cast<SIZE_T>(blockSize), &bytesRead)) {
    m_dataList.AddString(kDumpReadFailed);
    return;
  }
  data.resize(static_cast<size_t>(bytesRead));

  char line[1024];
  FormatDumpHeader(SelectedNodeAddress(m_nodeList, m_nodeRows), blockAddress, blockSize, kProgramWidth, line,
                   sizeof line);
  // A block at the size limit is a million lines: the list box repaints once,
  // after the last one.
  m_dataList.SetRedraw(FALSE);
  m_dataList.AddString(line);
  m_dataList.AddString("");
  ForEachDumpRow(data.data(), data.size(), [this](const char* row, size_t) { m_dataList.AddString(row); });
  m_dataList.SetRedraw(TRUE);
  m_dataList.Invalidate();
  m_dumpHeader = line;
  m_dumpBytes = std::move(data);
}
