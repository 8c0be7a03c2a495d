// The block table: every block of the clicked heap node, with a progress
// caption while a long table fills.
#include <algorithm>

#include "blockdata/SelectedBlock.h"
#include "heap/BlockTableFill.h"
#include "analysis/ContentsReading.h"
#include "heap/HeapItems.h"
#include "heap/HeapQuery.h"
#include "heap/ItemQuery.h"
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

// Room for as many rows as the heap has entries; the count is the system's
// word, so the room is kept within reason.
constexpr uint32_t kLargestRowHint = 1u << 24;

// On the worker. The system's items where it has them; else the walk of
// the entries, from a query of the whole process. A big process may not fit
// the default buffer; bigger ones are tried, each step on this thread.
void QueryBlockTable(const QueryRequest& request, HeapQuery& query, QueryOutcome& outcome,
                     const std::atomic<bool>& stop) {
  if (request.queryHeap != nullptr) {
    const ProcessHandle process(::OpenProcess(kItemQueryAccess, FALSE, request.processId));
    if (!process) {
      outcome.openFailed = true;
      return;
    }
    outcome.rows.Reserve(std::min(request.rowHint, kLargestRowHint));
    outcome.itemStatus = QueryHeapItems(request.queryHeap, process.Get(), request.heapBase, outcome.rows, stop).status;
    if (JudgeItemAnswer(outcome.itemStatus) != ItemAnswer::UseWalk) {
      outcome.fromItems = true;
      // What the blocks hold is read with the rows, here on the worker.
      const ProcessHandle reading(::OpenProcess(kContentsAccess, FALSE, request.processId));
      if (reading && !stop) outcome.types = ReadBlockTypes(reading.Get(), outcome.rows, stop);
      return;
    }
    outcome.rows.Clear();
    if (stop) return;  // forgotten: no second query
  }
  outcome.created = query.Create();
  if (!outcome.created) return;
  outcome.status = query.QueryGrowing(request.processId, kQueryHeapSummary | kQueryHeapEntries);
  outcome.queryMs = query.LastQueryMs();
  outcome.hasHeapList = outcome.status == 0 && query.Reader().HasHeapList();
}
}  // namespace

void CTarnwickDlg::OnNodeListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  const int item = SelectedRow(m_nodeList);
  if (item < 0 || static_cast<size_t>(item) >= m_nodeRows.Count()) return;
  const HeapRecord& node = m_nodeRows.Shown(static_cast<size_t>(item));
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;

  EnableForBlockWork(FALSE);
  FillBlockTable(node.BaseAddress, static_cast<uint32_t>(processId), node.NumberOfEntries);
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
  m_blockTypes = TypeNames{};
  m_previews.clear();
  std::vector<uint32_t>().swap(m_rowsByAddress);
  m_rowsByAddressMade = false;
  m_dumpedBlock.reset();
  m_blockBefore.reset();
  if (markedCaption) m_blockCaption.SetWindowText(kBlockCaptionText);
  m_changes.reset();
  // The searches stay: they are the user's queries, not these rows'.
  ForgetSort(m_blockList, m_blockSort);
}

bool CTarnwickDlg::FillBlockTable(uint64_t heapBaseAddress, uint32_t processId, uint32_t rowHint) {
  ClearBlockTable();

  QueryRequest request{m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer,
                       m_pfnRtlQueryProcessDebugInformation, m_systemBuildNumber, processId, &QueryBlockTable};
  request.queryHeap = m_pfnRtlQueryHeapInformation;
  request.heapBase = heapBaseAddress;
  request.rowHint = rowHint;
  PendingQuery pending(request);
  // The system waits for the target's answer to the items without a limit.
  const uint32_t limitMs = request.queryHeap != nullptr ? m_itemAnswerLimitMs : 0;
  if (!WaitForAnswer(pending, m_blockCaption, kBlockCaptionText, limitMs)) {
    if (pending.GaveUp()) Report(kNoAnswerText, MB_ICONINFORMATION);
    return false;
  }
  QueryOutcome& outcome = pending.Outcome();
  if (outcome.openFailed) {
    Report(kInsufficientRightsText);
    return false;
  }
  if (outcome.fromItems) {
    if (JudgeItemAnswer(outcome.itemStatus) == ItemAnswer::Failed) {
      Report(HeapQuery::FailureText(outcome.itemStatus).c_str());
      return false;
    }
    m_blockRows = std::move(outcome.rows);
    m_blockTypes = std::move(outcome.types);
    ShowFilledBlockTable(processId, heapBaseAddress);
    return true;
  }
  if (ReportFailedAnswer(outcome, "Failed to create debug buffer for heap storage")) return false;

  const HeapQueryReader reader = pending.Query().Reader();
  HeapRecord heap;
  if (reader.FindHeap(heapBaseAddress, heap)) {
    // Room for every entry at once; segment entries make it an upper bound.
    m_blockRows.Reserve(std::min(heap.NumberOfEntries, kLargestRowHint));
    {
      KeptBlockSink sink(m_blockRows, m_blockCaption);
      FillBlockRows(reader, heap, sink);
    }
    // Systems without the items (Windows 7, 8.1): what the blocks hold is
    // read here, after the walk, which needs the query's buffer.
    const ProcessHandle reading(::OpenProcess(kContentsAccess, FALSE, processId));
    const std::atomic<bool> never{false};
    if (reading) m_blockTypes = ReadBlockTypes(reading.Get(), m_blockRows, never);
    ShowFilledBlockTable(processId, heapBaseAddress);
  } else {
    m_blockCaption.SetWindowText(BlockCaption().c_str());
  }
  return true;
}

void CTarnwickDlg::ShowFilledBlockTable(uint32_t processId, uint64_t heapBaseAddress) {
  m_blockList.SetItemCount(static_cast<int>(m_blockRows.Count()));
  m_shownHeap = ShownHeap{processId, heapBaseAddress};
  // The marked heap again: what came and went since.
  if (m_mark.IsOf(processId, heapBaseAddress)) m_changes = CompareWithMark(m_mark, m_blockRows, m_blockTypes);
  m_blockCaption.SetWindowText(BlockCaption().c_str());
}
