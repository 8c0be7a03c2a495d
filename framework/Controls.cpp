#include "framework/Controls.h"

BEGIN_MESSAGE_MAP(CButton, CWnd)
END_MESSAGE_MAP()

bool CButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return true;
}

int CListCtrl::InsertColumn(int index, LPCSTR title, int format, int width, int subItem) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | (subItem >= 0 ? LVCF_SUBITEM : 0);
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<LPSTR>(title);
  column.iSubItem = subItem;
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, LPCSTR text, LPARAM data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.lParam = data;
  item.iItem = index;
  item.pszText = const_cast<LPSTR>(text);
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCSTR text) {
  LVITEMA cell = {};
  cell.iSubItem = subItem;
  cell.pszText = const_cast<LPSTR>(text);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell)));
}

int CListCtrl::GetItemText(int item, int subItem, LPSTR text, int size) const {
  LVITEMA cell = {};
  cell.iSubItem = subItem;
  cell.pszText = text;
  cell.cchTextMax = size;
  if (size > 0) text[0] = '\0';
  return static_cast<int>(SendMessage(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell)));
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rect, int part) const {
  rect->left = part;
  return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(rect)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEMA value = {};
  value.state = state;
  value.stateMask = mask;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&value)));
}
