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
// Rows go straight into the list view, whose redraw is off for the fill;
// the caption is a separate control and is painted at once, so the user
// sees the progress while the handler still runs.
class ListViewBlockSink : public BlockTableSink {
 public:
  ListViewBlockSink(CListCtrl& list, BlockRows& rows, CStatic& caption) : m_list(list), m_rows(rows), m_caption(caption) {}

  void AddRow(uint32_t row, const BlockCursor& block, const BlockRowTexts& texts) override {
    const int item = static_cast<int>(row);
    m_rows.Add({block.Address, block.Size, block.Kind == kBlockKindFree});
    m_list.InsertItem(item, texts.index, static_cast<LPARAM>(row));
    m_list.SetItemText(item, 1, texts.address);
    m_list.SetItemText(item, 2, texts.size);
    m_list.SetItemText(item, 3, texts.allocationType);
    m_list.SetItemText(item, 4, texts.status);
  }

  void SetProgress(const char* text) override { m_caption.SetText(text); }

 private:
  CListCtrl& m_list;
  BlockRows& m_rows;
  ProgressCaption m_caption;
};

// Turns a list view's redraw off for a scope and repaints it once at the end.
class RedrawOff {
 public:
  explicit RedrawOff(CWnd& wnd) : m_wnd(wnd) { m_wnd.SetRedraw(FALSE); }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;
  ~RedrawOff() {
    m_wnd.SetRedraw(TRUE);
    m_wnd.Invalidate();
  }

 private:
  CWnd& m_wnd;
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
  if (item == -1) return;
  const uint64_t baseAddress = HexCell(m_nodeList, item, 1);
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
  m_blockList.DeleteAllItems();
  m_blockRows.Clear();
  ForgetSort(m_blockList, m_blockSort);
}

bool CTarnwickDlg::FillBlockTable(uint64_t heapBaseAddress, uint32_t processId) {
  {
    const RedrawOff redrawOff(m_blockList);
    ClearBlockTable();
  }

  PendingQuery pending({m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer,
                        m_pfnRtlQueryProcessDebugInformation, m_systemBuildNumber, processId, &QueryBlockTable});
  if (!WaitForAnswer(pending, m_blockCaption, kBlockCaptionText)) return false;
  if (ReportFailedAnswer(pending.Outcome(), "Failed to create debug buffer for heap storage")) return false;

  const HeapQueryReader reader = pending.Query().Reader();
  HeapRecord heap;
  if (reader.FindHeap(heapBaseAddress, heap)) {
    const RedrawOff redrawOff(m_blockList);
    // Room for every entry at once; segment entries make it an upper bound.
    // The count is the system's word, so the hint is kept within reason.
    constexpr uint32_t kLargestRowHint = 1u << 20;
    m_blockList.SendMessage(LVM_SETITEMCOUNT, std::min(heap.NumberOfEntries, kLargestRowHint));
    ListViewBlockSink sink(m_blockList, m_blockRows, m_blockCaption);
    FillBlockRows(reader, heap, sink);
  }
  m_blockCaption.SetWindowText(kBlockCaptionText);
  return true;
}
