// Plain points and sizes for layout arithmetic, in pixels.
#pragma once

#include <cstdint>

struct LayoutPoint {
  int32_t x;
  int32_t y;
};

struct LayoutSize {
  int32_t cx;
  int32_t cy;
};

constexpr bool operator==(LayoutPoint a, LayoutPoint b) { return a.x == b.x && a.y == b.y; }
