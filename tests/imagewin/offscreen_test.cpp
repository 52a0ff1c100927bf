// Offscreen creation, rectangle fitting and centring.

#include <gtest/gtest.h>

#include <tuple>

#include "imagewin/offscreen.h"

namespace {

TEST(Fitting, LargestRectangleOfTheSameProportionsCentredTheOddLeftoverRightAndDown) {
    using Fit = void (*)(const Rect*, Rect*);
    // Rect is {top, left, bottom, right}: the outer, the inner and where the inner goes.
    const std::tuple<Fit, Rect, Rect, Rect> cases[] = {
        {shrink_and_centering_rect, {10, 20, 130, 180}, {5, 5, 125, 165}, {10, 20, 130, 180}},
        {centering_rect, {0, 0, 10, 10}, {0, 0, 3, 3}, {3, 3, 6, 6}},
        // Larger than the outer: the leftover truncates toward zero.
        {centering_rect, {20, 40, 30, 50}, {0, 0, 14, 14}, {18, 38, 32, 52}}};
    for (auto [fit, outer, inner, expected] : cases) {
        fit(&outer, &inner);
        EXPECT_TRUE(EqualRect(&inner, &expected))
            << inner.top << "," << inner.left << "," << inner.bottom << "," << inner.right;
    }
}

// A new buffer's size and white, and failure to make one, show through the image windows.
TEST(CreateOffscreen, LeavesTheCurrentPortAlone) {
    GWorldPtr current = create_offscreen(32, 3, 3, false), g = nullptr;
    SetGWorld(current);
    g = create_offscreen(32, 640, 480, true);
    CGrafPtr now;
    GetGWorld(&now);
    EXPECT_TRUE(g && now == current);
    SetGWorld(nullptr);
    DisposeGWorld(g);
    DisposeGWorld(current);
}

}  // namespace
