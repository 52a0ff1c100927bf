// Pixel-exact checks of the drawing layer: pens, patterns, fills and block copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "platform/draw.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

class Draw : public ::testing::Test {
  protected:
    GWorldPtr make(int w, int h) {
        Rect b;
        SetRect(&b, 0, 0, w, h);
        GWorldPtr g = nullptr;
        EXPECT_EQ(NewGWorld(&g, 32, &b, 0), noErr);
        worlds_.push_back(g);
        return g;
    }
    void TearDown() override {
        SetGWorld(nullptr);
        for (GWorldPtr g : worlds_) DisposeGWorld(g);
    }
    // Every pixel that is not white.
    static std::set<std::pair<int, int>> inked(GWorldPtr g) {
        std::set<std::pair<int, int>> s;
        for (int v = 0; v < g->height; ++v)
            for (int h = 0; h < g->width; ++h)
                if (GetPixelRGB(g, h, v) != kWhite) s.insert({h, v});
        return s;
    }
    static void set_pixel(GWorldPtr g, int h, int v, std::uint32_t rgb, std::uint8_t x = 0) {
        std::uint8_t* p = g->pixels + v * g->row_bytes + 4 * h;
        p[0] = x;
        p[1] = std::uint8_t(rgb >> 16);
        p[2] = std::uint8_t(rgb >> 8);
        p[3] = std::uint8_t(rgb);
    }
    std::vector<GWorldPtr> worlds_;
};

TEST_F(Draw, NewBufferIsWhiteWithDefaultPortAndBadDepthOrEmptyBoundsAreRefused) {
    GWorldPtr g = make(7, 5);
    EXPECT_TRUE(inked(g).empty());
    EXPECT_EQ(g->row_bytes, 28);
    EXPECT_EQ(g->pen_size.h, 1);
    EXPECT_EQ(g->clip.right, 7);
    EXPECT_EQ(g->clip.bottom, 5);
    Rect b;
    SetRect(&b, 0, 0, 10, 10);
    GWorldPtr bad = reinterpret_cast<GWorldPtr>(1);
    EXPECT_EQ(NewGWorld(&bad, 16, &b, 0), paramErr);
    EXPECT_EQ(bad, nullptr);
    SetRect(&b, 0, 0, 0, 10);
    EXPECT_EQ(NewGWorld(&bad, 32, &b, 0), paramErr);
    SetRect(&b, 2, 0, 10, 10);
    EXPECT_EQ(NewGWorld(&bad, 32, &b, 0), paramErr);
}

// A line whose direction is a multiple of 45 degrees passes through whole pixels only, so
// the pixels the pen covers are exactly the pen rectangles hung at each of those points; a
// line of no length paints the one pen rectangle.
struct Direction {
    int dx, dy;
};

class PenGeometry : public Draw,
                    public ::testing::WithParamInterface<std::tuple<int, Direction>> {};

TEST_P(PenGeometry, LinePaintsExactlyThePenSweep) {
    const auto [pen, d] = GetParam();
    GWorldPtr g = make(60, 60);
    SetGWorld(g);
    PenSize(std::int16_t(pen), std::int16_t(pen));
    const int x0 = 25, y0 = 25, len = 12;
    MoveTo(x0, y0);
    LineTo(std::int16_t(x0 + d.dx * len), std::int16_t(y0 + d.dy * len));
    std::set<std::pair<int, int>> expected;
    for (int t = 0; t <= len; ++t)
        for (int a = 0; a < pen; ++a)
            for (int b = 0; b < pen; ++b) expected.insert({x0 + d.dx * t + a, y0 + d.dy * t + b});
    EXPECT_EQ(inked(g), expected);
    EXPECT_EQ(g->pen_loc.h, x0 + d.dx * len);
    EXPECT_EQ(g->pen_loc.v, y0 + d.dy * len);
}

INSTANTIATE_TEST_SUITE_P(
    WidthsAndDirections, PenGeometry,
    ::testing::Combine(::testing::Values(1, 3, 7),
                       ::testing::Values(Direction{1, 0}, Direction{-1, 0}, Direction{0, 1},
                                         Direction{0, -1}, Direction{1, 1}, Direction{-1, -1},
                                         Direction{1, -1}, Direction{-1, 1}, Direction{0, 0})));

TEST_F(Draw, SteepLineIsConnectedAndStaysInsideItsPenBox) {
    GWorldPtr g = make(40, 40);
    SetGWorld(g);
    PenSize(1, 1);
    MoveTo(3, 2);
    LineTo(11, 31);
    const auto s = inked(g);
    for (int v = 2; v <= 31; ++v) {  // one run of pixels on every row, nothing outside the box
        int count = 0, lo = 99, hi = -1;
        for (const auto& [h, pv] : s)
            if (pv == v) ++count, lo = std::min(lo, h), hi = std::max(hi, h);
        ASSERT_GT(count, 0) << "row " << v;
        EXPECT_EQ(hi - lo + 1, count);
        EXPECT_GE(lo, 3);
        EXPECT_LE(hi, 11);
    }
    EXPECT_TRUE(s.count({3, 2}));
    EXPECT_TRUE(s.count({11, 31}));
}

TEST_F(Draw, LinesReachingPastTheBoundsAreClipped) {
    GWorldPtr g = make(10, 10);
    SetGWorld(g);
    PenSize(7, 7);
    MoveTo(-20, 5);
    LineTo(30, 5);  // pen hangs below-right: rows 5..11, clipped to 5..9
    MoveTo(8, -30);
    LineTo(8, -1);  // covers rows -30..5 in columns 8..14
    std::set<std::pair<int, int>> expected;
    for (int h = 0; h < 10; ++h)
        for (int v = 5; v < 10; ++v) expected.insert({h, v});
    for (int h = 8; h < 10; ++h)
        for (int v = 0; v < 6; ++v) expected.insert({h, v});
    EXPECT_EQ(inked(g), expected);
}

TEST_F(Draw, PatternIsAlignedToThePortOriginAndItsZeroBitsTakeTheBackgroundColour) {
    const Pattern marquee{{0xF0, 0xE1, 0xC3, 0x87, 0x0F, 0x1E, 0x3C, 0x78}};
    GWorldPtr g = make(24, 24);
    SetGWorld(g);
    ForeColor(redColor);
    BackColor(blueColor);
    PenPat(&marquee);
    Rect r;
    SetRect(&r, 3, 5, 21, 19);
    PaintRect(&r);
    for (int v = 0; v < 24; ++v)
        for (int h = 0; h < 24; ++h) {
            const bool inside = h >= 3 && h < 21 && v >= 5 && v < 19;
            const bool bit = (marquee.pat[v % 8] >> (7 - h % 8)) & 1;
            const std::uint32_t want = !inside ? kWhite : bit ? 0xFF0000 : 0x0000FF;
            ASSERT_EQ(GetPixelRGB(g, h, v), want) << h << "," << v;
        }
}

TEST_F(Draw, FrameRectDrawsInsideOnePenThick) {
    GWorldPtr g = make(20, 20);
    SetGWorld(g);
    PenSize(2, 3);
    Rect r;
    SetRect(&r, 4, 4, 14, 16);
    FrameRect(&r);
    for (int v = 0; v < 20; ++v)
        for (int h = 0; h < 20; ++h) {
            const bool in = h >= 4 && h < 14 && v >= 4 && v < 16;
            const bool hole = h >= 6 && h < 12 && v >= 7 && v < 13;
            ASSERT_EQ(GetPixelRGB(g, h, v), in && !hole ? kBlack : kWhite) << h << "," << v;
        }
}

TEST_F(Draw, EraseInvertAndClip) {
    GWorldPtr g = make(10, 10);
    SetGWorld(g);
    Rect clip, all, r;
    SetRect(&clip, 2, 2, 8, 8);
    SetRect(&all, 0, 0, 10, 10);
    ClipRect(&clip);
    PaintRect(&all);
    EXPECT_EQ(inked(g).size(), 36u);
    RGBColor grey{0x8888, 0x8888, 0x8888};
    RGBBackColor(&grey);
    SetRect(&r, 0, 0, 5, 5);
    EraseRect(&r);
    EXPECT_EQ(GetPixelRGB(g, 3, 3), 0x888888u);
    EXPECT_EQ(GetPixelRGB(g, 1, 1), kWhite);
    InvertRect(&all);
    EXPECT_EQ(GetPixelRGB(g, 3, 3), 0x777777u);
    EXPECT_EQ(GetPixelRGB(g, 6, 6), kWhite);
    EXPECT_EQ(GetPixelRGB(g, 0, 0), kWhite);
}

TEST_F(Draw, TransparentCopyKeepsDestinationWhereSourceIsTheBackground) {
    GWorldPtr src = make(4, 1), dst = make(4, 1);
    set_pixel(src, 0, 0, 0x888888, 0x00);
    set_pixel(src, 1, 0, 0x888888, 0xFF);  // X byte differs: still the background colour
    set_pixel(src, 2, 0, 0x888889);
    set_pixel(src, 3, 0, 0x112233);
    for (int h = 0; h < 4; ++h) set_pixel(dst, h, 0, 0x445566);
    SetGWorld(dst);
    RGBColor grey{0x8888, 0x8888, 0x8888};
    RGBBackColor(&grey);
    Rect r;
    SetRect(&r, 0, 0, 4, 1);
    CopyBits(src, dst, &r, &r, transparent, nullptr);
    EXPECT_EQ(GetPixelRGB(dst, 0, 0), 0x445566u);
    EXPECT_EQ(GetPixelRGB(dst, 1, 0), 0x445566u);
    EXPECT_EQ(GetPixelRGB(dst, 2, 0), 0x888889u);
    EXPECT_EQ(GetPixelRGB(dst, 3, 0), 0x112233u);
    CopyBits(src, dst, &r, &r, ditherCopy, nullptr);
    EXPECT_EQ(GetPixelRGB(dst, 0, 0), 0x888888u);
}

// Each destination pixel takes one source pixel from inside its own footprint.
class Scaling : public Draw,
                public ::testing::WithParamInterface<std::tuple<int, int, int, int>> {};

TEST_P(Scaling, EveryDestinationPixelTakesOneSourcePixelOfItsFootprint) {
    const auto [sw, sh, dw, dh] = GetParam();
    GWorldPtr src = make(sw, sh), dst = make(dw, dh);
    for (int v = 0; v < sh; ++v)
        for (int h = 0; h < sw; ++h) set_pixel(src, h, v, std::uint32_t(h << 12 | v));
    Rect sr, dr;
    SetRect(&sr, 0, 0, sw, sh);
    SetRect(&dr, 0, 0, dw, dh);
    CopyBits(src, dst, &sr, &dr, srcCopy, nullptr);
    for (int v = 0; v < dh; ++v)
        for (int h = 0; h < dw; ++h) {
            const std::uint32_t p = GetPixelRGB(dst, h, v);
            const int sx = int(p >> 12), sy = int(p & 0xFFF);
            // Source pixel [sx, sx + 1) overlaps the footprint [h, h + 1) * sw / dw.
            ASSERT_GT((sx + 1) * dw, h * sw) << h;
            ASSERT_LT(sx * dw, (h + 1) * sw) << h;
            ASSERT_GT((sy + 1) * dh, v * sh) << v;
            ASSERT_LT(sy * dh, (v + 1) * sh) << v;
        }
}

INSTANTIATE_TEST_SUITE_P(Ratios, Scaling,
                         ::testing::Values(std::make_tuple(160, 64, 10, 4),   // 1/16
                                           std::make_tuple(90, 60, 60, 40),   // 2/3
                                           std::make_tuple(40, 30, 60, 45),   // 1.5
                                           std::make_tuple(12, 9, 192, 144),  // 16
                                           std::make_tuple(33, 17, 33, 17)));

TEST_F(Draw, CopyReachingBeyondBothBuffersTouchesOnlyCoveredPixels) {
    GWorldPtr src = make(10, 10), dst = make(10, 10);
    SetGWorld(src);
    Rect all;
    SetRect(&all, 0, 0, 10, 10);
    PaintRect(&all);
    Rect sr, dr;
    SetRect(&sr, -5, -5, 5, 5);  // only its bottom-right quarter lies in src
    SetRect(&dr, 3, 3, 13, 13);  // only part of it lies in dst
    CopyBits(src, dst, &sr, &dr, srcCopy, nullptr);
    std::set<std::pair<int, int>> expected;
    for (int h = 8; h < 10; ++h)
        for (int v = 8; v < 10; ++v) expected.insert({h, v});
    EXPECT_EQ(inked(dst), expected);
}

TEST_F(Draw, CopyHonoursClipAndMask) {
    GWorldPtr src = make(10, 10), dst = make(10, 10);
    SetGWorld(src);
    Rect all;
    SetRect(&all, 0, 0, 10, 10);
    PaintRect(&all);
    SetGWorld(dst);
    Rect clip, mask;
    SetRect(&clip, 0, 0, 6, 10);
    SetRect(&mask, 4, 0, 10, 10);
    ClipRect(&clip);
    CopyBits(src, dst, &all, &all, srcCopy, &mask);
    EXPECT_EQ(inked(dst).size(), 20u);  // columns 4 and 5
    EXPECT_TRUE(inked(dst).count({4, 9}));
}

TEST_F(Draw, WideRowStrideNeverTouchesThePadding) {
    Rect b;
    SetRect(&b, 0, 0, 5, 4);
    GWorldPtr g = nullptr;
    ASSERT_EQ(NewGWorldWithRowBytes(&g, &b, 32), noErr);
    worlds_.push_back(g);
    for (int v = 0; v < 4; ++v) std::memset(g->pixels + v * 32 + 20, 0xAB, 12);
    GWorldPtr src = make(5, 4);
    SetGWorld(src);
    set_pixel(src, 4, 3, 0x123456);
    CopyBits(src, g, &b, &b, srcCopy, nullptr);
    SetGWorld(g);
    PenSize(9, 9);
    MoveTo(-3, -3);
    LineTo(20, 20);
    SetGWorld(src);
    CopyBits(g, src, &b, &b, srcCopy, nullptr);
    SetRect(&b, 0, 0, 5, 1);
    SetGWorld(g);
    InvertRect(&b);
    for (int v = 0; v < 4; ++v)
        for (int i = 20; i < 32; ++i) ASSERT_EQ(g->pixels[v * 32 + i], 0xAB);
    EXPECT_EQ(GetPixelRGB(g, 4, 0), kWhite);  // black, inverted
}

// A buffer filled on first use behaves as if filled at once: a whole fill only changes the
// colour it will have, and the first partial drawing writes that colour everywhere else.
TEST_F(Draw, BufferFilledOnFirstUseLooksFilledFromTheStart) {
    Rect b;
    SetRect(&b, 0, 0, 8, 4);
    GWorldPtr layer = nullptr;
    ASSERT_EQ(NewGWorld(&layer, 32, &b, fillOnFirstUse), noErr);
    worlds_.push_back(layer);
    GWorldPtr dst = make(8, 4);
    const RGBColor grey{0x8888, 0x8888, 0x8888}, red{0xFFFF, 0, 0};
    EXPECT_EQ(GetPixelRGB(layer, 7, 3), kWhite);
    SetGWorld(layer);
    RGBBackColor(&grey);
    EraseRect(&b);
    EXPECT_EQ(GetPixelRGB(layer, 0, 0), 0x888888u);
    SetGWorld(dst);
    RGBBackColor(&grey);
    CopyBits(layer, dst, &b, &b, transparent, nullptr);
    EXPECT_EQ(GetPixelRGB(dst, 3, 3), kWhite) << "a blank key-coloured layer shows nothing";
    SetGWorld(layer);
    RGBForeColor(&red);
    Rect dot;
    SetRect(&dot, 2, 1, 3, 2);
    PaintRect(&dot);
    EXPECT_EQ(GetPixelRGB(layer, 2, 1), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(layer, 7, 3), 0x888888u);
    EXPECT_EQ(GetPixBaseAddr(layer)[4 * 8 * 3 + 1], 0x88) << "the memory itself is filled";
    CopyBits(layer, dst, &b, &b, transparent, nullptr);
    EXPECT_EQ(inked(dst), (std::set<std::pair<int, int>>{{2, 1}}));
}

TEST_F(Draw, OverlappingCopyWithinOneBufferReadsTheOriginal) {
    GWorldPtr g = make(6, 1);
    for (int h = 0; h < 6; ++h) set_pixel(g, h, 0, std::uint32_t(h));
    Rect sr, dr;
    SetRect(&sr, 0, 0, 4, 1);
    SetRect(&dr, 2, 0, 6, 1);
    CopyBits(g, g, &sr, &dr, srcCopy, nullptr);
    for (int h = 2; h < 6; ++h) EXPECT_EQ(GetPixelRGB(g, h, 0), std::uint32_t(h - 2));
}

}  // namespace
