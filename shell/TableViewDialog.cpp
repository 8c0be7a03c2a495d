#include "shell/TableViewDialog.h"

#include "blockdata/SelectedBlock.h"
#include "framework/Menu.h"
#include "shell/CopyMenu.h"
#include "shell/CopyTable.h"
#include "shell/DialogTables.h"
#include "shell/SortArrow.h"
#include "shell/resource.h"

BEGIN_MESSAGE_MAP(CTableViewDlg, CDialog)
ON_NOTIFY(NM_DBLCLK, IDC_TABLE_LIST, &CTableViewDlg::OnListDoubleClick)
ON_NOTIFY(LVN_GETDISPINFOA, IDC_TABLE_LIST, &CTableViewDlg::OnListGetDispInfo)
ON_NOTIFY(LVN_COLUMNCLICK, IDC_TABLE_LIST, &CTableViewDlg::OnListColumnClick)
ON_WM_CONTEXTMENU()
ON_BN_CLICKED(IDC_BY_SIZE, &CTableViewDlg::OnBySize)
ON_BN_CLICKED(IDC_BY_TYPE, &CTableViewDlg::OnByType)
END_MESSAGE_MAP()

CTableViewDlg::CTableViewDlg(UINT templateId, CWnd* owner, TableViewSource& source)
    : CDialog(templateId, owner), m_source(source) {}

void CTableViewDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_TABLE_LIST, m_list);
}

BOOL CTableViewDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetDlgItemTextA(m_hWnd, IDC_TABLE_TOTALS, m_source.Totals().c_str());
  m_list.SetExtendedStyle(kListViewExtendedStyles);
  // Templates with the two views open by size.
  if (::GetDlgItem(m_hWnd, IDC_BY_SIZE) != nullptr) ::CheckRadioButton(m_hWnd, IDC_BY_SIZE, IDC_BY_TYPE, IDC_BY_SIZE);
  ShowTable();
  ::SetFocus(m_list.m_hWnd);
  return FALSE;  // the focus is set
}

void CTableViewDlg::ShowTable() {
  m_list.SetItemCount(0);
  while (m_list.SendMessage(LVM_DELETECOLUMN, 0) != FALSE) {
  }
  const std::vector<TableViewColumn> columns = m_source.Columns();
  for (size_t c = 0; c < columns.size(); ++c)
    m_list.InsertColumn(static_cast<int>(c), columns[c].title, LVCFMT_LEFT, Scaled(columns[c].width));
  m_sort = m_source.FirstOrder();
  ShowSortArrow();
  m_list.SetItemCount(static_cast<int>(m_source.RowCount()));
  if (m_source.RowCount() != 0) {
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(0);
  }
}

void CTableViewDlg::OnDpiScaled(UINT oldDpi) {
  for (int c = 0; c < m_list.GetHeaderItemCount(); ++c)
    m_list.SetColumnWidth(c, RescaleForDpi(m_list.GetColumnWidth(c), oldDpi, Dpi()));
}

void CTableViewDlg::ShowView(int view) {
  m_source.ShowView(view);
  ShowTable();
  m_list.Invalidate();
}

void CTableViewDlg::OnBySize() { ShowView(kViewBySize); }
void CTableViewDlg::OnByType() { ShowView(kViewByType); }

// Enter: the selected row, as a double-click.
void CTableViewDlg::OnOK() {
  const int row = SelectedRow(m_list);
  if (row == -1) return;
  m_chosen = row;
  EndDialog(IDOK);
}

void CTableViewDlg::OnListDoubleClick(NMHDR*, LRESULT* pResult) {
  *pResult = 0;
  OnOK();
}

void CTableViewDlg::OnListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(pNMHDR)->item;
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_source.RowCount()) {
    item.pszText[0] = '\0';
    return;
  }
  m_source.CellText(static_cast<size_t>(item.iItem), item.iSubItem, item.pszText, static_cast<size_t>(item.cchTextMax));
}

void CTableViewDlg::OnListColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
  if (column < 0 || static_cast<size_t>(column) >= m_source.Columns().size()) return;
  m_sort = NextSortState(m_sort, column);
  m_source.Sort(m_sort.column, m_sort.descending);
  ShowSortArrow();
  // The rows are groups the user reads from the top: the first is selected.
  const int selected = SelectedRow(m_list);
  if (selected != -1) m_list.SetItemState(selected, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (m_source.RowCount() != 0) {
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(0);
    m_list.EnsureVisible(0, FALSE);
  }
  m_list.Invalidate();
}

void CTableViewDlg::ShowSortArrow() { ::ShowSortArrow(m_list, m_sort); }

void CTableViewDlg::Copy(bool all) {
  const int row = SelectedRow(m_list);
  if (!all && row == -1) return;
  const bool copied = all ? CopyTable(m_hWnd, m_list) : CopyRow(m_hWnd, m_list, row);
  if (!copied) MessageBox(kCopyFailedText, kMessageCaption, MB_OK | MB_ICONERROR);
}

void CTableViewDlg::OnContextMenu(CWnd* pWnd, POINT point) {
  if (pWnd == nullptr || pWnd->m_hWnd != m_list.m_hWnd) {
    Default();
    return;
  }
  const CopyMenuState state = CopyMenuFor(CopySource::Table, SelectedRow(m_list) != -1, 0);
  CMenu menu;
  if (!menu.CreatePopupMenu()) return;
  menu.AppendMenu(MF_STRING | (state.copy ? MF_ENABLED : MF_GRAYED), IDM_COPY, kCopyItemText);
  menu.AppendMenu(MF_STRING | (state.copyAll ? MF_ENABLED : MF_GRAYED), IDM_COPY_ALL, kCopyAllItemText);
  if (point.x == -1 && point.y == -1) {
    RECT rect;
    m_list.GetWindowRect(&rect);
    point = {rect.left, rect.top};
  }
  const int command =
      menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, this);
  if (command == IDM_COPY || command == IDM_COPY_ALL) Copy(command == IDM_COPY_ALL);
}

BOOL CTableViewDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->hwnd != m_list.m_hWnd) return CDialog::PreTranslateMessage(pMsg);
  const KeyEvent event = KeyEventOf(pMsg->message);
  switch (CopyKeyFor(event, static_cast<unsigned>(pMsg->wParam), ::GetKeyState(VK_CONTROL) < 0,
                     ::GetKeyState(VK_MENU) < 0)) {
    case CopyKey::None:
      return CDialog::PreTranslateMessage(pMsg);
    case CopyKey::Copy:
      Copy(false);
      return TRUE;
    case CopyKey::ContextMenu:
      OnContextMenu(&m_list, POINT{-1, -1});
      return TRUE;
    case CopyKey::Swallow:
      return TRUE;
  }
  return FALSE;
}
