// CDialog: a dialog from a template, run modally (DoModal) or, for the window
// tests, modelessly (Create). One dialog procedure serves every dialog.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Dpi.h"

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

  // The DPI the dialog is drawn at: from its creation, then each
  // WM_DPICHANGED's.
  UINT Dpi() const { return m_dpi; }
  // A pixel size written for 96 DPI, at the dialog's DPI.
  int Scaled(int pixels) const { return ScaleForDpi(pixels, m_dpi); }

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // After the dialog moved to a screen of another DPI (the system has
  // scaled the template's controls and the window has its new rectangle):
  // what the dialog sized in pixels itself is made again. Dpi() is new.
  virtual void OnDpiScaled(UINT /*oldDpi*/) {}
  void OnDpiChanged(UINT dpi, const RECT* suggested);
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
  UINT m_dpi = kDefaultDpi;
  // WM_DPICHANGED is being handed to the dialog manager, which calls the
  // dialog procedure with it first.
  bool m_dpiChangeInDefault = false;

  friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
};
