// Where the owner-drawn icon button puts its image, its caption and its focus
// rectangle, in the button's client coordinates.
#pragma once

#include <cstdint>

#include "controls/LayoutTypes.h"

struct ButtonLayout {
  bool autoLayout = true;   // false once either position has been set
  LayoutPoint image{};      // fixed layout: -1 on an axis means centred
  LayoutPoint text{};       // fixed layout: -1 on an axis means centred
  int32_t imageMargin = 4;  // automatic layout: left edge to image
  int32_t textMargin = 8;   // automatic layout: image to caption
  bool hasImage = false;
  LayoutSize imageSize{};
};

// Top-left of the image. itemLeft is the left edge of the draw request's item
// rectangle; hasCaption tells whether the button's text is not empty.
LayoutPoint ImagePosition(const ButtonLayout& layout, int32_t clientWidth, int32_t clientHeight, int32_t itemLeft,
                          bool hasCaption);

// Top-left of the caption whose measured extent is textExtent. A centred y
// sits one pixel above the middle.
LayoutPoint CaptionPosition(const ButtonLayout& layout, int32_t clientWidth, int32_t clientHeight,
                            LayoutSize textExtent);

// How far the focus rectangle sits inside the button's rectangle: 3, or a
// quarter of the smaller side when that is small.
int32_t FocusInset(int32_t width, int32_t height);
