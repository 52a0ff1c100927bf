// Offscreen creation, rectangle fitting and centring.

#include <gtest/gtest.h>

#include "imagewin/offscreen.h"

namespace {

struct FitCase {
    Rect outer, inner, expected;
};

class Fitting : public ::testing::TestWithParam<FitCase> {};

TEST_P(Fitting, LargestRectangleOfTheSameProportionsCentred) {
    FitCase c = GetParam();
    shrink_and_centering_rect(&c.outer, &c.inner);
    EXPECT_TRUE(EqualRect(&c.inner, &c.expected))
        << c.inner.top << "," << c.inner.left << "," << c.inner.bottom << "," << c.inner.right;
}

// Rect is {top, left, bottom, right}.
INSTANTIATE_TEST_SUITE_P(
    Cases, Fitting,
    ::testing::Values(FitCase{{0, 0, 300, 400}, {0, 0, 50, 100}, {50, 0, 250, 400}},
                      FitCase{{0, 0, 300, 400}, {0, 0, 1000, 1000}, {0, 50, 300, 350}},
                      FitCase{{10, 20, 130, 180}, {5, 5, 125, 165}, {10, 20, 130, 180}},
                      FitCase{{0, 0, 120, 160}, {0, 0, 1000, 500}, {0, 50, 120, 110}},
                      FitCase{{0, 0, 120, 160}, {0, 0, 500, 1000}, {20, 0, 100, 160}}));

TEST(Centring, OddLeftoverGoesRightAndDown) {
    Rect outer{0, 0, 10, 10}, inner{0, 0, 3, 3};
    centering_rect(&outer, &inner);
    EXPECT_EQ(inner.top, 3);
    EXPECT_EQ(inner.left, 3);
    Rect shifted{20, 40, 30, 50}, big{0, 0, 14, 14};
    centering_rect(&shifted, &big);  // larger than outer: truncation toward zero
    EXPECT_EQ(big.left, 38);
    EXPECT_EQ(big.top, 18);
    EXPECT_EQ(big.right - big.left, 14);
}

TEST(CreateOffscreen, IsWhiteOrNullOnFailureAndLeavesTheCurrentPortAlone) {
    GWorldPtr current = create_offscreen(32, 3, 3, false);
    ASSERT_NE(current, nullptr);
    SetGWorld(current);
    GWorldPtr g = create_offscreen(32, 640, 480, true);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(create_offscreen(32, 0, 10, false), nullptr);
    EXPECT_EQ(create_offscreen(8, 10, 10, false), nullptr);
    CGrafPtr now;
    GetGWorld(&now);
    EXPECT_EQ(now, current);
    Rect b;
    GetPortBounds(g, &b);
    EXPECT_EQ(b.right, 640);
    EXPECT_EQ(b.bottom, 480);
    for (int v = 0; v < 480; ++v)
        for (int h = 0; h < 640; ++h) ASSERT_EQ(GetPixelRGB(g, h, v), 0xFFFFFFu);
    SetGWorld(nullptr);
    DisposeGWorld(g);
    DisposeGWorld(current);
}

}  // namespace
