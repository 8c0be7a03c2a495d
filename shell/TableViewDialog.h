// A modal dialog that shows a table the caller keeps (Block Sizes, Changes
// Since Mark): a line of totals over an owner-data list view, and Close.
// The header sorts it, the context menu and Ctrl+C copy it as the main
// tables are copied, and a double-click or Enter on a row chooses that row
// and closes the dialog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "shell/TableSort.h"

struct TableViewColumn {
  const char* title;
  int width;  // pixels at 96 DPI
};

// What the dialog shows, kept by its caller.
class TableViewSource {
 public:
  virtual ~TableViewSource() = default;
  virtual std::string Totals() const = 0;
  virtual std::vector<TableViewColumn> Columns() const = 0;
  virtual size_t RowCount() const = 0;
  // The text of a cell of the row shown at position, cut to room.
  virtual void CellText(size_t position, int column, char* out, size_t room) const = 0;
  // Shows the rows sorted by the column that way.
  virtual void Sort(int column, bool descending) = 0;
  // The column and direction the rows are first shown in.
  virtual SortState FirstOrder() const = 0;
  // A source with two views (by size, by type) shows the one asked for,
  // as it is first shown; the dialog's radio buttons choose it.
  virtual void ShowView(int) {}
};
enum TableView { kViewBySize = 0, kViewByType = 1 };

class CTableViewDlg : public CDialog {
 public:
  CTableViewDlg(UINT templateId, CWnd* owner, TableViewSource& source);
  // The position of the row chosen (by a double-click or Enter), or -1 when
  // the dialog was closed.
  long long Chosen() const { return m_chosen; }

  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnListDoubleClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnListGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnListColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnContextMenu(CWnd* pWnd, POINT point);
  void OnBySize();
  void OnByType();
  // Column widths (set at 96 DPI's) keep their share of the table.
  void OnDpiScaled(UINT oldDpi) override;
  DECLARE_MESSAGE_MAP()

 private:
  void ShowSortArrow();
  // The source's columns and rows, as first shown, the top row selected.
  void ShowTable();
  void ShowView(int view);
  void Copy(bool all);

  TableViewSource& m_source;
  CListCtrl m_list;
  SortState m_sort;
  long long m_chosen = -1;
};
