#include "controls/ButtonLayout.h"

namespace {

constexpr int32_t kCentred = -1;

// Differences and sums are taken in 64 bits so that no pixel value, however
// odd, overflows; >> on a negative value is the floor of the half.
int32_t Centre(int32_t room, int32_t extent) { return static_cast<int32_t>((int64_t{room} - extent) >> 1); }

int32_t CaptionCentreY(int32_t clientHeight, int32_t textHeight) {
  return static_cast<int32_t>(((int64_t{clientHeight} - textHeight) >> 1) - 1);
}

}  // namespace

LayoutPoint ImagePosition(const ButtonLayout& layout, int32_t clientWidth, int32_t clientHeight, int32_t itemLeft,
                          bool hasCaption) {
  const int32_t centredX = Centre(clientWidth, layout.imageSize.cx);
  const int32_t centredY = Centre(clientHeight, layout.imageSize.cy);
  if (!layout.autoLayout) {
    return {layout.image.x == kCentred ? centredX : layout.image.x,
            layout.image.y == kCentred ? centredY : layout.image.y};
  }
  const int32_t x = hasCaption ? static_cast<int32_t>(int64_t{itemLeft} + layout.imageMargin) : centredX;
  return {x, centredY};
}

LayoutPoint CaptionPosition(const ButtonLayout& layout, int32_t clientWidth, int32_t clientHeight,
                            LayoutSize textExtent) {
  const int32_t centredX = Centre(clientWidth, textExtent.cx);
  const int32_t centredY = CaptionCentreY(clientHeight, textExtent.cy);
  if (!layout.autoLayout) {
    return {layout.text.x == kCentred ? centredX : layout.text.x, layout.text.y == kCentred ? centredY : layout.text.y};
  }
  if (!layout.hasImage) return {centredX, centredY};

  // The caption starts right of the image and its gap, centred in what room
  // is left; it never moves left of that start.
  const int64_t start = int64_t{layout.imageMargin} + layout.imageSize.cx + layout.textMargin;
  int64_t freeWidth = int64_t{clientWidth} - start - textExtent.cx;
  if (freeWidth < 0) freeWidth = 0;
  return {static_cast<int32_t>(start + freeWidth / 2), centredY};
}

int32_t FocusInset(int32_t width, int32_t height) {
  const int32_t m = width < height ? width : height;
  return (m & ~3) > 12 ? 3 : (m >> 2);
}
