#include <gtest/gtest.h>

#include "shell/IconPlacement.h"

TEST(IconPlacement, MinimisedIconCentredRoundingUp) {
  EXPECT_EQ(MinimisedIconPosition(37, 37, 32, 32), (LayoutPoint{3, 3}));
  EXPECT_EQ(MinimisedIconPosition(36, 36, 32, 32), (LayoutPoint{2, 2}));
  EXPECT_EQ(MinimisedIconPosition(160, 28, 32, 32), (LayoutPoint{64, -1}));
  // Narrower than the icon: truncation toward zero, not the floor.
  EXPECT_EQ(MinimisedIconPosition(30, 32, 32, 32), (LayoutPoint{0, 0}));
  EXPECT_EQ(MinimisedIconPosition(29, 0, 32, 32), (LayoutPoint{-1, -15}));
  EXPECT_EQ(MinimisedIconPosition(0, 0, 0, 0), (LayoutPoint{0, 0}));
}
