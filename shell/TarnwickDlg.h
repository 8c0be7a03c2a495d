// CTarnwickDlg: the program's only window. It owns every control, the fonts,
// the info-tip texts and the three resolved heap-query entry points. Members
// of the heap and block-data subsystems are defined in their own folders.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/QorButton.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "blockdata/DumpView.h"
#include "blockdata/FindBlock.h"
#include "analysis/BlockMark.h"
#include "analysis/BlockSearch.h"
#include "heap/BlockRows.h"
#include "analysis/BlockSizes.h"
#include "analysis/MarkComparison.h"
#include "analysis/TypeNames.h"
#include "heap/HeapLayout.h"
#include "heap/HeapQueryFunctions.h"
#include "shell/CopyMenu.h"
#include "shell/TableSort.h"
#include "shell/resource.h"

// The signatures of the system's EnumProcesses and IsWow64Process.
using PfnEnumProcesses = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* bytesWritten);
using PfnIsWow64Process = BOOL(WINAPI*)(HANDLE process, BOOL* underLayer);
// ntdll's NtQueryInformationProcess.
using PfnNtQueryInformationProcess = LONG(WINAPI*)(HANDLE process, ULONG infoClass, void* info, ULONG size,
                                                   ULONG* returned);

class PendingQuery;
struct QueryOutcome;

// "Go to %s (block %d)": the value as the block table writes addresses,
// the block's index.
std::string GoToItemText(uint64_t value, uint32_t walkIndex, Width width);

class CTarnwickDlg : public CDialog {
 public:
  explicit CTarnwickDlg(CWnd* parent = nullptr);
  ~CTarnwickDlg() override = default;

  enum { IDD = IDD_MAIN_DIALOG };

  // Display modes of the upper table area.
  void EnterTableMode();
  void EnterDataMode();

  // Process list and debug privilege.
  BOOL EnableDebugPrivilege();
  BOOL FillProcessList(int keepProcessId);
  int GetSelectedProcessId();
  // The width of the chosen process when it is the other program's to
  // inspect (its entry says so), else nothing.
  std::optional<Width> SelectedProcessOtherWidth() const;

  // Heap queries. Each runs on a worker; the dialog waits for its answer
  // and keeps handling messages: false when the wait was stopped (Escape,
  // another process chosen, the window closed).
  BOOL ResolveHeapQueryFunctions();
  // With limitMs, a wait that lasts longer gives up (pending.GaveUp()).
  bool WaitForAnswer(PendingQuery& pending, CStatic& caption, const char* ownText, uint32_t limitMs = 0);
  // Whether the system says the process is frozen (an app in the
  // background); false when it can't tell.
  bool ProcessIsFrozen(uint32_t processId);
  // Tells the user why an answered query holds no heaps (no buffer, a
  // failure, no answer in time); false when it holds them.
  bool ReportFailedAnswer(const QueryOutcome& outcome, const char* noBufferText);
  void FillHeapNodeTable(uint32_t processId);
  // The heap's blocks from the system's items, or from the walk of its
  // entries where the system has no such items; rowHint: the heap's entry
  // count, room made for that many rows.
  bool FillBlockTable(uint64_t heapBaseAddress, uint32_t processId, uint32_t rowHint = 0);
  // The kept rows shown as the table of that heap, the caption set.
  void ShowFilledBlockTable(uint32_t processId, uint64_t heapBaseAddress);
  // Empties the block table and the rows kept beside it.
  void ClearBlockTable();
  // The controls a fill or a search of the block table disables, in order.
  void EnableForBlockWork(BOOL enable);
  // The selected block row's dump (or note), as a click on the row gives it.
  void ShowSelectedBlock();

  // Find Block: the dialog (Ctrl+F, the block table's menu), and the last
  // search again from the row after the selected one (F3).
  void OpenFindBlock();
  void FindNextBlock();
  // Empties the node table; its next fill shows walk order.
  void ClearNodeTable();

  // What holds the memory and what grew (the block table's menu): the
  // Block Sizes dialog, a mark of the heap's busy blocks, and the changes
  // since it; each dialog goes to the first block of the size chosen.
  void OpenBlockSizes();
  void OpenBlockTypes();
  void MarkBlocks();
  void OpenChangesSinceMark();
  // The block caption's own text: marked when the table shows the marked heap.
  std::string BlockCaption() const;
  bool TableShowsMark() const { return m_shownHeap && m_mark.IsOf(m_shownHeap->processId, m_shownHeap->heapBase); }
  void ShowBlockData(uint64_t blockSize, int processId, uint64_t blockAddress);
  // Empties the data view and forgets the bytes it showed.
  void ClearDataView();
  // One line in the data view (a note, an error).
  void ShowDataMessage(const char* line);
  // The data view's line count and width from m_dataLines.
  void ShowDataLines();
  // The data view's column as wide as its longest line in its font.
  void FitDataColumn();
  // The blocks the selected dump row's words point into: (value, walk index).
  std::vector<std::pair<uint64_t, uint32_t>> PointedBlocks();
  // Selects and dumps the block of walk index, as a click on its row does.
  void GoToBlock(uint32_t walkIndex);
  // Alt+Left: the block dumped before the one shown.
  void GoBack();

  // The Contents cell of the block row shown at position; the previews of
  // every text block, read at once (for a sort or a copy of the table); the
  // order of the rows by their Contents.
  std::string ContentsText(size_t position);
  void ReadAllPreviews();
  std::vector<uint32_t> ContentsOrderOf(bool descending);

  // Ctrl+C and the context-menu key in the tables and the data list.
  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnNodeListClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnProcessSelected();
  void OnBlockListClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnCloseData();
  void OnNodeListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBlockListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
  void OnSaveData();
  void OnContextMenu(CWnd* pWnd, POINT point);
  void OnNodeListColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnNodeListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBlockListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnNodeListFindItem(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBlockListFindItem(NMHDR* pNMHDR, LRESULT* pResult);
  void OnBlockListColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDataListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDpiScaled(UINT oldDpi) override;
  DECLARE_MESSAGE_MAP()

 public:
  HICON m_hIcon;
  CFont m_titleFont;
  CFont m_subtitleFont;
  CFont m_captionFont;
  CFont m_dataFont;
  char m_nodeTipText[256] = {};
  char m_blockTipText[256] = {};
  CComboBox m_processCombo;
  CListCtrl m_nodeList;
  CListCtrl m_blockList;
  // The tables' rows, as numbers, in walk order and the order shown: the
  // list views hold only their count and ask for the texts they paint.
  NodeRows m_nodeRows;
  BlockRows m_blockRows;
  // The last search asked for, if any.
  std::optional<FindQuery> m_lastFind;
  // The last search by size or type, when it came after the last Find
  // Block search: F3 repeats it. Like Find's, it outlives every fill.
  std::optional<BlockSearch> m_blockSearch;
  // The heap the block table shows, from its last fill.
  struct ShownHeap {
    uint32_t processId;
    uint64_t heapBase;
  };
  std::optional<ShownHeap> m_shownHeap;
  // The mark (one at a time), and the comparison of the table with it when
  // the table shows the marked heap again.
  BlockMark m_mark;
  std::optional<MarkComparison> m_changes;
  // The names the block rows' types index, from the fill; and the previews
  // of text blocks read so far (by walk index), made when shown.
  TypeNames m_blockTypes;
  std::unordered_map<uint32_t, std::string> m_previews;
  // The column each table is sorted by, and which way.
  SortState m_nodeSort;
  SortState m_blockSort;
  // The data view: an owner-data list view of the lines m_dataLines makes.
  CListCtrl m_dataList;
  DataViewLines m_dataLines;
  // Whether the data caption says that some bytes could not be read.
  bool m_dataUnreadableShown = false;
  // The walk index of the block dumped last, and of the one before it
  // (Alt+Left goes back to it).
  std::optional<uint32_t> m_dumpedBlock;
  std::optional<uint32_t> m_blockBefore;
  // The busy block rows by address, made when a pointer is first followed
  // in this fill.
  std::vector<uint32_t> m_rowsByAddress;
  bool m_rowsByAddressMade = false;
  CStatic m_titleText;
  CStatic m_subtitleText;
  CStatic m_nodeCaption;
  CStatic m_blockCaption;
  CStatic m_dataCaption;
  CQorButton m_refreshButton;
  CQorButton m_closeDataButton;
  CQorButton m_saveDataButton;
  PfnRtlCreateQueryDebugBuffer m_pfnRtlCreateQueryDebugBuffer;
  PfnRtlDestroyQueryDebugBuffer m_pfnRtlDestroyQueryDebugBuffer;
  PfnRtlQueryProcessDebugInformation m_pfnRtlQueryProcessDebugInformation;
  // ntdll's RtlQueryHeapInformation (null where missing): the block table
  // asks it for the system's items of a heap. The system waits for the
  // target without a limit; the dialog gives up after m_itemAnswerLimitMs.
  PfnRtlQueryHeapInformation m_pfnRtlQueryHeapInformation = nullptr;
  uint32_t m_itemAnswerLimitMs = 60000;
  // The system's build number (0 when unknown): tells which heap-list layout
  // to expect when the buffer itself can't tell.
  uint32_t m_systemBuildNumber = 0;
  // The system's EnumProcesses and IsWow64Process (null where the system
  // has none); tests may put functions of their own with the same
  // signatures here.
  PfnEnumProcesses m_pfnEnumProcesses;
  PfnIsWow64Process m_pfnIsWow64Process;
  // ntdll's NtQueryInformationProcess, null where it is missing; tests may
  // put a function of their own here.
  PfnNtQueryInformationProcess m_pfnNtQueryInformationProcess = nullptr;
  // The heap query being waited for, if any.
  PendingQuery* m_waitingQuery = nullptr;

 private:
  // The fonts the dialog makes, at its DPI, in place of any made before.
  void SetUpFonts();
  void PlaceDataViewOverNodeTable();
  void SetUpColumns();
  void SetUpButtons();
  void SizeProcessCombo();
  void AddAboutItem();
  void EnableControls(std::initializer_list<CWnd*> controls, BOOL enable);
  void HandleMessagesWhileWaiting(PendingQuery& pending);
  int Report(const char* text, UINT icon = MB_ICONERROR);
  // The table or the data list that is this window, or null.
  CWnd* CopySourceOf(HWND window);
  // Which copy commands the source offers now, and its selected row.
  CopyMenuState CopyStateOf(const CWnd& source, int* selected);
  // "Copy" (all = false) or "Copy All" from a table or the data list, when
  // the source offers it.
  void CopyFrom(CWnd& source, bool all);
  // Searches the block table for the query, then selects and shows what
  // was found or says that nothing was.
  void RunFind(const FindQuery& query);
  void SelectFoundRow(int item);
  // The next block of the last size or type searched for, from position
  // start on, or the message that there is none.
  void RunBlockSearch(size_t start);
  // Choosing another process, or its end, forgets the mark of this one.
  void ForgetMarkUnlessOf(int processId);
  // Walk order again, no arrow (the rows are about to go).
  void ForgetSort(CListCtrl& list, SortState& state);
};
