#include <gtest/gtest.h>

#include "controls/ButtonLayout.h"

namespace {

ButtonLayout WithIcon(int32_t cx, int32_t cy) {
  ButtonLayout layout;
  layout.hasImage = true;
  layout.imageSize = {cx, cy};
  return layout;
}

ButtonLayout Fixed(LayoutPoint image, LayoutPoint text) {
  ButtonLayout layout = WithIcon(20, 20);
  layout.autoLayout = false;
  layout.image = image;
  layout.text = text;
  return layout;
}

}  // namespace

TEST(ButtonLayout, AutomaticLayout) {
  const ButtonLayout layout = WithIcon(20, 20);
  // No caption: the icon is centred both ways, halves floored.
  EXPECT_EQ(ImagePosition(layout, 25, 25, 0, false), (LayoutPoint{2, 2}));
  EXPECT_EQ(ImagePosition(layout, 17, 15, 0, false), (LayoutPoint{-2, -3}));
  // With a caption the icon sits the margin from the item's left edge.
  EXPECT_EQ(ImagePosition(layout, 100, 24, 0, true), (LayoutPoint{4, 2}));
  EXPECT_EQ(ImagePosition(layout, 100, 24, 5, true), (LayoutPoint{9, 2}));

  // Caption centred in the room right of icon and gap: 4 + 20 + 8 = 32,
  // free width 100 - 32 - 40 = 28, half 14; y = ((24 - 13) >> 1) - 1 = 4.
  EXPECT_EQ(CaptionPosition(layout, 100, 24, {40, 13}), (LayoutPoint{46, 4}));
  // Odd free width drops the remainder.
  EXPECT_EQ(CaptionPosition(layout, 101, 24, {40, 13}), (LayoutPoint{46, 4}));
  // Too wide a caption: free width taken as 0, never left of the start.
  EXPECT_EQ(CaptionPosition(layout, 50, 24, {40, 13}), (LayoutPoint{32, 4}));
  // The lift applies to a negative centre too (floor, then one up).
  EXPECT_EQ(CaptionPosition(layout, 50, 10, {40, 13}), (LayoutPoint{32, -3}));

  ButtonLayout margins = WithIcon(16, 16);
  margins.imageMargin = 2;
  margins.textMargin = 3;
  EXPECT_EQ(CaptionPosition(margins, 60, 20, {20, 10}), (LayoutPoint{2 + 16 + 3 + 9, 4}));

  // Without an icon the caption is centred, lifted one pixel.
  const ButtonLayout plain;
  EXPECT_EQ(CaptionPosition(plain, 100, 24, {40, 13}), (LayoutPoint{30, 4}));
  EXPECT_EQ(CaptionPosition(plain, 30, 24, {41, 14}), (LayoutPoint{-6, 4}));
}

TEST(ButtonLayout, FixedLayoutWithCentredAxes) {
  // The dialog's Refresh button and its small icon-only buttons.
  const ButtonLayout refresh = Fixed({4, 2}, {30, 4});
  EXPECT_EQ(ImagePosition(refresh, 90, 24, 0, true), (LayoutPoint{4, 2}));
  EXPECT_EQ(CaptionPosition(refresh, 90, 24, {50, 13}), (LayoutPoint{30, 4}));
  const ButtonLayout small = Fixed({0, 0}, {0, 0});
  EXPECT_EQ(ImagePosition(small, 24, 24, 0, false), (LayoutPoint{0, 0}));

  // -1 centres that axis only; a set y of the caption is not lifted.
  const ButtonLayout centredX = Fixed({-1, 3}, {-1, 5});
  EXPECT_EQ(ImagePosition(centredX, 31, 24, 7, true), (LayoutPoint{5, 3}));
  EXPECT_EQ(CaptionPosition(centredX, 90, 24, {51, 13}), (LayoutPoint{19, 5}));

  const ButtonLayout centredY = Fixed({6, -1}, {30, -1});
  EXPECT_EQ(ImagePosition(centredY, 90, 25, 0, true), (LayoutPoint{6, 2}));
  EXPECT_EQ(CaptionPosition(centredY, 90, 24, {50, 13}), (LayoutPoint{30, 4}));

  const ButtonLayout both = Fixed({-1, -1}, {-1, -1});
  EXPECT_EQ(ImagePosition(both, 10, 10, 0, true), (LayoutPoint{-5, -5}));
  EXPECT_EQ(CaptionPosition(both, 10, 10, {15, 15}), (LayoutPoint{-3, -4}));

  // Other negative values are positions like any other.
  const ButtonLayout offEdge = Fixed({-2, -3}, {-4, -5});
  EXPECT_EQ(ImagePosition(offEdge, 90, 24, 0, true), (LayoutPoint{-2, -3}));
  EXPECT_EQ(CaptionPosition(offEdge, 90, 24, {50, 13}), (LayoutPoint{-4, -5}));
}

TEST(ButtonLayout, FocusInsetFromTheSmallerSide) {
  EXPECT_EQ(FocusInset(20, 12), 3);
  EXPECT_EQ(FocusInset(40, 10), 2);
  EXPECT_EQ(FocusInset(40, 6), 1);
  EXPECT_EQ(FocusInset(0, 0), 0);
  EXPECT_EQ(FocusInset(3, 40), 0);
  EXPECT_EQ(FocusInset(11, 40), 2);
  EXPECT_EQ(FocusInset(13, 40), 3);
  EXPECT_EQ(FocusInset(16, 16), 3);
  EXPECT_EQ(FocusInset(200, 300), 3);
  EXPECT_EQ(FocusInset(-8, 5), -2);
}
