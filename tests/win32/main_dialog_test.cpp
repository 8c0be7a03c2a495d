// The main dialog as the user first meets it: template, fonts, columns,
// tips, modes and the process list.
#include <gtest/gtest.h>

#include "DialogWatcher.h"
#include "LiveDialog.h"

TEST(MainDialog, OpensInTableMode) {
  LiveDialog dlg;
  EXPECT_TRUE(dlg->m_nodeList.IsWindowVisible());
  EXPECT_FALSE(dlg->m_dataList.IsWindowVisible());
  SaveScreenshot(dlg.Hwnd(), "main-window");
}
