// Pixel-exact checks of the drawing layer: pens, patterns, fills, block copies and pictures
// drawn into rectangles.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <utility>

#include "platform/codec_support.h"
#include "platform/codecs.h"
#include "support/image_files.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;
constexpr std::uint32_t kWhite = 0xFFFFFF;

Rect box(int left, int top, int right, int bottom) {
    Rect r;
    SetRect(&r, left, top, right, bottom);
    return r;
}

// Every pixel of the rectangles.
Pixels cover(std::initializer_list<Rect> rects) {
    Pixels s;
    for (const Rect& r : rects)
        for (int v = r.top; v < r.bottom; ++v)
            for (int h = r.left; h < r.right; ++h) s.insert({h, v});
    return s;
}

class Draw : public ::testing::Test {
  protected:
    // A white buffer, made the current port.
    GWorldPtr make(int w, int h, std::uint32_t flags = 0) {
        const Rect b = box(0, 0, w, h);
        GWorldPtr g = nullptr;
        EXPECT_EQ(NewGWorld(&g, 32, &b, flags), noErr);
        worlds_.push_back(g);
        SetGWorld(g);
        return g;
    }
    void TearDown() override {
        SetGWorld(nullptr);
        for (GWorldPtr g : worlds_) DisposeGWorld(g);
    }
    // Every pixel that is not white.
    static Pixels inked(GWorldPtr g) {
        Pixels s;
        for (int v = 0; v < g->height; ++v)
            for (int h = 0; h < g->width; ++h)
                if (GetPixelRGB(g, h, v) != kWhite) s.insert({h, v});
        return s;
    }
    static void set_pixel(GWorldPtr g, int h, int v, std::uint32_t rgb) {
        std::uint8_t* p = g->pixels + v * g->row_bytes + 4 * h;
        p[0] = 0, p[1] = std::uint8_t(rgb >> 16), p[2] = std::uint8_t(rgb >> 8);
        p[3] = std::uint8_t(rgb);
    }
    std::vector<GWorldPtr> worlds_;
};

TEST_F(Draw, PatternIsAlignedToThePortOriginAndItsZeroBitsTakeTheBackgroundColour) {
    const Pattern marquee{{0xF0, 0xE1, 0xC3, 0x87, 0x0F, 0x1E, 0x3C, 0x78}};
    GWorldPtr g = make(24, 24);
    ForeColor(redColor);
    BackColor(blueColor);
    PenPat(&marquee);
    const Rect r = box(3, 5, 21, 19);
    PaintRect(&r);
    for (int v = 0; v < 24; ++v)
        for (int h = 0; h < 24; ++h) {
            const bool inside = h >= 3 && h < 21 && v >= 5 && v < 19;
            const bool bit = (marquee.pat[v % 8] >> (7 - h % 8)) & 1;
            ASSERT_EQ(GetPixelRGB(g, h, v), !inside ? kWhite
                                            : bit   ? 0xFF0000
                                                    : 0x0000FF)
                << h << "," << v;
        }
}

TEST_F(Draw, FrameRectDrawsInsideOnePenThick) {
    GWorldPtr g = make(20, 20);
    PenSize(2, 3);
    const Rect r = box(4, 4, 14, 16);
    FrameRect(&r);
    EXPECT_EQ(inked(g),
              cover({box(4, 4, 14, 7), box(4, 13, 14, 16), box(4, 7, 6, 13), box(12, 7, 14, 13)}));
}

TEST_F(Draw, EraseAndInvertStayInsideTheClip) {
    GWorldPtr g = make(10, 10);
    const Rect clip = box(2, 2, 8, 8), all = box(0, 0, 10, 10), corner = box(0, 0, 5, 5);
    ClipRect(&clip);
    PaintRect(&all);
    EXPECT_EQ(inked(g), cover({clip}));
    const RGBColor grey{0x8888, 0x8888, 0x8888};
    RGBBackColor(&grey);
    EraseRect(&corner);
    EXPECT_EQ(GetPixelRGB(g, 3, 3), 0x888888u);
    EXPECT_EQ(GetPixelRGB(g, 1, 1), kWhite);
    InvertRect(&all);
    EXPECT_EQ(GetPixelRGB(g, 3, 3), 0x777777u);
    EXPECT_EQ(inked(g), cover({box(2, 2, 5, 5)}));
}

// Each destination pixel takes one source pixel from inside its own footprint: at 1/16,
// 2/3 across and 3/4 down, 1.5 and 16.
TEST_F(Draw, ScaledCopyTakesEachPixelFromItsFootprint) {
    for (const auto& [sw, sh, dw, dh] : {std::array{160, 64, 10, 4}, std::array{90, 60, 60, 45},
                                         std::array{40, 30, 60, 45}, std::array{12, 9, 192, 144}}) {
        GWorldPtr src = make(sw, sh), dst = make(dw, dh);
        for (int v = 0; v < sh; ++v)
            for (int h = 0; h < sw; ++h) set_pixel(src, h, v, std::uint32_t(h << 12 | v));
        const Rect sr = box(0, 0, sw, sh), dr = box(0, 0, dw, dh);
        CopyBits(src, dst, &sr, &dr, srcCopy, nullptr);
        for (int v = 0; v < dh; ++v)
            for (int h = 0; h < dw; ++h) {
                const std::uint32_t p = GetPixelRGB(dst, h, v);
                const int sx = int(p >> 12), sy = int(p & 0xFFF);
                // Source pixel [sx, sx + 1) overlaps the footprint [h, h + 1) * sw / dw.
                ASSERT_TRUE((sx + 1) * dw > h * sw && sx * dw < (h + 1) * sw) << h;
                ASSERT_TRUE((sy + 1) * dh > v * sh && sy * dh < (v + 1) * sh) << v;
            }
    }
}

// Source and destination rectangles reaching beyond their buffers, the clip and the mask.
TEST_F(Draw, CopyTouchesOnlyPixelsCoveredByBothBuffersTheClipAndTheMask) {
    GWorldPtr src = make(10, 10), beyond = make(10, 10), masked = make(10, 10);
    const Rect all = box(0, 0, 10, 10), sr = box(-5, -5, 5, 5), dr = box(3, 3, 13, 13);
    const Rect clip = box(0, 0, 6, 10), mask = box(4, 0, 10, 10);
    SetGWorld(src);
    PaintRect(&all);
    CopyBits(src, beyond, &sr, &dr, srcCopy, nullptr);
    EXPECT_EQ(inked(beyond), cover({box(8, 8, 10, 10)}));
    SetGWorld(masked);
    ClipRect(&clip);
    CopyBits(src, masked, &all, &all, srcCopy, &mask);
    EXPECT_EQ(inked(masked), cover({box(4, 0, 6, 10)}));
}

TEST_F(Draw, WideRowStrideNeverTouchesThePadding) {
    GWorldPtr g = new_white_world(5, 4, 32), src = make(5, 4);
    worlds_.push_back(g);
    for (int v = 0; v < 4; ++v) std::memset(g->pixels + v * 32 + 20, 0xAB, 12);
    const Rect b = box(0, 0, 5, 4), top = box(0, 0, 5, 1);
    Rect bounds;
    GetPortBounds(g, &bounds);
    EXPECT_EQ(bounds.right, 5) << "the bounds end at the width, not at the padding";
    CopyBits(src, g, &b, &b, srcCopy, nullptr);
    SetGWorld(g);
    PenSize(9, 9);
    MoveTo(-3, -3);
    LineTo(20, 20);
    CopyBits(g, src, &b, &b, srcCopy, nullptr);
    InvertRect(&top);
    for (int v = 0; v < 4; ++v)
        for (int i = 20; i < 32; ++i) ASSERT_EQ(g->pixels[v * 32 + i], 0xAB);
    EXPECT_EQ(GetPixelRGB(g, 4, 0), kWhite);  // black, inverted
}

// A buffer filled on first use behaves as if filled at once: a whole fill only changes the
// colour it will have, and the first partial drawing writes that colour everywhere else. A
// transparent copy leaves out exactly the destination's background colour.
TEST_F(Draw, BufferFilledOnFirstUseLooksFilledFromTheStartAndCopiesTransparently) {
    GWorldPtr dst = make(8, 4), layer = make(8, 4, fillOnFirstUse);
    const RGBColor key{0x1111, 0x2222, 0x3333}, near_key{0x1111, 0x2222, 0x3434};
    const Rect b = box(0, 0, 8, 4), dot = box(2, 1, 3, 2);
    GWorldPtr refused = nullptr;
    EXPECT_EQ(NewGWorld(&refused, 16, &b, fillOnFirstUse), paramErr) << "32 bits a pixel only";
    EXPECT_EQ(GetPixelRGB(layer, 7, 3), kWhite);
    RGBBackColor(&key);
    EraseRect(&b);
    EXPECT_EQ(GetPixelRGB(layer, 0, 0), 0x112233u);
    BackColor(whiteColor);
    SetGWorld(dst);
    RGBBackColor(&key);
    CopyBits(layer, dst, &b, &b, transparent, nullptr);
    EXPECT_TRUE(inked(dst).empty()) << "a blank key-coloured layer shows nothing";
    SetGWorld(layer);
    RGBForeColor(&near_key);
    PaintRect(&dot);
    EXPECT_EQ(GetPixelRGB(layer, 2, 1), 0x112234u);
    EXPECT_EQ(GetPixBaseAddr(layer)[4 * 8 * 3 + 1], 0x11) << "the memory itself is filled";
    CopyBits(layer, dst, &b, &b, transparent, nullptr);
    EXPECT_EQ(inked(dst), cover({dot}));
}

// Pixels 0, 1, 2 doubled onto 1..6 of the same row: each is read before it is overwritten.
TEST_F(Draw, OverlappingCopyWithinOneBufferReadsTheOriginal) {
    GWorldPtr g = make(7, 1);
    for (int h = 0; h < 7; ++h) set_pixel(g, h, 0, std::uint32_t(h));
    const Rect sr = box(0, 0, 3, 1), dr = box(1, 0, 7, 1);
    CopyBits(g, g, &sr, &dr, srcCopy, nullptr);
    for (int h = 1; h < 7; ++h) EXPECT_EQ(GetPixelRGB(g, h, 0), std::uint32_t((h - 1) / 2)) << h;
}

// A row of grey levels drawn into a row of another width: shrinking averages the covered
// area, enlarging interpolates, the same size copies exactly.
TEST_F(Draw, PictureShrinkingAveragesEnlargingInterpolatesAndTheSameSizeCopies) {
    const struct {
        std::vector<int> levels;
        std::vector<int> drawn;  // the red components
    } cases[] = {
        {{0, 255, 0, 255, 0, 255, 0, 255}, {128, 128, 128, 128}},
        {{0, 90, 180}, {30, 150}},  // each output covers one and a half source pixels
        {{0, 255}, {0, 64, 191, 255}},
        {{3, 250, 17, 99, 0, 255, 128, 1}, {3, 250, 17, 99, 0, 255, 128, 1}},
    };
    for (const auto& c : cases) {
        GWorldPtr row = new_white_world(int(c.levels.size()), 1);
        for (std::size_t x = 0; x < c.levels.size(); ++x)
            std::fill_n(row->pixels + 4 * x + 1, 3, std::uint8_t(c.levels[x]));
        PicHandle pic = NewPictureAdopting(row);
        GWorldPtr port = make(int(c.drawn.size()), 1);
        const Rect r = box(0, 0, port->width, 1);
        DrawPicture(pic, &r);
        KillPicture(pic);
        std::vector<int> reds;
        for (std::uint32_t p : gworld_pixels(port)) reds.push_back(int(p >> 16));
        EXPECT_EQ(reds, c.drawn);
    }
}

TEST_F(Draw, PictureStaysInsideTheClipAndTheBounds) {
    GWorldPtr src = make_test_image(6, 6, 4), port = make(8, 4);
    const auto want = gworld_pixels(src);
    PicHandle pic = NewPictureAdopting(src);
    const Rect clip = box(1, 0, 8, 4), dst = box(-2, -1, 4, 5);  // beyond the top-left corner
    ClipRect(&clip);
    DrawPicture(pic, &dst);
    KillPicture(pic);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(GetPixelRGB(port, x, y),
                      x >= 1 && x < 4 ? want[std::size_t((y + 1) * 6 + x + 2)] : kWhite)
                << x << "," << y;
}

}  // namespace
