// Wrappers of the standard controls the program uses: only the messages it
// sends, one line each.
#pragma once

#include "framework/Wnd.h"

class CStatic : public CWnd {};

class CButton : public CWnd {
 public:
  // Owner drawing, reached through the parent's reflected WM_DRAWITEM.
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  DECLARE_MESSAGE_MAP()

 protected:
  bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CComboBox : public CWnd {
 public:
  int AddString(LPCSTR text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int SelectString(int startAfter, LPCSTR text) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, startAfter, reinterpret_cast<LPARAM>(text)));
  }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetLBTextLen(int index) const { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, index)); }
  int GetLBText(int index, LPSTR text) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text)));
  }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, index, static_cast<LPARAM>(data)));
  }
  DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, index)); }
};

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int index, LPCSTR title, int format, int width, int subItem = -1);
  // data: the item's own value (LVIF_PARAM), which sorting compares by.
  int InsertItem(int index, LPCSTR text, LPARAM data = 0);
  BOOL SetItemText(int item, int subItem, LPCSTR text);
  // The cell's text into text (of size bytes); returns its length.
  int GetItemText(int item, int subItem, LPSTR text, int size) const;
  int GetNextItem(int start, int flags) const {
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  // An owner-data list view's number of rows; it asks for their texts.
  void SetItemCount(int count) { SendMessage(LVM_SETITEMCOUNT, count); }
  int GetStringWidth(LPCSTR text) const {
    return static_cast<int>(SendMessage(LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
  }
  int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column)); }
  BOOL SetColumnWidth(int column, int width) {
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)));
  }
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  BOOL GetColumn(int index, LVCOLUMNA* column) const {
    return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(column)));
  }
  // The item's rectangle of the given part (LVIR_BOUNDS, LVIR_LABEL, ...).
  BOOL GetItemRect(int item, LPRECT rect, int part) const;
  // item -1: every item.
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, mask)); }
  UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
  int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
  int SetSelectionMark(int item) { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, item)); }
  // Whatever of the item the mask asks for (LVIF_PARAM, LVIF_TEXT of iSubItem).
  BOOL GetItem(LVITEMA* item) const {
    return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)));
  }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
  // Scrolls by pixels (a report view rounds dy to whole rows).
  BOOL Scroll(int dx, int dy) { return static_cast<BOOL>(SendMessage(LVM_SCROLL, dx, dy)); }
  BOOL EnsureVisible(int item, BOOL partialOk) {
    return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, item, partialOk));
  }
  HWND GetHeader() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
  int GetHeaderItemCount() const { return static_cast<int>(::SendMessageA(GetHeader(), HDM_GETITEMCOUNT, 0, 0)); }
  BOOL GetHeaderItem(int index, HDITEMA* item) const {
    return static_cast<BOOL>(::SendMessageA(GetHeader(), HDM_GETITEMA, index, reinterpret_cast<LPARAM>(item)));
  }
  BOOL SetHeaderItem(int index, const HDITEMA* item) {
    return static_cast<BOOL>(::SendMessageA(GetHeader(), HDM_SETITEMA, index, reinterpret_cast<LPARAM>(item)));
  }
  DWORD SetExtendedStyle(DWORD styles) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles));
  }
};
