// The heap node table: one row per heap of the chosen process.
#include "heap/HeapQuery.h"
#include "heap/ProcessEntry.h"
#include "heap/ProcessHandle.h"
#include "heap/QueryAnswer.h"
#include "heap/QueryWorker.h"
#include "heap/SegmentHeap.h"
#include "heap/TableText.h"
#include "shell/TarnwickDlg.h"

namespace {
// On the worker. The entries are not shown here, but asking for them first
// gives the same view of the heaps as the block table's query (and the
// segment heaps' totals); the summary is the fallback.
void QueryNodeTable(const QueryRequest& request, HeapQuery& query, QueryOutcome& outcome, const std::atomic<bool>&) {
  outcome.created = query.Create();
  if (!outcome.created) return;
  outcome.status = query.Query(request.processId, kQueryHeapSummary | kQueryHeapEntries);
  if (FallBackToSummary(outcome.status)) outcome.status = query.Query(request.processId, kQueryHeapSummary);
  outcome.queryMs = query.LastQueryMs();
  outcome.hasHeapList = outcome.status == 0 && query.Reader().HasHeapList();
}

// A signature that can't be read counts as another kind of heap.
bool IsSegmentHeap(const ProcessHandle& process, uint64_t baseAddress) {
  uint8_t signature[4];
  size_t got = 0;
  return process &&
         ReadProcessBytes(process.Get(), baseAddress + SegmentSignatureOffset(kProgramWidth), signature,
                          sizeof signature, got) &&
         got == sizeof signature && GetLe32(signature) == kSegmentHeapSignature;
}
}  // namespace

void CTarnwickDlg::OnProcessSelected() {
  // Another process chosen while one's query waits: that one is forgotten.
  if (m_waitingQuery != nullptr) m_waitingQuery->Stop();
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;
  ForgetMarkUnlessOf(processId);
  if (const std::optional<Width> other = SelectedProcessOtherWidth()) {
    // Its heaps are the other program's to show: this one's query would
    // list only what the compatibility layer keeps, or fail.
    ClearNodeTable();
    ClearBlockTable();
    ClearDataView();
    EnterTableMode();
    Report(OtherWidthText(*other), MB_ICONINFORMATION);
    return;
  }
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, FALSE);
  FillHeapNodeTable(static_cast<uint32_t>(processId));
  EnableControls({&m_refreshButton, &m_closeDataButton, &m_saveDataButton}, TRUE);
}

void CTarnwickDlg::ClearNodeTable() {
  m_nodeList.SetItemCount(0);
  m_nodeRows.Clear();
  ForgetSort(m_nodeList, m_nodeSort);
}

void CTarnwickDlg::FillHeapNodeTable(uint32_t processId) {
  ClearNodeTable();
  ClearBlockTable();
  ClearDataView();
  EnterTableMode();

  // A frozen process can't run the thread the query starts in it.
  if (ProcessIsFrozen(processId)) {
    Report(kFrozenText, MB_ICONINFORMATION);
    return;
  }
  PendingQuery pending({m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer,
                        m_pfnRtlQueryProcessDebugInformation, m_systemBuildNumber, processId, &QueryNodeTable});
  if (!WaitForAnswer(pending, m_nodeCaption, kNodeCaptionText)) return;
  if (ReportFailedAnswer(pending.Outcome(), "Failed to create debug buffer for heap storage due to insufficient memory"))
    return;

  const HeapQueryReader reader = pending.Query().Reader();
  const ProcessHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, processId));
  HeapRecord heap;
  for (uint32_t i = 0; reader.ReadHeap(i, heap); ++i) {
    heap.BytesAllocated = NodeAllocatedBytes(reader, heap, IsSegmentHeap(process, heap.BaseAddress));
    m_nodeRows.Add(heap);
  }
  m_nodeList.SetItemCount(static_cast<int>(m_nodeRows.Count()));
}
