// The block table: every block of the clicked heap node, with a progress
// caption while a long table fills.
#include <algorithm>

#include "blockdata/SelectedBlock.h"
#include "heap/BlockTableFill.h"
#include "heap/HeapQuery.h"
#include "shell/TarnwickDlg.h"

namespace {
// Rows go straight into the list view, whose redraw is off for the fill;
// the caption is a separate control and is painted at once, so the user
// sees the progress while the handler still runs.
class ListViewBlockSink : public BlockTableSink {
 public:
  ListViewBlockSink(CListCtrl& list, BlockRows& rows, CStatic& caption) : m_list(list), m_rows(rows), m_caption(caption) {
    m_caption.SetRedraw(FALSE);
  }
  ~ListViewBlockSink() override { ShowCaption(); }

  void AddRow(uint32_t row, const BlockCursor& block, const BlockRowTexts& texts) override {
    const int item = static_cast<int>(row);
    m_rows.Add({block.Address, block.Size, block.Kind == kBlockKindFree});
    m_list.InsertItem(item, texts.index, static_cast<LPARAM>(row));
    m_list.SetItemText(item, 1, texts.address);
    m_list.SetItemText(item, 2, texts.size);
    m_list.SetItemText(item, 3, texts.allocationType);
    m_list.SetItemText(item, 4, texts.status);
  }

  void SetProgress(const char* text) override {
    m_caption.SetWindowText(text);
    const DWORD now = ::GetTickCount();
    if (now - m_lastPaint < kPaintInterval) return;
    m_lastPaint = now;
    ShowCaption();
    m_caption.SetRedraw(FALSE);
  }

 private:
  static constexpr DWORD kPaintInterval = 30;

  void ShowCaption() {
    m_caption.SetRedraw(TRUE);
    m_caption.Invalidate();
    m_caption.UpdateWindow();
    // Looking at the queue keeps the window responsive during a long fill,
    // and Wine puts what was painted on the screen when a look finds
    // nothing. Only sent messages are looked for: the disabled controls
    // leave paint messages pending, and with them in view every look would
    // find something. Nothing is removed from the queue.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }

  CListCtrl& m_list;
  BlockRows& m_rows;
  CStatic& m_caption;
  DWORD m_lastPaint = ::GetTickCount() - kPaintInterval;
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
}  // namespace

void CTarnwickDlg::OnNodeListClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  const int item = m_nodeList.GetNextItem(-1, LVNI_SELECTED);
  if (item == -1) return;
  const uint64_t baseAddress = HexCell(m_nodeList, item, 1);
  const int processId = GetSelectedProcessId();
  if (processId == -1) return;

  const auto controls = {static_cast<CWnd*>(&m_refreshButton), static_cast<CWnd*>(&m_closeDataButton),
                         static_cast<CWnd*>(&m_saveDataButton), static_cast<CWnd*>(&m_processCombo),
                         static_cast<CWnd*>(&m_nodeList)};
  EnableControls(controls, FALSE);
  FillBlockTable(baseAddress, static_cast<uint32_t>(processId));
  EnableControls(controls, TRUE);
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

  HeapQuery query(m_pfnRtlCreateQueryDebugBuffer, m_pfnRtlDestroyQueryDebugBuffer, m_pfnRtlQueryProcessDebugInformation,
                  m_systemBuildNumber);
  if (!query.Create()) {
    Report("Failed to create debug buffer for heap storage");
    return false;
  }
  // A big process may not fit the default buffer; bigger ones are tried.
  // The report carries the query's own status: the native call does not set
  // the last error.
  const int32_t status = query.QueryGrowing(processId, kQueryHeapSummary | kQueryHeapEntries);
  if (status != 0) {
    Report(HeapQuery::FailureText(status).c_str());
    return false;
  }

  const HeapQueryReader reader = query.Reader();
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
