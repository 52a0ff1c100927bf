// The EXIF JPEG file writer: the layout byte for byte, read back by exiftool and
// ImageMagick.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "imagefile/exif_writer.h"
#include "imagefile/jpeg_encode.h"
#include "platform/codecs.h"
#include "platform/test_hooks.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

unsigned u16be(const std::vector<std::uint8_t>& b, std::size_t at) {
    return unsigned(b[at]) << 8 | b[at + 1];
}

unsigned u16le(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | unsigned(b[at + 1]) << 8;
}

class ExifWriter : public ::testing::Test {
  protected:
    TempDir dir;
    // Writes world and returns the file's bytes.
    std::vector<std::uint8_t> write(GWorldPtr world, const std::string& name) {
        const FSSpec spec{dir.path(), name};
        EXPECT_EQ(save_gworld_as_tk850_exif(world, &spec), noErr);
        return read_bytes(dir.file(name));
    }
};

TEST_F(ExifWriter, LayoutIsTheTemplateThumbnailAndMainImageByteForByte) {
    GWorldPtr g = make_test_image(640, 480, 3);
    const auto file = write(g, "IMAG0001.JPG");
    std::vector<std::uint8_t> main;
    ASSERT_EQ(gworld2jpegptr(g, &main), noErr);
    ASSERT_GT(file.size(), 410u);
    const std::size_t T = u16be(file, 4) - 401;
    EXPECT_EQ(u16le(file, 368), T);
    EXPECT_EQ(file.size(), T + main.size() + 403);
    // The thumbnail is a whole JPEG stream at 404.
    EXPECT_EQ(file[404], 0xFF);
    EXPECT_EQ(file[405], 0xD8);
    EXPECT_EQ(file[402 + T], 0xFF);
    EXPECT_EQ(file[403 + T], 0xD9);
    // Then one 0xFF and the main image from its APP0 on.
    EXPECT_EQ(file[404 + T], 0xFF);
    EXPECT_EQ(file[405 + T], 0xFF);
    EXPECT_EQ(file[406 + T], 0xE0);
    EXPECT_TRUE(std::equal(main.begin() + 2, main.end(), file.begin() + long(405 + T)));
    // The header is the template except the six patched fields.
    for (std::size_t i = 0; i < 404; ++i) {
        const bool patched = (i >= 4 && i < 6) || (i >= 208 && i < 210) || (i >= 220 && i < 222) ||
                             (i >= 240 && i < 280) || (i >= 368 && i < 370);
        if (!patched) {
            ASSERT_EQ(file[i], g_converted_file_header[i]) << i;
        }
    }
    EXPECT_EQ(u16le(file, 208), 640u);
    EXPECT_EQ(u16le(file, 220), 480u);
    const std::string date(file.begin() + 240, file.begin() + 260);
    EXPECT_TRUE(
        std::regex_match(date.substr(0, 19), std::regex(R"(\d{4}:\d\d:\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(date[19], '\0');
    EXPECT_EQ(date, std::string(file.begin() + 260, file.begin() + 280));
    DisposeGWorld(g);
}

TEST_F(ExifWriter, IndependentReadersFindTheExifFieldsThumbnailAndMainImage) {
    const struct { int w, h; } sizes[] = {{640, 480}, {1000, 500}, {500, 1000}, {17, 9}};
    for (const auto& s : sizes) {
        GWorldPtr g = make_test_image(s.w, s.h, 4);
        const std::string name = std::to_string(s.w) + ".jpg", path = dir.file(name);
        const auto file = write(g, name);
        std::istringstream tags(tool_output(
            "exiftool -s3 -n -ExifVersion -DateTimeOriginal -CreateDate -ExifImageWidth "
            "-ExifImageHeight -ThumbnailLength -ThumbnailOffset -FlashpixVersion "
            "-InteropIndex " +
            path));
        std::string version, original_date, original_time, digitized_date, digitized_time;
        unsigned width = 0, height = 0, thumb_length = 0, thumb_offset = 0;
        std::string flashpix, interop;
        tags >> version >> original_date >> original_time >> digitized_date >> digitized_time >>
            width >> height >> thumb_length >> thumb_offset >> flashpix >> interop;
        EXPECT_EQ(version, "0210");
        EXPECT_EQ(original_date + original_time, digitized_date + digitized_time);
        EXPECT_EQ(original_date.size(), 10u);
        EXPECT_EQ(width, unsigned(s.w));
        EXPECT_EQ(height, unsigned(s.h));
        EXPECT_EQ(thumb_length, u16be(file, 4) - 401);
        EXPECT_EQ(thumb_offset, 404u);
        EXPECT_EQ(flashpix, "0100");
        EXPECT_EQ(interop, "R98");
        const std::string thumb = tool_output("exiftool -b -ThumbnailImage " + path);
        ASSERT_EQ(thumb.size(), thumb_length);
        EXPECT_EQ(thumb.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(thumb.substr(thumb.size() - 2), "\xFF\xD9");
        EXPECT_EQ(tool_output("/usr/bin/identify -format '%wx%h %[jpeg:sampling-factor]' " + path),
                  std::to_string(s.w) + "x" + std::to_string(s.h) + " 2x1,1x1,1x1");
        int mw, mh;
        EXPECT_FALSE(magick_pixels(path, &mw, &mh).empty());
        DisposeGWorld(g);
    }
}

// A white source shows where the picture lands on the black thumbnail. Samples keep two
// pixels away from edges, where JPEG rings.
TEST_F(ExifWriter, ThumbnailIsFittedAndCentredOnBlack) {
    const struct {
        int w, h;
        Rect picture;  // top, left, bottom, right in the thumbnail
    } cases[] = {
        {640, 480, {0, 0, 120, 160}},
        {1000, 500, {20, 0, 100, 160}},
        {500, 1000, {0, 50, 120, 110}},
        {40, 40, {0, 20, 120, 140}},  // small sources are enlarged
    };
    for (const auto& c : cases) {
        GWorldPtr g = new_white_world(c.w, c.h);
        const auto file = write(g, "t.jpg");
        const std::size_t T = u16be(file, 4) - 401;
        GWorldPtr thumb = nullptr;
        ASSERT_EQ(ReadJPEGImage(file.data() + 404, T, 1, &thumb), noErr);
        ASSERT_EQ(thumb->width, 160);
        ASSERT_EQ(thumb->height, 120);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const Rect& p = c.picture;
                const bool inside =
                    y >= p.top + 2 && y < p.bottom - 2 && x >= p.left + 2 && x < p.right - 2;
                const bool outside =
                    y < p.top - 2 || y >= p.bottom + 2 || x < p.left - 2 || x >= p.right + 2;
                const int red = int(GetPixelRGB(thumb, x, y) >> 16);
                if (inside) {
                    ASSERT_GE(red, 245) << c.w << "x" << c.h << " at " << x << "," << y;
                }
                if (outside) {
                    ASSERT_LE(red, 10) << c.w << "x" << c.h << " at " << x << "," << y;
                }
            }
        DisposeGWorld(thumb);
        DisposeGWorld(g);
    }
}

TEST_F(ExifWriter, UnwritableOutputReturnsTheFileStatusWithOneAlertAndRestoresThePort) {
    GWorldPtr g = make_test_image(64, 48, 1);
    GWorldPtr port = new_white_world(4, 4);
    SetGWorld(port);
    hooks_record_dialogs(true);
    hooks_clear_record();
    const FSSpec nowhere{dir.file("missing"), "IMAG0001.JPG"};
    EXPECT_NE(save_gworld_as_tk850_exif(g, &nowhere), noErr);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].message, "The output file generation error occurred.");
    CGrafPtr current;
    GetGWorld(&current);
    EXPECT_EQ(current, port);
    hooks_record_dialogs(false);
    SetGWorld(nullptr);
    DisposeGWorld(port);
    DisposeGWorld(g);
}

}  // namespace
