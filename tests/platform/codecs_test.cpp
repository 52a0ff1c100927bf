// Content sniffing and JPEG decoding, checked against files and decodes made by
// ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>

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

class Jpeg : public ::testing::Test {
  protected:
    TempDir dir;
    // The 75 x 41 test picture as JPEG made by ImageMagick with options.
    std::vector<std::uint8_t> make(const std::string& options) {
        GWorldPtr g = make_test_image(75, 41, 3);
        write_ppm(dir.file("a.ppm"), gworld_pixels(g), 75, 41);
        DisposeGWorld(g);
        EXPECT_EQ(run_tool("/usr/bin/convert " + dir.file("a.ppm") + " " + options + " " +
                           dir.file("a.jpg")),
                  0);
        return read_bytes(dir.file("a.jpg"));
    }
};

// Scaled sizes; rows decoded straight into a padded larger world leave the rest of it
// alone, and a smaller world takes the top-left part.
TEST_F(Jpeg, DecodesAtEachScaleIntoWorldsOfAnySize) {
    const auto data = make("-quality 90");
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
TEST_F(Jpeg, WhatFollowsTheLastRowIsNoFaultButMissingOrBadRowsAre) {
    const auto data = make("-quality 90");
    ASSERT_TRUE(data[data.size() - 2] == 0xFF && data.back() == 0xD9);
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

}  // namespace
