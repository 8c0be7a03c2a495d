// Pixel sizes are written for 96 DPI (100 %); on other screens they scale
// as the system scales dialog templates, to the nearest pixel.
#pragma once

#include <cstdint>

constexpr unsigned kDefaultDpi = 96;

// A size at one DPI scaled to another, rounded half away from zero (as
// MulDiv rounds).
constexpr int RescaleForDpi(int pixels, unsigned fromDpi, unsigned toDpi) {
  if (fromDpi == 0) return pixels;
  const int64_t product = int64_t{pixels} * toDpi;
  const int64_t half = fromDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / fromDpi : (product - half) / fromDpi);
}

constexpr int ScaleForDpi(int pixels, unsigned dpi) { return RescaleForDpi(pixels, kDefaultDpi, dpi); }
