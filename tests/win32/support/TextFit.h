// Whether the texts of a dialog show whole: each visible static text,
// button caption and list-view column title measured in its control's own
// font against the room the control gives it.
#pragma once

#include <string>
#include <vector>

#include "framework/Afx.h"

// One line per text that does not show whole, in the window's child order:
// `1004 "Efficient way..." needs 262x26, has 254x17` (id, text, the pixels
// it needs, the pixels it has); empty when every text fits.
std::vector<std::string> CutTexts(HWND window);

// The DPI this process lays out and draws with (read once, at its start).
int ProcessDpi();
