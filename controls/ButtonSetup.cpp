// The main dialog's three icon buttons: icons scaled to 20 x 20 and fixed
// positions of icon and caption.
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::SetUpButtons() {
  m_refreshButton.SetImage(IDI_REFRESH, 20, 20);
  m_refreshButton.SetImagePos(4, 2);
  m_refreshButton.SetTextPos(30, 4);
  m_closeDataButton.SetImage(IDI_CLOSE_DATA, 20, 20);
  m_closeDataButton.SetImagePos(0, 0);
  m_saveDataButton.SetImage(IDI_SAVE_DATA, 20, 20);
  m_saveDataButton.SetImagePos(0, 0);
}
