// Seed files for the fuzz targets of the image readers: small images of every kind each
// reader takes, made by ImageMagick, netpbm and our writers. They are written to the
// folder named by ORVILCAST_FUZZ_SEEDS (tests/fuzz/run sets it), else to a temporary
// folder. Each must be read with the pixels it holds, and every cut-short copy refused; copies
// with hostile headers, kept as seeds too, must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

OSErr read_jpeg(const std::uint8_t* data, std::size_t size, GWorldPtr* out) {
    return ReadJPEGImage(data, size, 1, out);
}

// Where a seed's expected pixels come from.
enum class Want {
    itself,  // ImageMagick's reading of the seed
    source,  // the 12-colour picture it was made from (ImageMagick reads its palette
             // pictures one step off)
    ours,    // the picture our writers wrote
};

TEST(FuzzSeeds, EverySeedIsReadWithItsPixelsAndRefusedCutShortOrWithAHostileHeader) {
    TempDir tmp;
    const char* wanted = std::getenv("ORVILCAST_FUZZ_SEEDS");
    const std::string root = wanted ? wanted : tmp.file("seeds");
    for (const char* sub : {"jpeg", "bmp", "pict"})
        std::filesystem::create_directories(root + "/" + sub);
    // An odd width pads the rows of every depth.
    GWorldPtr g = make_test_image(13, 7, 1);
    const std::string ppm = tmp.file("src.ppm"), few = tmp.file("few.ppm");
    write_ppm(ppm, gworld_pixels(g), 13, 7);
    ASSERT_EQ(run_tool("/usr/bin/convert " + ppm + " -colors 12 " + few), 0);
    const std::string netpbm = tool_output("ppmtopict " + few);
    write_bytes(root + "/pict/netpbm.pict",
                std::vector<std::uint8_t>(netpbm.begin(), netpbm.end()));
    std::vector<std::uint8_t> bytes;
    const JPEGEncodeOptions options = {75, true, 1, 0, 0};
    ASSERT_EQ(CompressJPEGImage(g, &options, &bytes), noErr);
    write_bytes(root + "/jpeg/ours.jpg", bytes);
    ASSERT_EQ(WriteBMPImage(g, &bytes), noErr);
    write_bytes(root + "/bmp/ours.bmp", bytes);
    ASSERT_EQ(WritePICTImage(g, &bytes), noErr);
    write_bytes(root + "/pict/ours.pct", bytes);
    write_bytes(root + "/pict/ours-bare.pct",
                std::vector<std::uint8_t>(bytes.begin() + 512, bytes.end()));
    int w, h;
    const auto source = magick_pixels(few, &w, &h), written = gworld_pixels(g);
    DisposeGWorld(g);

    const struct {
        const char* file;
        const char* made;  // ImageMagick's options and output prefix; null: made above
        Want want;
        int tolerance;
    } seeds[] = {
        // CMYK converts back with rounding; 5 and 6-bit components a step apart
        {"jpeg/baseline.jpg", "-quality 80 JPEG:", Want::itself, 1},
        {"jpeg/h2v1.jpg", "-sampling-factor 2x1 -quality 80 JPEG:", Want::itself, 1},
        {"jpeg/progressive.jpg", "-interlace Plane JPEG:", Want::itself, 1},
        {"jpeg/grey.jpg", "-colorspace Gray JPEG:", Want::itself, 1},
        {"jpeg/cmyk.jpg", "-colorspace CMYK JPEG:", Want::itself, 3},
        {"jpeg/ours.jpg", nullptr, Want::itself, 1},
        {"bmp/b1.bmp", "-type palette -colors 2 BMP3:", Want::itself, 0},
        {"bmp/b4.bmp", "-type palette -colors 16 -compress none BMP3:", Want::itself, 0},
        {"bmp/b8.bmp", "-type palette -compress none BMP3:", Want::itself, 0},
        {"bmp/rle8.bmp", "-type palette -compress RLE BMP3:", Want::itself, 0},
        {"bmp/b16.bmp", "-define bmp:subtype=RGB565 BMP:", Want::itself, 1},
        {"bmp/b16_555.bmp", "-define bmp:subtype=RGB555 BMP:", Want::itself, 1},
        {"bmp/b32.bmp", "-alpha on BMP:", Want::itself, 0},
        {"bmp/core.bmp", "BMP2:", Want::itself, 0},
        {"bmp/ours.bmp", nullptr, Want::ours, 0},
        {"pict/direct.pct", "PICT:", Want::source, 0},
        // Rows shorter than 8 bytes, which ImageMagick packs all the same.
        {"pict/one-wide.pct", "-crop 1x7+0+0 +repage PICT:", Want::source, 0},
        {"pict/palette.pct", "-type palette PICT:", Want::source, 0},
        {"pict/jpeg.pct", "-compress JPEG PICT:", Want::source, 48},
        {"pict/netpbm.pict", nullptr, Want::source, 0},
        {"pict/ours.pct", nullptr, Want::ours, 0},
        {"pict/ours-bare.pct", nullptr, Want::ours, 0},
    };
    const auto reader_of = [](const std::string& file) {
        return file[0] == 'j' ? read_jpeg : file[0] == 'b' ? ReadBMPImage : ReadPICTImage;
    };
    for (const auto& s : seeds) {
        const std::string path = root + "/" + s.file;
        if (s.made) {
            ASSERT_EQ(run_tool("/usr/bin/convert " + few + " " + s.made + path), 0) << path;
        }
        const auto data = read_bytes(path);
        const auto read = reader_of(s.file);
        GWorldPtr image = nullptr;
        ASSERT_EQ(read(data.data(), data.size(), &image), noErr) << path;
        auto want = s.want == Want::itself   ? magick_pixels(path, &w, &h)
                    : s.want == Want::source ? source
                                             : written;
        if (image->width == 1) {  // the source's first column
            for (std::size_t y = 0; y < 7; ++y) want[y] = want[y * 13];
            want.resize(7);
        }
        EXPECT_LE(max_component_diff(gworld_pixels(image), want), s.tolerance) << path;
        DisposeGWorld(image);
        // What may go missing at the end unnoticed: a bitmap's end code, a JPEG end marker.
        for (std::size_t cut = 0; cut + 2 < data.size(); cut += 3) {
            GWorldPtr part = nullptr;
            EXPECT_NE(read(data.data(), cut, &part), noErr) << path << " cut at " << cut;
            EXPECT_EQ(part, nullptr);
        }
    }

    // Hostile headers, made from the seeds above and kept as seeds of their own.
    const auto le = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8),
                                         std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    };
    const auto quicktime = read_bytes(root + "/pict/jpeg.pct");
    const std::uint8_t idsc[] = {0, 0, 0, 0x56, 'j', 'p', 'e', 'g'};
    const std::size_t description = std::size_t(
        std::search(quicktime.begin(), quicktime.end(), idsc, idsc + 8) - quicktime.begin());
    const struct {
        const char* from;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
        const char* file;
    } hostile[] = {
        {"bmp/ours.bmp", 18, le(0), "bmp/zero-width.bmp"},
        {"bmp/ours.bmp", 22, le(0), "bmp/zero-height.bmp"},
        {"bmp/ours.bmp", 18, le(0x7FFFFFFF), "bmp/huge-width.bmp"},
        {"bmp/ours.bmp", 22, le(0x80000000), "bmp/most-negative-height.bmp"},
        {"bmp/ours.bmp", 18, le(30000), "bmp/rows-beyond-the-data.bmp"},
        {"bmp/ours.bmp", 10, le(0xFFFFFFF0), "bmp/pixels-beyond-the-end.bmp"},
        {"bmp/ours.bmp", 14, le(41), "bmp/header-size.bmp"},
        {"bmp/ours.bmp", 28, le(7), "bmp/bits-a-pixel.bmp"},
        {"pict/ours.pct", 514, {0x7F, 0xFF, 0x7F, 0xFF, 0, 0, 0, 0}, "pict/empty-frame.pct"},
        {"pict/ours.pct", 514, {0, 0, 0, 0, 0x7F, 0xFF, 0x7F, 0xFF}, "pict/huge-frame.pct"},
        {"pict/ours.pct", 572, {0, 0, 0, 0, 0x7F, 0xFF, 0x7F, 0xFF}, "pict/huge-bounds.pct"},
        {"pict/ours.pct", 572, {0, 0, 0, 0, 0, 0, 0, 0}, "pict/empty-bounds.pct"},
        {"pict/ours.pct", 598, {0, 24}, "pict/pixel-size.pct"},
        {"pict/ours.pct", 564, {0x00, 0xFF}, "pict/nothing-drawn.pct"},
        {"pict/ours.pct", 564, {0x00, 0xA1, 0, 0, 0xFF, 0xFF}, "pict/comment-too-long.pct"},
        {"pict/jpeg.pct", description + 3, {0x20}, "pict/short-image-description.pct"},
    };
    for (const auto& p : hostile) {
        auto data = read_bytes(root + "/" + p.from);
        ASSERT_LE(p.at + p.bytes.size(), data.size()) << p.file;
        std::copy(p.bytes.begin(), p.bytes.end(), data.begin() + long(p.at));
        write_bytes(root + "/" + p.file, data);
        GWorldPtr image = nullptr;
        EXPECT_EQ(reader_of(p.file)(data.data(), data.size(), &image), codecErr) << p.file;
        EXPECT_EQ(image, nullptr);
    }
}

}  // namespace
