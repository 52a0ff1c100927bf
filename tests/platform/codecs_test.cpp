// The image codecs: content sniffing, JPEG decoding, and Windows bitmap and PICT reading and
// writing, checked against files made and read by ImageMagick and hand-made layouts (cut-short
// files and hostile headers are the seeds' test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::uint8_t> bytes_of(const char* s, std::size_t n) {
    return std::vector<std::uint8_t>(s, s + n);
}

// A picture's first bytes: size word, frame (0, 0, bottom, 20), version 2 or 1 signature.
std::vector<std::uint8_t> pict_start(bool header, bool v2, int bottom = 10) {
    static const std::uint8_t v2_start[] = {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFE};
    static const std::uint8_t v1_start[] = {0x11, 0x01, 0xA0, 0x00, 0x82, 0xFF, 0, 0};
    const std::size_t frame = header ? 512 : 0;
    std::vector<std::uint8_t> p(frame + 18, 0);
    p[frame + 7] = std::uint8_t(bottom);
    p[frame + 9] = 20;
    std::copy_n(v2 ? v2_start : v1_start, 8, p.begin() + frame + 10);
    return p;
}

// The common kinds, read from whole files, are the importer's test; these are the variants
// and near misses.
TEST(Sniff, KnowsEveryVariantOfEachKindAndNoNearMiss) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* mime;  // null: no image
    } cases[] = {
        {"bmp core", bytes_of("BM\0\0\0\0\0\0\0\0\0\0\0\0\x0C\0\0\0", 18), "image/x-bmp"},
        {"BM text", bytes_of("BMW is a car maker, not a bitmap", 32), nullptr},
        {"gif87", bytes_of("GIF87a\x01\0\x01\0", 10), "image/gif"},
        {"tiff motorola", bytes_of("MM\0*\0\0\0\x08", 8), "image/tiff"},
        {"pict v2 without header", pict_start(false, true), "image/pict"},
        {"pict v1 with header", pict_start(true, false), "image/pict"},
        {"pict v1 without header", pict_start(false, false), "image/pict"},
        {"pict with empty frame", pict_start(true, true, 0), nullptr},
        {"jpeg prefix only", {0xFF, 0xD8}, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(SniffImageMIMEType(c.bytes.data(), c.bytes.size()), c.mime) << c.name;
    }
}

using Reader = OSErr (*)(const std::uint8_t*, std::size_t, GWorldPtr*);

class Codecs : public ::testing::Test {
  protected:
    TempDir dir;
    // The test picture converted by ImageMagick with options into a file; its bytes.
    std::vector<std::uint8_t> convert(const std::string& options, const std::string& name,
                                      int w = 37, int h = 23) {
        const std::string ppm = dir.file("source.ppm");
        GWorldPtr g = make_test_image(w, h, 7);
        write_ppm(ppm, gworld_pixels(g), w, h);
        DisposeGWorld(g);
        EXPECT_EQ(run_tool("/usr/bin/convert " + ppm + " " + options + dir.file(name)), 0) << name;
        return read_bytes(dir.file(name));
    }
    // Our reading of bytes must give exactly the pixels want (w x h).
    static void expect_pixels(Reader read, const std::vector<std::uint8_t>& bytes,
                              const std::vector<std::uint32_t>& want, int w, int h,
                              const std::string& what, int tolerance = 0) {
        GWorldPtr g = nullptr;
        ASSERT_EQ(read(bytes.data(), bytes.size(), &g), noErr) << what;
        EXPECT_TRUE(g->width == w && g->height == h) << what;
        EXPECT_LE(max_component_diff(gworld_pixels(g), want), tolerance) << what;
        DisposeGWorld(g);
    }
};

// Scaled sizes; rows decoded straight into a padded larger world leave the rest of it
// alone, and a smaller world takes the top-left part.
TEST_F(Codecs, JpegDecodesAtEachScaleIntoWorldsOfAnySize) {
    const auto data = convert("-quality 90 JPEG:", "a.jpg", 75, 41);
    const struct {
        int denom, w, h;
    } scales[] = {{1, 75, 41}, {2, 38, 21}, {4, 19, 11}, {8, 10, 6}};
    for (const auto& c : scales) {
        std::int16_t w = 0, h = 0;
        ASSERT_EQ(GetJPEGImageSize(data.data(), data.size(), c.denom, &w, &h), noErr);
        EXPECT_TRUE(w == c.w && h == c.h) << c.denom;
        GWorldPtr g = nullptr;
        ASSERT_EQ(ReadJPEGImage(data.data(), data.size(), c.denom, &g), noErr);
        EXPECT_TRUE(g->width == c.w && g->height == c.h) << c.denom;
        DisposeGWorld(g);
    }
    std::int16_t w, h;
    EXPECT_EQ(GetJPEGImageSize(data.data(), data.size(), 3, &w, &h), paramErr);
    GWorldPtr plain = nullptr;
    ASSERT_EQ(ReadJPEGImage(data.data(), data.size(), 1, &plain), noErr);
    for (const auto& [ww, wh, row_bytes] : {std::tuple{90, 50, 90 * 4 + 64}, {30, 20, 0}}) {
        GWorldPtr g = new_white_world(ww, wh, row_bytes);
        ASSERT_EQ(DecompressJPEGImage(data.data(), data.size(), 1, g), noErr);
        for (int y = 0; y < wh; ++y)
            for (int x = 0; x < ww; ++x)
                ASSERT_EQ(GetPixelRGB(g, x, y),
                          x < 75 && y < 41 ? GetPixelRGB(plain, x, y) : 0xFFFFFFu)
                    << x << "," << y;
        DisposeGWorld(g);
    }
    DisposeGWorld(plain);
}

// Every row decoded from real data is a whole picture, whatever follows the last row; a
// stream that ends before its last row, corrupt data or a huge frame is not. (Cut-short
// progressive streams are the seeds' test.)
TEST_F(Codecs, JpegRowsAreWholeWhateverFollowsButMissingOrBadRowsAreNot) {
    const auto data = convert("-quality 90 JPEG:", "a.jpg", 75, 41);
    GWorldPtr intact = nullptr;
    ASSERT_EQ(ReadJPEGImage(data.data(), data.size(), 1, &intact), noErr);
    const std::vector<std::uint8_t> body(data.begin(), data.end() - 2), eoi{0xFF, 0xD9};
    const auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto corrupt = data, huge = data;
    std::fill(corrupt.begin() + long(corrupt.size() / 2), corrupt.end() - 2, 0xFF);
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xFD, huge[i + 6] = 0xE8, huge[i + 7] = 0xFD, huge[i + 8] = 0xE8;
            break;
        }
    const struct {
        const char* name;
        std::vector<std::uint8_t> stream;
        OSErr err;
    } cases[] = {
        {"zero padding before the end marker",
         join(join(body, std::vector<std::uint8_t>(300)), eoi), noErr},
        {"no end marker", body, noErr},
        {"bytes after the end marker", join(data, {'j', 'u', 'n', 'k'}), noErr},
        {"ends halfway", join({body.begin(), body.begin() + long(body.size() / 2)}, eoi), codecErr},
        {"corrupt second half", corrupt, codecErr},
        {"65000 x 65000 pixels", huge, codecErr},
    };
    for (const auto& c : cases) {
        GWorldPtr g = new_white_world(75, 41);
        EXPECT_EQ(DecompressJPEGImage(c.stream.data(), c.stream.size(), 1, g), c.err) << c.name;
        if (c.err == noErr) {
            EXPECT_EQ(gworld_pixels(g), gworld_pixels(intact)) << c.name;
        }
        DisposeGWorld(g);
    }
    DisposeGWorld(intact);
}

// ImageMagick's bitmaps reshaped by hand into the layouts it does not write: top-down rows,
// a V4 header, and 16-bit pixels without masks (5-5-5).
TEST_F(Codecs, BmpReadsTopDownRowsV4HeadersAndSixteenBitsWithoutMasks) {
    const auto bmp = convert("-type truecolor BMP3:", "b24.bmp");
    int w, h;
    const auto want = magick_pixels(dir.file("b24.bmp"), &w, &h);
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
    v4[14] = 108, v4[10] = 54 + 68;
    expect_pixels(ReadBMPImage, v4, want, w, h, "v4");
    auto plain = convert("-define bmp:subtype=RGB555 BMP:", "b16.bmp");
    std::fill_n(plain.begin() + 30, 4, 0);
    expect_pixels(ReadBMPImage, plain, magick_pixels(dir.file("b16.bmp"), &w, &h), w, h,
                  "16-bit without masks", 1);
}

// RLE4 (which ImageMagick does not write) and an RLE8 delta, by hand: 4 x 2 pixels whose
// palette entry i is blue i, green 2i, red 3i.
TEST_F(Codecs, BmpReadsRle4AndLeavesPixelsSkippedByADeltaWhite) {
    auto make = [](int bits, std::vector<std::uint8_t> data) {
        std::vector<std::uint8_t> b(54 + (std::size_t(4) << bits), 0);
        b[0] = 'B', b[1] = 'M', b[10] = std::uint8_t(b.size()), b[11] = std::uint8_t(b.size() >> 8);
        b[14] = 40, b[18] = 4, b[22] = 2, b[26] = 1, b[28] = std::uint8_t(bits);
        b[30] = bits == 4 ? 2 : 1;
        for (int i = 0; i < 1 << bits; ++i) {
            b[54 + i * 4] = std::uint8_t(i), b[55 + i * 4] = std::uint8_t(2 * i);
            b[56 + i * 4] = std::uint8_t(3 * i);
        }
        b.insert(b.end(), data.begin(), data.end());
        return b;
    };
    auto c = [](int i) { return std::uint32_t((3 * i) << 16 | (2 * i) << 8 | i); };
    // Bottom row: a run of 4 alternating 1, 2; top row: absolute 3, 4, 5, 6.
    expect_pixels(ReadBMPImage, make(4, {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1}),
                  {c(3), c(4), c(5), c(6), c(1), c(2), c(1), c(2)}, 4, 2, "rle4");
    // Bottom row: one pixel of 9, skip one, two pixels of 7; top row: end of bitmap.
    const std::uint32_t white = 0xFFFFFF;
    expect_pixels(ReadBMPImage, make(8, {1, 9, 0, 2, 1, 0, 2, 7, 0, 1}),
                  {white, white, white, white, c(9), white, c(7), c(7)}, 4, 2, "rle8 delta");
}

// Widths around row padding, the picture's row-count and alpha-plane limits, and beyond one
// tile; the rows in memory are padded.
TEST_F(Codecs, WrittenFilesReadBackExactlyHereAndInImageMagick) {
    const struct {
        OSErr (*write)(GWorldPtr, std::vector<std::uint8_t>*);
        Reader read;
        const char* name;
        std::vector<int> widths;
    } writers[] = {
        {WriteBMPImage, ReadBMPImage, "w.bmp", {1, 2, 3, 4, 37}},
        {WritePICTImage,
         ReadPICTImage,
         "w.pct",
         {1, 2, 3, 62, 63, 64, 65, 66, 67, 250, 251, 4095, 4096, 5000}},
    };
    for (const auto& f : writers)
        for (int w : f.widths) {
            const int h = w > 300 ? 2 : 5;
            GWorldPtr g = make_test_image(w, h, unsigned(w), w * 4 + 8);
            std::vector<std::uint8_t> bytes;
            ASSERT_EQ(f.write(g, &bytes), noErr);
            const auto want = gworld_pixels(g);
            expect_pixels(f.read, bytes, want, w, h, std::string(f.name) + " ours");
            write_bytes(dir.file(f.name), bytes);
            int mw, mh;
            const auto theirs = magick_pixels(dir.file(f.name), &mw, &mh);
            EXPECT_EQ(max_component_diff(theirs, want), 0) << f.name << " ImageMagick " << w;
            DisposeGWorld(g);
        }
}

// Opcodes that draw nothing are skipped by their lengths, whatever their range.
TEST_F(Codecs, PictSkipsNonImageOpcodesByTheirLengths) {
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

// Hand-made pictures without the 512-byte header: size word, frame, version, then one
// image opcode and the end.
TEST_F(Codecs, PictReadsVersionOneBitmapsAndSixteenBitPixelsPackedInWordUnits) {
    // clang-format off
    // Version 1: one-byte opcodes, a 1-bit BitsRect of 16 x 2 pixels.
    const std::vector<std::uint8_t> v1 = {
        0, 0, 0, 0, 0, 0, 0, 2, 0, 16, 0x11, 0x01, 0xA0, 0x00, 0x82,  // size, frame, version
        0x90, 0, 2, 0, 0, 0, 0, 0, 2, 0, 16,                          // op, rowBytes, bounds
        0, 0, 0, 0, 0, 2, 0, 16, 0, 0, 0, 0, 0, 2, 0, 16, 0, 0,       // src, dst, mode
        0xF0, 0x0F, 0x00, 0x01, 0xFF};                                // two rows, end
    // Version 2 (frame, version, header, pixel map) with 16-bit direct pixels of 8 x 2: a run
    // of red and a literal row.
    const std::vector<std::uint8_t> v2 = {
        0, 0, 0, 0, 0, 0, 0, 2, 0, 8, 0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00,  // frame, version
        0xFF, 0xFE, 0, 0, 0, 0x48, 0, 0, 0, 0x48, 0, 0, 0, 0, 0, 0, 0, 2, 0, 8, 0, 0, 0, 0,
        0x00, 0x9A, 0, 0, 0, 0xFF, 0x80, 16, 0, 0, 0, 0, 0, 2, 0, 8,        // rowBytes, bounds
        0, 0, 0, 3, 0, 0, 0, 0, 0, 0x48, 0, 0, 0, 0x48, 0, 0,               // packType 3, res
        0, 16, 0, 16, 0, 3, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,       // type, size, cmp
        0, 0, 0, 0, 0, 2, 0, 8, 0, 0, 0, 0, 0, 2, 0, 8, 0, 0x40,            // src, dst, mode
        3, 0xF9, 0x7C, 0x00,                                                // 8 x red
        17, 7, 0x03, 0xE0, 0x03, 0xE0, 0x03, 0xE0, 0x03, 0xE0, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00,
        0x7F, 0xFF,                                                         // literal row
        0x00, 0xFF};                                                        // end
    // clang-format on
    std::vector<std::uint32_t> want(32, 0xFFFFFF);
    for (int x : {0, 1, 2, 3, 12, 13, 14, 15, 31}) want[std::size_t(x)] = 0;
    expect_pixels(ReadPICTImage, v1, want, 16, 2, "version 1");
    want.assign(8, 0xFF0000);
    want.insert(want.end(),
                {0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00, 0x0000FF, 0x0000FF, 0x000000, 0xFFFFFF});
    expect_pixels(ReadPICTImage, v2, want, 8, 2, "16-bit");
}

}  // namespace
