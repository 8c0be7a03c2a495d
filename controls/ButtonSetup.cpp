// The main dialog's three icon buttons: icons of 20 x 20 pixels at 96 DPI
// and fixed positions of icon and caption, at the dialog's DPI.
#include "shell/TarnwickDlg.h"

void CTarnwickDlg::SetUpButtons() {
  const int icon = Scaled(20);
  m_refreshButton.SetImage(IDI_REFRESH, icon, icon);
  m_refreshButton.SetImagePos(Scaled(4), Scaled(2));
  m_refreshButton.SetTextPos(Scaled(30), Scaled(4));
  m_closeDataButton.SetImage(IDI_CLOSE_DATA, icon, icon);
  m_closeDataButton.SetImagePos(0, 0);
  m_saveDataButton.SetImage(IDI_SAVE_DATA, icon, icon);
  m_saveDataButton.SetImagePos(0, 0);
}
