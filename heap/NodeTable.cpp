// The heap node table: one row per heap of the chosen process.
#include "heap/HeapQuery.h"
#include "heap/ProcessEntry.h"
#include "heap/TableText.h"
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::OnProcessSelected() {
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  if (const std::optional<Width> other = SelectedProcessOtherWidth()) {
    // Its heaps are the other program's to show: this one's query would
    // list only what the compatibility layer keeps, or fail.
    ClearNodeTable();
    ClearBlockTable();
    m_dataList.ResetContent();
    EnterTableMode();
    Report(OtherWidthText(*other), MB_ICONINFORMATION);
    return;
  }
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, FALSE);
  FillHeapNodeTable(static_cast<uint32_t>(processId));
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, TRUE);
}

void CTarnwickDlg::ClearNodeTable() {
  m_nodeList.DeleteAllItems();
  ForgetSort(m_nodeList, m_nodeSort);
}

void CTarnwickDlg::FillHeapNodeTable(uint32_t processId) {
  ClearNodeTable();
  ClearBlockTable();
  m_dataList.ResetContent();
  EnterTableMode();

  HeapQuery query(m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer, m_pfnRtlQueryProcessDebugInformation,
                  m_systemBuildNumber);
  if (!query.Create()) {
    Report("Failed to create debug buffer for heap storage due to insufficient memory");
    return;
  }
  // The entries are not shown here, but asking for them first gives the same
  // view of the heaps as the block table's query; the summary is the fallback.
  if (query.Query(processId, kQueryHeapSummary | kQueryHeapEntries) != 0) {
    const int32_t status = query.Query(processId, kQueryHeapSummary);
    if (status != 0) {
      Report(HeapQuery::FailureText(status).c_str());
      return;
    }
  }

  const HeapQueryReader reader = query.Reader();
  HeapRecord heap;
  for (uint32_t i = 0; reader.ReadHeap(i, heap); ++i) {
    NodeRowTexts row;
    MakeNodeRowTexts(i, heap, kProgramWidth, row);
    m_nodeList.InsertItem(static_cast<int>(i), row.cells[0], static_cast<LPARAM>(i));
    for (int column = 1; column < 6; ++column) m_nodeList.SetItemText(static_cast<int>(i), column, row.cells[column]);
  }
}
