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

struct LayoutRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};
