// Windows bitmap and PICT reading and writing, checked against files made and read by
// ImageMagick and netpbm, and against hostile data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

using Reader = OSErr (*)(const std::uint8_t*, std::size_t, GWorldPtr*);

class Files : public ::testing::Test {
  protected:
    TempDir dir;
    // A 37 x 23 test picture as PNG: odd width exercises row padding everywhere.
    std::string source(int w = 37, int h = 23) { return write_test_png(dir.path(), w, h, 7); }
    // Our reading of bytes must give exactly the pixels want (w x h).
    void expect_pixels(Reader read, const std::vector<std::uint8_t>& bytes,
                       const std::vector<std::uint32_t>& want, int w, int h,
                       const std::string& what, int tolerance = 0) {
        GWorldPtr g = nullptr;
        ASSERT_EQ(read(bytes.data(), bytes.size(), &g), noErr) << what;
        EXPECT_EQ(g->width, w) << what;
        EXPECT_EQ(g->height, h) << what;
        EXPECT_LE(max_component_diff(gworld_pixels(g), want), tolerance) << what;
        DisposeGWorld(g);
    }
    // Every prefix of the bytes is refused cleanly, up to the last optional bytes.
    void expect_truncation_refused(Reader read, const std::vector<std::uint8_t>& bytes,
                                   std::size_t step, std::size_t optional = 0) {
        for (std::size_t cut = 0; cut + optional < bytes.size(); cut += step) {
            std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
            GWorldPtr g = nullptr;
            EXPECT_NE(read(part.data(), part.size(), &g), noErr) << cut;
            EXPECT_EQ(g, nullptr);
        }
    }
};

// ---- Windows bitmaps ----

// Bitmaps made by ImageMagick, reshaped by hand into the layouts it does not write:
// top-down rows, a V4 header, and 16-bit pixels without masks (5-5-5).
TEST_F(Files, BmpReadsTopDownRowsV4HeadersAndSixteenBitsWithoutMasks) {
    const std::string file = dir.file("b24.bmp");
    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -type truecolor BMP3:" + file), 0);
    int w, h;
    const auto want = magick_pixels(file, &w, &h);
    const auto bmp = read_bytes(file);
    const std::size_t stride = (std::size_t(w) * 3 + 3) & ~std::size_t(3);

    auto top_down = bmp;
    const std::int32_t negative = -h;
    std::memcpy(top_down.data() + 22, &negative, 4);
    for (int y = 0; y < h; ++y)
        std::copy_n(bmp.begin() + long(54 + std::size_t(h - 1 - y) * stride), stride,
                    top_down.begin() + long(54 + std::size_t(y) * stride));
    expect_pixels(ReadBMPImage, top_down, want, w, h, "top-down");

    std::vector<std::uint8_t> v4(bmp.begin(), bmp.begin() + 54);
    v4.insert(v4.end(), 68, 0);
    v4.insert(v4.end(), bmp.begin() + 54, bmp.end());
    v4[14] = 108;
    v4[10] = 54 + 68;
    expect_pixels(ReadBMPImage, v4, want, w, h, "v4");

    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -define bmp:subtype=RGB555 BMP:" + file),
              0);
    const auto want555 = magick_pixels(file, &w, &h);
    auto plain = read_bytes(file);
    std::fill_n(plain.begin() + 30, 4, 0);
    expect_pixels(ReadBMPImage, plain, want555, w, h, "16-bit without masks", 1);
}

// RLE4 (which ImageMagick does not write) and an RLE8 delta, by hand: 4 x 2 pixels.
TEST_F(Files, BmpReadsRle4AndLeavesPixelsSkippedByADeltaWhite) {
    auto make = [](int bits, std::uint32_t compression, std::vector<std::uint8_t> data) {
        const int colours = 1 << bits;
        std::vector<std::uint8_t> b(54 + std::size_t(colours) * 4, 0);
        b[0] = 'B', b[1] = 'M', b[10] = std::uint8_t(b.size()), b[11] = std::uint8_t(b.size() >> 8);
        b[14] = 40, b[18] = 4, b[22] = 2, b[26] = 1, b[28] = std::uint8_t(bits);
        b[30] = std::uint8_t(compression);
        for (int i = 0; i < colours; ++i) {  // palette entry i: blue i, green 2i, red 3i
            b[54 + i * 4] = std::uint8_t(i), b[55 + i * 4] = std::uint8_t(2 * i);
            b[56 + i * 4] = std::uint8_t(3 * i);
        }
        b.insert(b.end(), data.begin(), data.end());
        return b;
    };
    auto colour = [](int i) { return std::uint32_t((3 * i) << 16 | (2 * i) << 8 | i); };
    // Bottom row: a run of 4 alternating 1, 2; top row: absolute 3, 4, 5, 6.
    const auto rle4 = make(4, 2, {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1});
    expect_pixels(
        ReadBMPImage, rle4,
        {colour(3), colour(4), colour(5), colour(6), colour(1), colour(2), colour(1), colour(2)}, 4,
        2, "rle4");
    // Bottom row: one pixel of 9, skip one, two pixels of 7; top row: end of bitmap.
    const auto rle8 = make(8, 1, {1, 9, 0, 2, 1, 0, 2, 7, 0, 1});
    expect_pixels(
        ReadBMPImage, rle8,
        {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, colour(9), 0xFFFFFF, colour(7), colour(7)}, 4, 2,
        "rle8 delta");
}

TEST_F(Files, BmpWrittenHereReadsBackExactlyHereAndInImageMagick) {
    for (int w : {1, 2, 3, 4, 37}) {
        GWorldPtr g = make_test_image(w, 5, unsigned(w), w * 4 + 8);
        std::vector<std::uint8_t> bmp;
        ASSERT_EQ(WriteBMPImage(g, &bmp), noErr);
        EXPECT_EQ(bmp.size(), 54 + ((std::size_t(w) * 3 + 3) & ~std::size_t(3)) * 5);
        const auto want = gworld_pixels(g);
        expect_pixels(ReadBMPImage, bmp, want, w, 5, "ours");
        write_bytes(dir.file("w.bmp"), bmp);
        int mw, mh;
        EXPECT_EQ(max_component_diff(magick_pixels(dir.file("w.bmp"), &mw, &mh), want), 0) << w;
        DisposeGWorld(g);
    }
}

TEST_F(Files, HostileBitmapsAreRefusedWithoutCrashing) {
    const std::string file = dir.file("b8.bmp");
    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -colors 200 -compress RLE BMP3:" + file),
              0);
    const auto rle = read_bytes(file);
    expect_truncation_refused(ReadBMPImage, rle, 5, 2);  // the end-of-bitmap code
    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -type truecolor BMP3:" + file), 0);
    const auto plain = read_bytes(file);
    expect_truncation_refused(ReadBMPImage, plain, 11);

    auto patched = [&](std::size_t at, std::uint32_t value) {
        auto b = plain;
        std::memcpy(b.data() + at, &value, 4);
        GWorldPtr g = nullptr;
        const OSErr err = ReadBMPImage(b.data(), b.size(), &g);
        EXPECT_EQ(g, nullptr);
        return err;
    };
    EXPECT_EQ(patched(18, 0), codecErr);           // zero width
    EXPECT_EQ(patched(22, 0), codecErr);           // zero height
    EXPECT_EQ(patched(18, 0x7FFFFFFF), codecErr);  // huge width
    EXPECT_EQ(patched(22, 0x80000000), codecErr);  // most negative height
    EXPECT_EQ(patched(18, 30000), codecErr);       // rows beyond the data
    EXPECT_EQ(patched(10, 0xFFFFFFF0), codecErr);  // pixels beyond the end
    EXPECT_EQ(patched(14, 41), codecErr);          // header size
    EXPECT_EQ(patched(28, 7), codecErr);           // bits a pixel
}

// ---- PICT ----

TEST_F(Files, PictWrittenHereReadsBackInImageMagickAndHereWithTheSamePixels) {
    // Widths around the row-count and alpha-plane limits, and beyond one tile.
    for (int w : {1, 2, 3, 62, 63, 64, 65, 66, 67, 250, 251, 4095, 4096, 5000}) {
        const int h = w > 300 ? 2 : 5;
        GWorldPtr g = make_test_image(w, h, unsigned(w));
        std::vector<std::uint8_t> pict;
        ASSERT_EQ(WritePICTImage(g, &pict), noErr);
        const auto want = gworld_pixels(g);
        expect_pixels(ReadPICTImage, pict, want, w, h, "ours " + std::to_string(w));
        write_bytes(dir.file("w.pct"), pict);
        int mw, mh;
        const auto theirs = magick_pixels(dir.file("w.pct"), &mw, &mh);
        EXPECT_EQ(mw, w);
        EXPECT_EQ(max_component_diff(theirs, want), 0) << "ImageMagick " << w;
        DisposeGWorld(g);
    }
}

TEST_F(Files, PictFromImageMagickReadsWithAndWithoutTheHeader) {
    // The colours are reduced first, so that the expected pixels come from a PPM and not
    // from ImageMagick's reading of its own PICT (which is off by one in palette colours).
    const struct {
        const char* name;
        const char* reduce;
        const char* options;
        int width;
    } kinds[] = {
        {"direct.pct", "", "", 37},
        {"one-pixel-wide.pct", "", "", 1},  // rows packed although shorter than 8 bytes
        {"two-pixels-wide.pct", "", "", 2},
        {"palette.pct", "-colors 200", "-type palette", 220},
        {"palette16.pct", "-colors 16", "-type palette", 37},
    };
    for (const auto& k : kinds) {
        const std::string file = dir.file(k.name), ppm = dir.file("reduced.ppm");
        ASSERT_EQ(run_tool("/usr/bin/convert " + source(k.width, 9) + " " + k.reduce + " " + ppm),
                  0);
        ASSERT_EQ(run_tool("/usr/bin/convert " + ppm + " " + k.options + " " + file), 0);
        int w, h;
        const auto want = magick_pixels(ppm, &w, &h);
        const auto bytes = read_bytes(file);
        expect_pixels(ReadPICTImage, bytes, want, w, h, k.name);
        const std::vector<std::uint8_t> bare(bytes.begin() + 512, bytes.end());
        expect_pixels(ReadPICTImage, bare, want, w, h, std::string(k.name) + " without header");
    }
}

TEST_F(Files, PictFromNetpbmReadsWithTheSamePixels) {
    const std::string ppm = dir.file("p.ppm"), pict = dir.file("p.pict");
    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -colors 200 -depth 8 " + ppm), 0);
    const std::string made = tool_output("ppmtopict " + ppm);
    ASSERT_GT(made.size(), 512u);
    int w, h;
    const auto want = magick_pixels(ppm, &w, &h);
    expect_pixels(ReadPICTImage, std::vector<std::uint8_t>(made.begin(), made.end()), want, w, h,
                  "ppmtopict");
}

TEST_F(Files, PictQuickTimeJpegIsDecodedAndNotCoveredByItsBlackFallback) {
    const std::string png = source(), file = dir.file("j.pct");
    ASSERT_EQ(run_tool("/usr/bin/convert " + png + " -compress JPEG -quality 95 " + file), 0);
    int w, h;
    const auto original = magick_pixels(png, &w, &h);
    GWorldPtr g = nullptr;
    const auto bytes = read_bytes(file);
    ASSERT_EQ(ReadPICTImage(bytes.data(), bytes.size(), &g), noErr);
    EXPECT_EQ(g->width, w);
    EXPECT_LE(mean_component_diff(gworld_pixels(g), original), 6.0);
    DisposeGWorld(g);
    // An image description shorter than 86 bytes is refused.
    auto bad = bytes;
    const std::uint8_t idsc[] = {0, 0, 0, 0x56, 'j', 'p', 'e', 'g'};
    auto at = std::search(bad.begin(), bad.end(), idsc, idsc + 8);
    ASSERT_NE(at, bad.end());
    at[3] = 0x20;
    EXPECT_EQ(ReadPICTImage(bad.data(), bad.size(), &g), codecErr);
}

// Opcodes that draw nothing are skipped by their lengths, whatever their range.
TEST_F(Files, PictSkipsNonImageOpcodesByTheirLengths) {
    GWorldPtr g = make_test_image(20, 6, 1);
    std::vector<std::uint8_t> pict;
    ASSERT_EQ(WritePICTImage(g, &pict), noErr);
    const std::vector<std::uint8_t> ops = {
        0x00, 0x1E,                                        // DefHilite
        0x00, 0xA1, 0x00, 0x64, 0x00, 0x03, 1,   2, 3, 0,  // LongComment, odd, padded
        0x00, 0x24, 0x00, 0x02, 9,    9,                   // reserved, u16 length
        0x00, 0x1A, 1,    2,    3,    4,    5,   6,        // RGBFgCol
        0x00, 0xB5,                                        // reserved, empty
        0x02, 0x00, 1,    2,    3,    4,                   // reserved, 2 x (op >> 8)
        0x81, 0x00, 0,    0,    0,    3,    1,   2, 3, 0,  // reserved, u32 length, padded
        0x80, 0x10,                                        // reserved, empty
        0x00, 0x71, 0x00, 0x0E, 0,    0,    0,   0, 0, 5, 0, 5, 0, 1, 0, 1,  // polygon
        0x00, 0x2C, 0x00, 0x03, 1,    'A',  'B', 0,                          // font name, padded
    };
    pict.insert(pict.begin() + 564, ops.begin(), ops.end());
    expect_pixels(ReadPICTImage, pict, gworld_pixels(g), 20, 6, "with extra opcodes");
    DisposeGWorld(g);
}

// Version 1: one-byte opcodes, a 1-bit BitsRect of 16 x 2 pixels.
TEST_F(Files, PictReadsVersionOneBitmaps) {
    std::vector<std::uint8_t> p = {0,    0,    0,    0, 0, 0, 0, 2, 0, 16, 0x11, 0x01, 0xA0,
                                   0x00, 0x82, 0x90, 0, 2, 0, 0, 0, 0, 0,  2,    0,    16};
    const std::uint8_t rects[] = {0, 0, 0, 0, 0, 2, 0, 16, 0, 0, 0, 0, 0, 2, 0, 16, 0, 0};
    p.insert(p.end(), rects, rects + sizeof rects);
    p.insert(p.end(), {0xF0, 0x0F, 0x00, 0x01, 0xFF});
    GWorldPtr g = nullptr;
    ASSERT_EQ(ReadPICTImage(p.data(), p.size(), &g), noErr);
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(GetPixelRGB(g, x, 0), (x < 4 || x >= 12) ? 0u : 0xFFFFFFu) << x;
        EXPECT_EQ(GetPixelRGB(g, x, 1), x == 15 ? 0u : 0xFFFFFFu) << x;
    }
    DisposeGWorld(g);
}

// 16-bit direct pixels pack in two-byte units: 8 x 2 pixels, a run and a literal row.
TEST_F(Files, PictReadsSixteenBitPixelsPackedInWordUnits) {
    std::vector<std::uint8_t> p = {0, 0, 0,    0,    0,    0,    0,    2,
                                   0, 8, 0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00};
    const std::uint8_t header[24] = {0xFF, 0xFE, 0, 0, 0, 0x48, 0, 0, 0, 0x48, 0, 0,
                                     0,    0,    0, 0, 0, 2,    0, 8, 0, 0,    0, 0};
    p.insert(p.end(), header, header + 24);
    const std::uint8_t pixmap[] = {0x00, 0x9A, 0,    0,  0, 0xFF, 0x80, 16, 0, 0,    0,
                                   0,    0,    2,    0,  8,  // op, base, rowBytes, bounds
                                   0,    0,    0,    3,  0, 0,    0,    0,  0, 0x48, 0,
                                   0,    0,    0x48, 0,  0,  // version, packType 3, res
                                   0,    16,   0,    16, 0, 3,    0,    5,  0, 0,    0,
                                   0,    0,    0,    0,  0, 0,    0,    0,  0,  // type, size, cmp
                                   0,    0,    0,    0,  0, 2,    0,    8,  0, 0,    0,
                                   0,    0,    2,    0,  8, 0,    0x40};  // src, dst, mode
    p.insert(p.end(), pixmap, pixmap + sizeof pixmap);
    p.insert(p.end(), {3, 0xF9, 0x7C, 0x00});  // 8 x red
    p.insert(p.end(), {17, 7, 0x03, 0xE0, 0x03, 0xE0, 0x03, 0xE0, 0x03, 0xE0, 0x00, 0x1F, 0x00,
                       0x1F, 0x00, 0x00, 0x7F, 0xFF});  // literal row
    if (p.size() & 1) p.push_back(0);
    p.insert(p.end(), {0x00, 0xFF});
    std::vector<std::uint32_t> want(8, 0xFF0000);
    for (std::uint32_t v :
         {0x00FF00u, 0x00FF00u, 0x00FF00u, 0x00FF00u, 0x0000FFu, 0x0000FFu, 0x000000u, 0xFFFFFFu})
        want.push_back(v);
    expect_pixels(ReadPICTImage, p, want, 8, 2, "16-bit");
}

TEST_F(Files, HostilePicturesAreRefusedWithoutCrashing) {
    GWorldPtr g = make_test_image(70, 4, 2);
    std::vector<std::uint8_t> ours;
    ASSERT_EQ(WritePICTImage(g, &ours), noErr);
    DisposeGWorld(g);
    expect_truncation_refused(ReadPICTImage, ours, 3);
    const std::string file = dir.file("palette.pct");
    ASSERT_EQ(run_tool("/usr/bin/convert " + source() + " -colors 100 -type palette " + file), 0);
    expect_truncation_refused(ReadPICTImage, read_bytes(file), 3);

    auto patched = [&](std::size_t at, std::vector<std::uint8_t> bytes) {
        auto p = ours;
        std::copy(bytes.begin(), bytes.end(), p.begin() + long(at));
        GWorldPtr out = nullptr;
        const OSErr err = ReadPICTImage(p.data(), p.size(), &out);
        EXPECT_EQ(out, nullptr);
        return err;
    };
    EXPECT_EQ(patched(514, {0x7F, 0xFF, 0x7F, 0xFF, 0, 0, 0, 0}), codecErr);  // empty frame
    EXPECT_EQ(patched(514, {0, 0, 0, 0, 0x7F, 0xFF, 0x7F, 0xFF}), codecErr);  // huge frame
    EXPECT_EQ(patched(572, {0, 0, 0, 0, 0x7F, 0xFF, 0x7F, 0xFF}), codecErr);  // huge bounds
    EXPECT_EQ(patched(572, {0, 0, 0, 0, 0, 0, 0, 0}), codecErr);              // empty bounds
    EXPECT_EQ(patched(598, {0, 24}), codecErr);                               // pixel size
    EXPECT_EQ(patched(564, {0x00, 0xFF}), codecErr);                          // nothing drawn
    EXPECT_EQ(patched(564, {0x00, 0xA1, 0, 0, 0xFF, 0xFF}), codecErr);        // comment too long
}

}  // namespace
