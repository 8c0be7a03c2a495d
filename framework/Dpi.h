// The DPI a window is drawn at, and pixel sizes written for 96 DPI scaled
// to it.
#pragma once

#include "framework/Afx.h"
#include "framework/DpiScale.h"

// GetDpiForWindow where the system has it (Windows 10 1607 on); before it,
// the system's DPI, by which Windows 7 and 8 scale the dialog templates of
// a program that declares itself aware.
UINT WindowDpi(HWND window);
