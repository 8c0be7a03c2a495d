// The real main dialog from the real template, created modelessly on the
// test's thread and driven with real messages.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "shell/TarnwickDlg.h"

class LiveDialog {
 public:
  LiveDialog();
  ~LiveDialog();
  LiveDialog(const LiveDialog&) = delete;
  LiveDialog& operator=(const LiveDialog&) = delete;

  CTarnwickDlg* operator->() { return m_dialog.get(); }
  CTarnwickDlg& operator*() { return *m_dialog; }
  HWND Hwnd() const { return m_dialog->m_hWnd; }

  // The four heap-query members pointed at the substitute service.
  void UseSubstituteService();

  // The user confirms the combo entry whose text starts with `prefix`
  // (CB_SELECTSTRING, then the CBN_SELENDOK the control would send).
  bool ChooseProcess(const std::string& prefix);
  bool ChooseProcessId(uint32_t processId);
  // A real button-down/up at the centre of the row's label.
  void ClickRow(CListCtrl& list, int row);
  void ClickButton(int id);

 private:
  std::unique_ptr<CTarnwickDlg> m_dialog;
};

// Lets pending messages (painting included) run for about `ms` milliseconds.
void PumpMessages(int ms = 0);
std::string CellText(const CListCtrl& list, int row, int column);
std::vector<std::string> RowTexts(const CListCtrl& list, int row);
std::vector<std::vector<std::string>> AllRows(const CListCtrl& list);
// How many of the dialog's items with these ids are enabled right now.
int EnabledCount(HWND dialog, std::initializer_list<int> ids);
// Every line of the data view, as it shows them.
std::vector<std::string> ListBoxLines(const CListCtrl& list);
std::vector<std::string> ComboEntries(const CComboBox& combo);
std::string ComboSelection(const CComboBox& combo);
// Screen pixels of the window, written as <artifacts>/<name>.bmp.
bool SaveScreenshot(HWND window, const std::string& name);
// Screen pixels of a rectangle (a window and an open menu, say), likewise,
// as far as it lies on the screen.
bool SaveScreenRect(const RECT& rect, const std::string& name);
std::string ArtifactsDir();
