// JPEG encoding of an offscreen with the program's fixed parameters.
#include <gtest/gtest.h>

#include "imagefile/jpeg_encode.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

// The segment of a JPEG stream that starts with marker, from its length field on.
std::vector<std::uint8_t> segment(const std::vector<std::uint8_t>& jpeg, std::uint8_t marker) {
    std::size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const std::size_t length = std::size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
        if (jpeg[i + 1] == marker && i + 2 + length <= jpeg.size())
            return std::vector<std::uint8_t>(jpeg.begin() + long(i) + 2,
                                             jpeg.begin() + long(i + 2 + length));
        i += 2 + length;
    }
    return {};
}

TEST(JpegEncode, StreamCarriesJfifDensityUnitOneWithZeroDensitiesAnd422Sampling) {
    TempDir dir;
    // 17 x 9 is not a multiple of the 16 x 8 unit; the frame still has the exact size.
    GWorldPtr g = make_test_image(17, 9, 1);
    std::vector<std::uint8_t> jpeg;
    ASSERT_EQ(gworld2jpegptr(g, &jpeg), noErr);
    const std::string path = dir.file("a.jpg");
    write_bytes(path, jpeg);
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    const auto app0 = segment(jpeg, 0xE0);
    ASSERT_EQ(app0.size(), 16u);
    EXPECT_EQ(std::string(app0.begin() + 2, app0.begin() + 7), std::string("JFIF\0", 5));
    EXPECT_EQ(app0[9], 1);  // dots per inch
    EXPECT_EQ(std::vector<std::uint8_t>(app0.begin() + 10, app0.begin() + 14),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));  // X and Y density 0
    const auto sof = segment(jpeg, 0xC0);                // baseline frame
    ASSERT_EQ(sof.size(), 17u);
    EXPECT_EQ(sof[3] << 8 | sof[4], 9);
    EXPECT_EQ(sof[5] << 8 | sof[6], 17);
    EXPECT_EQ(sof[9], 0x21);   // Y: 2 x 1
    EXPECT_EQ(sof[12], 0x11);  // Cb: 1 x 1
    EXPECT_EQ(sof[15], 0x11);  // Cr: 1 x 1
    EXPECT_EQ(tool_output("/usr/bin/identify -format '%w %h %Q' " + path), "17 9 75");
    DisposeGWorld(g);
}

TEST(JpegEncode, BytesBeyondTheWidthOfARowNeverReachTheFile) {
    GWorldPtr tight = make_test_image(40, 12, 8);
    GWorldPtr padded = make_test_image(40, 12, 8, 40 * 4 + 36);
    for (int y = 0; y < 12; ++y)
        std::fill_n(padded->pixels + std::size_t(y) * std::size_t(padded->row_bytes) + 160, 36,
                    std::uint8_t(y * 21));
    std::vector<std::uint8_t> a, b;
    ASSERT_EQ(gworld2jpegptr(tight, &a), noErr);
    ASSERT_EQ(gworld2jpegptr(padded, &b), noErr);
    EXPECT_EQ(a, b);
    DisposeGWorld(tight);
    DisposeGWorld(padded);
}

}  // namespace
