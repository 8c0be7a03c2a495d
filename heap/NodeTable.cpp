// The heap node table: one row per heap of the chosen process.
#include <cstdio>

#include "heap/HeapRecords.h"
#include "heap/OwnMemoryImage.h"
#include "heap/QueryBuffer.h"
#include "heap/TableText.h"
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::OnProcessSelected() {
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, FALSE);
  FillHeapNodeTable(static_cast<uint32_t>(processId));
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, TRUE);
}

void CTarnwickDlg::FillHeapNodeTable(uint32_t processId) {
  m_nodeList.DeleteAllItems();
  m_blockList.DeleteAllItems();
  m_dataList.ResetContent();
  EnterTableMode();

  const QueryBuffer buffer(m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer);
  if (!buffer) {
    Report("Failed to create debug buffer for heap storage due to insufficient memory");
    return;
  }
  // The entries are not shown here, but asking for them first gives the same
  // view of the heaps as the block table's query; the summary is the fallback.
  if (m_pfnRtlQueryProcessDebugInformation(processId, kQueryHeapSummary | kQueryHeapEntries, buffer.Get()) != 0) {
    const int32_t status = m_pfnRtlQueryProcessDebugInformation(processId, kQueryHeapSummary, buffer.Get());
    if (status != 0) {
      char text[5000];
      std::snprintf(text, sizeof text, "Failed to query process heap information, error = 0x%.8x",
                    static_cast<unsigned>(status));
      Report(text);
      return;
    }
  }

  const OwnMemoryImage image;
  const HeapQueryReader reader(image, buffer.Address());
  HeapRecord heap;
  for (uint32_t i = 0; reader.ReadHeap(i, heap); ++i) {
    NodeRowTexts row;
    MakeNodeRowTexts(i, heap, row);
    m_nodeList.InsertItem(static_cast<int>(i), row.cells[0]);
    for (int column = 1; column < 6; ++column) m_nodeList.SetItemText(static_cast<int>(i), column, row.cells[column]);
  }
}
