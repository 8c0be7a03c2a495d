// Copying what the two tables and the data list show: their context menu
// ("Copy", "Copy All"; the block table's also "Find...") and Ctrl+C, with
// Ctrl+F and F3 in the block table. The text goes on the clipboard as
// CF_TEXT: the program's texts are 8-bit, in the system's code page.
#include <algorithm>
#include <climits>
#include <cstring>

#include "blockdata/DumpLines.h"
#include "blockdata/SelectedBlock.h"
#include "framework/Clipboard.h"
#include "framework/Menu.h"
#include "shell/CopyMenu.h"
#include "shell/CopyTable.h"
#include "shell/CopyText.h"
#include "shell/TarnwickDlg.h"

namespace {
// Room a cell or column title is read into to learn its length, as large as
// the text buffer the tables are filled from.
constexpr int kCellCapacity = 5000;

int Room(size_t room) { return room < INT_MAX ? static_cast<int>(room) : INT_MAX; }

size_t ColumnTitle(const CListCtrl& list, int index, char* out, int room) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT;
  column.pszText = out;
  column.cchTextMax = room;
  out[0] = '\0';
  if (!list.GetColumn(index, &column)) return 0;
  return strnlen(out, static_cast<size_t>(room));
}

int ColumnCount(const CListCtrl& list) {
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH;
  int count = 0;
  while (list.GetColumn(count, &column)) ++count;
  return count;
}

template <class Pass>
void TitleLine(Pass& pass, const CListCtrl& list, int columns) {
  for (int c = 0; c < columns; ++c)
    pass.Cell(
        [&] {
          char title[kCellCapacity];
          return ColumnTitle(list, c, title, kCellCapacity);
        },
        [&](char* out, size_t room) { return ColumnTitle(list, c, out, Room(room)); });
  pass.EndLine();
}

template <class Pass>
void RowLine(Pass& pass, const CListCtrl& list, int item, int columns) {
  for (int c = 0; c < columns; ++c)
    pass.Cell(
        [&] {
          char text[kCellCapacity];
          return static_cast<size_t>(list.GetItemText(item, c, text, kCellCapacity));
        },
        [&](char* out, size_t room) { return static_cast<size_t>(list.GetItemText(item, c, out, Room(room))); });
  pass.EndLine();
}

// Builds the text into global memory and hands it to the clipboard; the
// clipboard is opened only once the text is ready.
template <class Content>
bool PutOnClipboard(HWND owner, Content&& content) {
  CGlobalText memory;
  if (!BuildCopyText(content, [&](size_t size) { return memory.Allocate(size); })) return false;
  CClipboard clipboard(owner);
  return clipboard.SetText(memory);
}

}  // namespace

// All lines of a table: its column titles, then every row.
bool CopyTable(HWND owner, const CListCtrl& list, bool titles) {
  const int columns = ColumnCount(list);
  const int items = list.GetItemCount();
  return PutOnClipboard(owner, [&](auto& pass) {
    if (titles) TitleLine(pass, list, columns);
    for (int item = 0; item < items; ++item) RowLine(pass, list, item, columns);
  });
}

bool CopyRow(HWND owner, const CListCtrl& list, int item) {
  const int columns = ColumnCount(list);
  return PutOnClipboard(owner, [&](auto& pass) { RowLine(pass, list, item, columns); });
}

namespace {

// The whole dump in one pass from its bytes, with the lines' own formatter.
bool CopyDump(HWND owner, const std::string& header, const std::vector<uint8_t>& bytes) {
  CGlobalText memory;
  char* out = memory.Allocate(DumpTextLength(header.size(), bytes.size()) + 1);
  if (out == nullptr) return false;
  WriteDumpText(header.data(), header.size(), bytes.data(), bytes.size(), out);
  CClipboard clipboard(owner);
  return clipboard.SetText(memory);
}

LayoutRect ScreenRect(const CWnd& owner, RECT rect) {
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  ::MapWindowPoints(owner.m_hWnd, nullptr, corners, 2);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}
}  // namespace

CWnd* CTarnwickDlg::CopySourceOf(HWND window) {
  for (CWnd* source :
       {static_cast<CWnd*>(&m_nodeList), static_cast<CWnd*>(&m_blockList), static_cast<CWnd*>(&m_dataList)})
    if (window != nullptr && source->m_hWnd == window) return source;
  return nullptr;
}

CopyMenuState CTarnwickDlg::CopyStateOf(const CWnd& source, int* selected) {
  const bool isTable = &source != &m_dataList;
  const int item = SelectedRow(static_cast<const CListCtrl&>(source));
  if (selected != nullptr) *selected = item;
  // A dump beyond the size limit is not kept: save it instead.
  const bool whole = !m_dataLines.IsDump() || m_dataLines.KeptBytes() != nullptr;
  return CopyMenuFor(isTable ? CopySource::Table : CopySource::DataList, item != -1,
                     isTable ? 0 : static_cast<int>(m_dataLines.LineCount()), whole);
}

void CTarnwickDlg::CopyFrom(CWnd& source, bool all) {
  int item = -1;
  const CopyMenuState state = CopyStateOf(source, &item);
  if (!(all ? state.copyAll : state.copy)) return;
  bool copied = false;
  const std::vector<uint8_t>* kept = m_dataLines.KeptBytes();
  if (&source == &m_dataList && !all)
    copied = CopyRow(m_hWnd, m_dataList, item);
  else if (&source == &m_dataList)
    copied = kept != nullptr ? CopyDump(m_hWnd, m_dataLines.Header(), *kept) : CopyTable(m_hWnd, m_dataList, false);
  else if (all) {
    // Every text block's preview in one pass of reads, not one a row.
    if (&source == &m_blockList) ReadAllPreviews();
    copied = CopyTable(m_hWnd, static_cast<const CListCtrl&>(source), true);
  }
  else
    copied = CopyRow(m_hWnd, static_cast<const CListCtrl&>(source), item);
  if (!copied) Report(kCopyFailedText);
}

void CTarnwickDlg::OnContextMenu(CWnd* pWnd, POINT point) {
  CWnd* source = pWnd != nullptr ? CopySourceOf(pWnd->m_hWnd) : nullptr;
  if (source == nullptr) {
    Default();
    return;
  }
  int selected = -1;
  const CopyMenuState state = CopyStateOf(*source, &selected);
  const auto* table = static_cast<const CListCtrl*>(source);
  CMenu menu;
  if (!menu.CreatePopupMenu()) return;
  menu.AppendMenu(MF_STRING | (state.copy ? MF_ENABLED : MF_GRAYED), IDM_COPY, kCopyItemText);
  menu.AppendMenu(MF_STRING | (state.copyAll ? MF_ENABLED : MF_GRAYED), IDM_COPY_ALL, kCopyAllItemText);
  if (source == &m_blockList) {
    const UINT rows = m_blockList.GetItemCount() > 0 ? MF_ENABLED : MF_GRAYED;
    menu.AppendMenu(MF_STRING | rows, IDM_FIND, kFindItemText);
    menu.AppendMenu(MF_STRING | rows, IDM_BLOCK_SIZES, kBlockSizesItemText);
    menu.AppendMenu(MF_STRING | rows, IDM_BLOCK_TYPES, kBlockTypesItemText);
    menu.AppendMenu(MF_STRING | (m_shownHeap ? MF_ENABLED : MF_GRAYED), IDM_MARK_BLOCKS, kMarkBlocksItemText);
    menu.AppendMenu(MF_STRING | (m_changes ? MF_ENABLED : MF_GRAYED), IDM_CHANGES_SINCE_MARK, kChangesItemText);
  }
  // The blocks the selected dump row points into.
  const std::vector<std::pair<uint64_t, uint32_t>> pointed =
      source == &m_dataList ? PointedBlocks() : std::vector<std::pair<uint64_t, uint32_t>>{};
  if (!pointed.empty()) menu.AppendMenu(MF_SEPARATOR, 0, nullptr);
  for (size_t i = 0; i < pointed.size() && i < kMostGoToItems; ++i)
    menu.AppendMenu(MF_STRING, IDM_GO_TO_FIRST + static_cast<UINT>(i),
                    GoToItemText(pointed[i].first, pointed[i].second, kProgramWidth).c_str());

  if (point.x == -1 && point.y == -1) {
    RECT client, row;
    source->GetClientRect(&client);
    const bool rowShown = source != &m_dataList && selected != -1 && table->GetItemRect(selected, &row, LVIR_LABEL);
    const LayoutRect rowRect = rowShown ? ScreenRect(*source, row) : LayoutRect{};
    const LayoutPoint at = KeyboardMenuPoint(ScreenRect(*source, client), rowShown ? &rowRect : nullptr);
    point = {at.x, at.y};
  }
  const int command =
      menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, this);
  if (command == IDM_COPY || command == IDM_COPY_ALL) CopyFrom(*source, command == IDM_COPY_ALL);
  if (command == IDM_FIND) OpenFindBlock();
  if (command == IDM_BLOCK_SIZES) OpenBlockSizes();
  if (command == IDM_BLOCK_TYPES) OpenBlockTypes();
  if (command == IDM_MARK_BLOCKS) MarkBlocks();
  if (command == IDM_CHANGES_SINCE_MARK) OpenChangesSinceMark();
  if (command >= static_cast<int>(IDM_GO_TO_FIRST) && command < static_cast<int>(IDM_GO_TO_FIRST + pointed.size()))
    GoToBlock(pointed[static_cast<size_t>(command - IDM_GO_TO_FIRST)].second);
}

BOOL CTarnwickDlg::PreTranslateMessage(MSG* pMsg) {
  CWnd* source = CopySourceOf(pMsg->hwnd);
  if (source == nullptr) return CDialog::PreTranslateMessage(pMsg);
  const KeyEvent event = KeyEventOf(pMsg->message);
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const bool alt = ::GetKeyState(VK_MENU) < 0;
  // Alt+Left: back to the block dumped before, as a browser goes back.
  if (pMsg->message == WM_SYSKEYDOWN && pMsg->wParam == VK_LEFT && (source == &m_dataList || source == &m_blockList)) {
    GoBack();
    return TRUE;
  }
  if (source == &m_blockList) {
    const FindKey find = FindKeyFor(event, static_cast<unsigned>(pMsg->wParam), ctrl, alt);
    // An empty table has nothing to find in.
    if (find == FindKey::Find && m_blockList.GetItemCount() > 0) OpenFindBlock();
    if (find == FindKey::FindNext && m_blockList.GetItemCount() > 0) FindNextBlock();
    if (find != FindKey::None) return TRUE;
  }
  switch (CopyKeyFor(event, static_cast<unsigned>(pMsg->wParam), ctrl, alt)) {
    case CopyKey::None:
      return CDialog::PreTranslateMessage(pMsg);
    case CopyKey::Copy:
      // The data view copies its selected line, or all when none is selected.
      CopyFrom(*source, source == &m_dataList && SelectedRow(m_dataList) == -1);
      return TRUE;
    case CopyKey::ContextMenu:
      OnContextMenu(source, POINT{-1, -1});
      return TRUE;
    case CopyKey::Swallow:
      return TRUE;
  }
  return FALSE;
}
