// CDialog: a dialog from a template, run modally (DoModal) or, for the window
// tests, modelessly (Create). One dialog procedure serves every dialog.
#pragma once

#include "framework/DataExchange.h"

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
  ~CDialog() override;

  virtual INT_PTR DoModal();
  BOOL Create(CWnd* parent = nullptr);
  void EndDialog(int result) {
    m_ended = true;
    ::EndDialog(m_hWnd, result);
  }
  // EndDialog was called: a loop of the dialog's own returns.
  bool Ended() const { return m_ended; }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Centres the dialog when it first opens, as no template placement is given.
  void CenterWindow();

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  DECLARE_MESSAGE_MAP()

 private:
  // Table entries that reach the virtuals, so overrides run.
  void HandleOK() { OnOK(); }
  void HandleCancel() { OnCancel(); }
  HWND OwnerWindow() const;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  bool m_modeless = false;
  bool m_ended = false;

  friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
};
