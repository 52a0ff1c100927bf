// The EXIF JPEG file writer and the JPEG encoding under it: the layout byte for byte, the
// encoder's fixed parameters, the thumbnail, read back by exiftool and ImageMagick.
#include <regex>
#include <tuple>

#include "imagefile/exif_writer.h"
#include "imagefile/jpeg_encode.h"
#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

unsigned u16be(const std::vector<std::uint8_t>& b, std::size_t at) {
    return unsigned(b[at]) << 8 | b[at + 1];
}

class ExifWriter : public ToolboxTest {
  protected:
    TempDir dir;
    // Writes world and returns the file's bytes.
    std::vector<std::uint8_t> write(GWorldPtr world, const std::string& name) {
        const FSSpec spec{dir.path(), name};
        EXPECT_EQ(save_gworld_as_tk850_exif(world, &spec), noErr);
        return read_bytes(dir.file(name));
    }
};

// The header is the template but for its patched fields (the APP1 length, the width and
// height, two dates, the thumbnail's length); the thumbnail follows as a whole JPEG stream
// at 404, then one 0xFF and the main image from its APP0 on.
TEST_F(ExifWriter, FileIsTheTemplateWithItsFieldsThenTheThumbnailAndTheMainImage) {
    // Neither side a whole number of the encoder's 16 x 8 blocks.
    GWorldPtr g = make_test_image(1000, 500, 3);
    const auto file = write(g, "e.jpg");
    const std::string path = dir.file("e.jpg");
    std::vector<std::uint8_t> main;
    ASSERT_EQ(gworld2jpegptr(g, &main), noErr);
    DisposeGWorld(g);
    ASSERT_GT(file.size(), 410u);
    const std::size_t T = u16be(file, 4) - 401;
    EXPECT_EQ(file.size(), T + main.size() + 403);
    EXPECT_EQ(u16be(file, 404), 0xFFD8u);
    EXPECT_EQ(u16be(file, 402 + T), 0xFFD9u);
    EXPECT_EQ(file[404 + T], 0xFF);
    EXPECT_TRUE(std::equal(main.begin() + 2, main.end(), file.begin() + long(405 + T)));
    for (std::size_t i = 0; i < 404; ++i) {
        const bool patched = (i >= 4 && i < 6) || (i >= 208 && i < 210) || (i >= 220 && i < 222) ||
                             (i >= 240 && i < 280) || (i >= 368 && i < 370);
        ASSERT_TRUE(patched || file[i] == g_converted_file_header[i]) << i;
    }
    const std::string date(file.begin() + 240, file.begin() + 259);
    EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{4}:\d\d:\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(
        tool_output("exiftool -s3 -n -ExifVersion -DateTimeOriginal -CreateDate "
                    "-ExifImageWidth -ExifImageHeight -ThumbnailLength "
                    "-ThumbnailOffset -FlashpixVersion -InteropIndex " +
                    path),
        "0210\n" + date + "\n" + date + "\n1000\n500\n" + std::to_string(T) + "\n404\n0100\nR98\n");
    // The main image: quality 75, luminance sampled 2 x 1, density unit dpi, densities 0.
    EXPECT_EQ(tool_output("/usr/bin/identify -format '%wx%h %Q %[jpeg:sampling-factor]' " + path),
              "1000x500 75 2x1,1x1,1x1");
    EXPECT_EQ(std::vector<std::uint8_t>(main.begin() + 13, main.begin() + 18),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 0}));
}

// A white source shows where the picture lands on the black thumbnail; the fitting's own
// arithmetic is checked with the rectangles.
TEST_F(ExifWriter, ThumbnailIsTheSourceFittedAndCentredOnBlack) {
    GWorldPtr g = new_white_world(1000, 500);
    const auto file = write(g, "t.jpg");
    DisposeGWorld(g);
    GWorldPtr thumb = nullptr;
    ASSERT_EQ(ReadJPEGImage(file.data() + 404, u16be(file, 4) - 401, 1, &thumb), noErr);
    ASSERT_TRUE(thumb->width == 160 && thumb->height == 120);
    // Rows 20 to 99 hold the picture; samples keep two pixels from its edges, where JPEG rings.
    for (const auto& [x, y, white] :
         {std::tuple{2, 22, true}, {157, 97, true}, {80, 17, false}, {80, 102, false}})
        EXPECT_EQ(GetPixelRGB(thumb, x, y) >> 16 > 128, white) << x << "," << y;
    DisposeGWorld(thumb);
}

TEST_F(ExifWriter, UnwritableOutputReturnsTheFileStatusWithOneAlertAndRestoresThePort) {
    GWorldPtr g = make_test_image(64, 48, 1), port = new_white_world(4, 4);
    SetGWorld(port);
    const FSSpec nowhere{dir.file("missing"), "IMAG0001.JPG"};
    EXPECT_NE(save_gworld_as_tk850_exif(g, &nowhere), noErr);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].message, "The output file generation error occurred.");
    CGrafPtr current;
    GetGWorld(&current);
    EXPECT_EQ(current, port);
    SetGWorld(nullptr);
    DisposeGWorld(port);
    DisposeGWorld(g);
}

}  // namespace
