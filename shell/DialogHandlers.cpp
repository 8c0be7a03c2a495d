// The main dialog's display modes and small handlers.
#include "shell/IconPlacement.h"
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::EnterTableMode() {
  m_nodeList.ShowWindow(SW_SHOW);
  m_nodeCaption.ShowWindow(SW_SHOW);
  m_dataList.ShowWindow(SW_HIDE);
  m_dataCaption.ShowWindow(SW_HIDE);
  m_closeDataButton.ShowWindow(SW_HIDE);
  m_saveDataButton.ShowWindow(SW_HIDE);
}

void CTarnwickDlg::EnterDataMode() {
  m_nodeList.ShowWindow(SW_HIDE);
  m_nodeCaption.ShowWindow(SW_HIDE);
  m_dataList.ShowWindow(SW_SHOW);
  m_dataCaption.ShowWindow(SW_SHOW);
  m_closeDataButton.ShowWindow(SW_SHOW);
  m_saveDataButton.ShowWindow(SW_SHOW);
}

void CTarnwickDlg::OnCloseData() {
  // Hide first, then show: the lines of the data list stay for the next click.
  m_dataList.ShowWindow(SW_HIDE);
  m_dataCaption.ShowWindow(SW_HIDE);
  m_closeDataButton.ShowWindow(SW_HIDE);
  m_saveDataButton.ShowWindow(SW_HIDE);
  m_nodeList.ShowWindow(SW_SHOW);
  m_nodeCaption.ShowWindow(SW_SHOW);
}

void CTarnwickDlg::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  RECT client;
  GetClientRect(&client);
  const LayoutPoint at = MinimisedIconPosition(client.right - client.left, client.bottom - client.top,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  dc.DrawIcon(at.x, at.y, m_hIcon);
}

HCURSOR CTarnwickDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

// The list view reads the tip straight from the dialog's buffer.
void CTarnwickDlg::OnNodeListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult) {
  reinterpret_cast<NMLVGETINFOTIPA*>(pNMHDR)->pszText = m_nodeTipText;
  *pResult = 0;
}

void CTarnwickDlg::OnBlockListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult) {
  reinterpret_cast<NMLVGETINFOTIPA*>(pNMHDR)->pszText = m_blockTipText;
  *pResult = 0;
}
