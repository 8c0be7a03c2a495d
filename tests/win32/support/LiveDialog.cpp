#include "LiveDialog.h"

#include <cstdio>

#include "SubstituteHeapQuery.h"
#include "heap/ProcessEntry.h"

LiveDialog::LiveDialog() : m_dialog(std::make_unique<CTarnwickDlg>()) {
  m_dialog->Create();
  PumpMessages(50);
}

LiveDialog::~LiveDialog() {
  if (m_dialog->m_hWnd != nullptr) ::DestroyWindow(m_dialog->m_hWnd);
  PumpMessages();
}

void LiveDialog::UseSubstituteService() {
  m_dialog->m_pfnRtlCreateQueryDebugBuffer = &SubstituteCreateQueryDebugBuffer;
  m_dialog->m_pfnRtlDestroyQueryDebugBuffer = &SubstituteDestroyQueryDebugBuffer;
  m_dialog->m_pfnRtlQueryProcessDebugInformation = &SubstituteQueryProcessDebugInformation;
  m_dialog->m_pfnRtlQueryHeapInformation = &SubstituteQueryHeapInformation;
}

bool LiveDialog::ChooseProcess(const std::string& prefix) {
  CComboBox& combo = m_dialog->m_processCombo;
  if (combo.SelectString(-1, prefix.c_str()) == CB_ERR) return false;
  ::SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PROCESS_COMBO, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo.m_hWnd));
  return true;
}

bool LiveDialog::ChooseProcessId(uint32_t processId) {
  char suffix[16];
  const size_t length = static_cast<size_t>(std::snprintf(suffix, sizeof suffix, "[%u]", processId));
  for (const std::string& entry : ComboEntries(m_dialog->m_processCombo))
    if (entry.size() >= length && entry.compare(entry.size() - length, length, suffix) == 0)
      return ChooseProcess(entry);
  return false;
}

void LiveDialog::ClickRow(CListCtrl& list, int row) {
  RECT rect = {};
  rect.left = LVIR_LABEL;
  list.SendMessage(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  list.SendMessage(WM_LBUTTONUP, 0, at);
}

void LiveDialog::ClickButton(int id) {
  ::SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(Hwnd(), id)));
}

void PumpMessages(int ms) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (ms > 0) ::Sleep(5);
  } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

std::string CellText(const CListCtrl& list, int row, int column) {
  char text[5000];
  list.GetItemText(row, column, text, sizeof text);
  return text;
}

std::vector<std::string> RowTexts(const CListCtrl& list, int row) {
  const int columns =
      static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER)), HDM_GETITEMCOUNT, 0, 0));
  std::vector<std::string> texts;
  for (int c = 0; c < columns; ++c) texts.push_back(CellText(list, row, c));
  return texts;
}

std::vector<std::vector<std::string>> AllRows(const CListCtrl& list) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < list.GetItemCount(); ++i) rows.push_back(RowTexts(list, i));
  return rows;
}

int EnabledCount(HWND dialog, std::initializer_list<int> ids) {
  int enabled = 0;
  for (int id : ids) enabled += ::IsWindowEnabled(::GetDlgItem(dialog, id)) ? 1 : 0;
  return enabled;
}

std::vector<std::string> ListBoxLines(const CListCtrl& list) {
  std::vector<std::string> lines;
  const int count = list.GetItemCount();
  lines.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) lines.push_back(CellText(list, i, 0));
  return lines;
}

std::vector<std::string> ComboEntries(const CComboBox& combo) {
  std::vector<std::string> entries;
  for (int i = 0; i < combo.GetCount(); ++i) {
    std::string text(static_cast<size_t>(combo.GetLBTextLen(i)), '\0');
    combo.GetLBText(i, text.data());
    entries.push_back(text);
  }
  return entries;
}

std::string ComboSelection(const CComboBox& combo) {
  const int index = combo.GetCurSel();
  if (index == CB_ERR) return {};
  std::string text(static_cast<size_t>(combo.GetLBTextLen(index)), '\0');
  combo.GetLBText(index, text.data());
  return text;
}

std::string ArtifactsDir() {
  const char* dir = std::getenv("TARNWICK_ARTIFACTS");
  std::string path = dir != nullptr ? dir : ".";
  ::CreateDirectoryA(path.c_str(), nullptr);
  return path;
}
