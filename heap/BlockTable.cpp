// The block table: every block of the clicked heap node, with a progress
// caption while a long table fills.
#include <algorithm>

#include "blockdata/SelectedBlock.h"
#include "heap/BlockTableFill.h"
#include "heap/HeapQuery.h"
#include "heap/ProgressCaption.h"
#include "heap/QueryAnswer.h"
#include "heap/QueryWorker.h"
#include "shell/TarnwickDlg.h"

namespace {
// Rows go into the kept rows only: the list view gets their count at the
// end and asks for the texts it paints. The caption is a separate control,
// painted at once, so the user sees the progress while the handler still
// runs; its text is made only when it would be painted.
class KeptBlockSink : public BlockTableSink {
 public:
  KeptBlockSink(BlockRows& rows, CStatic& caption)
      : m_rows(rows), m_caption(caption, ProgressCaption::kPaintInterval) {}

  void AddRow(uint32_t, const BlockCursor& block) override { m_rows.Add({block.Address, block.Size, block.Kind}); }
  bool ProgressDue() const override { return m_caption.PaintDue(); }
  void SetProgress(const char* text) override { m_caption.SetText(text); }

 private:
  BlockRows& m_rows;
  ProgressCaption m_caption;
};

// On the worker. A big process may not fit the default buffer; bigger ones
// are tried, each step on this thread.
void QueryBlockTable(HeapQuery& query, uint32_t processId, QueryOutcome& outcome) {
  outcome.created = query.Create();
  if (!outcome.created) return;
  outcome.status = query.QueryGrowing(processId, kQueryHeapSummary | kQueryHeapEntries);
  outcome.queryMs = query.LastQueryMs();
  outcome.hasHeapList = outcome.status == 0 && query.Reader().HasHeapList();
}
}  // namespace

void CTarnwickDlg::OnNodeListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  const int item = SelectedRow(m_nodeList);
  if (item < 0 || static_cast<size_t>(item) >= m_nodeRows.Count()) return;
  const uint64_t baseAddress = m_nodeRows.Shown(static_cast<size_t>(item)).BaseAddress;
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;

  EnableForBlockWork(FALSE);
  FillBlockTable(baseAddress, static_cast<uint32_t>(processId));
  EnableForBlockWork(TRUE);
}

void CTarnwickDlg::EnableForBlockWork(BOOL enable) {
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton, &m_processCombo, &m_nodeList}, enable);
}

void CTarnwickDlg::ClearBlockTable() {
  m_blockList.SetItemCount(0);
  m_blockRows.Clear();
  // A caption that said the table shows the marked heap says so no more.
  const bool markedCaption = TableShowsMark();
  m_shownHeap.reset();
  if (markedCaption) m_blockCaption.SetWindowText(kBlockCaptionText);
  m_changes.reset();
  m_sizeSearch.reset();
  ForgetSort(m_blockList, m_blockSort);
}

bool CTarnwickDlg::FillBlockTable(uint64_t heapBaseAddress, uint32_t processId) {
  ClearBlockTable();

  PendingQuery pending({m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer,
                        m_pfnRtlQueryProcessDebugInformation, m_systemBuildNumber, processId, &QueryBlockTable});
  if (!WaitForAnswer(pending, m_blockCaption, kBlockCaptionText)) return false;
  if (ReportFailedAnswer(pending.Outcome(), "Failed to create debug buffer for heap storage")) return false;

  const HeapQueryReader reader = pending.Query().Reader();
  HeapRecord heap;
  if (reader.FindHeap(heapBaseAddress, heap)) {
    // Room for every entry at once; segment entries make it an upper bound.
    // The count is the system's word, so the room is kept within reason.
    constexpr uint32_t kLargestRowHint = 1u << 24;
    m_blockRows.Reserve(std::min(heap.NumberOfEntries, kLargestRowHint));
    {
      KeptBlockSink sink(m_blockRows, m_blockCaption);
      FillBlockRows(reader, heap, sink);
    }
    m_blockList.SetItemCount(static_cast<int>(m_blockRows.Count()));
    m_shownHeap = ShownHeap{processId, heapBaseAddress};
    // The marked heap again: what came and went since.
    if (m_mark.IsOf(processId, heapBaseAddress)) m_changes = CompareWithMark(m_mark, m_blockRows);
  }
  m_blockCaption.SetWindowText(BlockCaption().c_str());
  return true;
}
