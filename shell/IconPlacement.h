// Where the minimised main window draws its icon in its client area.
#pragma once

#include <cstdint>

#include "controls/LayoutTypes.h"

// x = (clientWidth - iconWidth + 1) / 2 and y likewise, divided as signed
// integers (truncating toward zero, so a client smaller than the icon gives
// a small negative or zero offset rather than the floor).
LayoutPoint MinimisedIconPosition(int32_t clientWidth, int32_t clientHeight, int32_t iconWidth, int32_t iconHeight);
