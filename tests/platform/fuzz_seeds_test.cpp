// Seed files for the fuzz targets of the image readers: small images of every kind each
// reader takes, made by ImageMagick, netpbm and our writers. They are written to the
// folder named by ORVILCAST_FUZZ_SEEDS (tests/fuzz/run sets it), else to a temporary
// folder. Each must be accepted by its reader, JPEG and bitmap seeds must give the pixels
// ImageMagick reads from them, and every cut-short copy of a seed must be refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

OSErr read_jpeg(const std::uint8_t* data, std::size_t size, GWorldPtr* out) {
    return ReadJPEGImage(data, size, 1, out);
}

TEST(FuzzSeeds, EverySeedIsAnImageItsReaderAcceptsWholeAndRefusesCutShort) {
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

    const struct {
        const char* file;
        const char* command;  // ImageMagick's options and output prefix
    } made[] = {
        {"jpeg/baseline.jpg", "-quality 80 JPEG:"},
        {"jpeg/h2v1.jpg", "-sampling-factor 2x1 -quality 80 JPEG:"},
        {"jpeg/progressive.jpg", "-interlace Plane JPEG:"},
        {"jpeg/grey.jpg", "-colorspace Gray JPEG:"},
        {"jpeg/cmyk.jpg", "-colorspace CMYK JPEG:"},
        {"bmp/b1.bmp", "-type palette -colors 2 BMP3:"},
        {"bmp/b4.bmp", "-type palette -colors 16 -compress none BMP3:"},
        {"bmp/b8.bmp", "-type palette -compress none BMP3:"},
        {"bmp/rle8.bmp", "-type palette -compress RLE BMP3:"},
        {"bmp/b16.bmp", "-define bmp:subtype=RGB565 BMP:"},
        {"bmp/b16_555.bmp", "-define bmp:subtype=RGB555 BMP:"},
        {"bmp/b32.bmp", "-alpha on BMP:"},
        {"bmp/core.bmp", "BMP2:"},
        {"pict/direct.pct", "PICT:"},
        {"pict/palette.pct", "-type palette PICT:"},
        {"pict/jpeg.pct", "-compress JPEG PICT:"},
    };
    for (const auto& m : made)
        ASSERT_EQ(run_tool("/usr/bin/convert " + few + " " + m.command + root + "/" + m.file), 0)
            << m.file;
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
    DisposeGWorld(g);

    const struct {
        const char* folder;
        OSErr (*read)(const std::uint8_t*, std::size_t, GWorldPtr*);
    } readers[] = {{"jpeg", read_jpeg}, {"bmp", ReadBMPImage}, {"pict", ReadPICTImage}};
    int seeds = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        const auto data = read_bytes(path);
        const std::string folder = entry.path().parent_path().filename().string();
        for (const auto& r : readers) {
            if (folder != r.folder) continue;
            GWorldPtr image = nullptr;
            ASSERT_EQ(r.read(data.data(), data.size(), &image), noErr) << path;
            if (folder != "pict") {
                // CMYK converts back with rounding; 5 and 6-bit components expand a step apart.
                const int tolerance = entry.path().stem() == "cmyk" ? 3 : 1;
                int w, h;
                const auto want = magick_pixels(path, &w, &h);
                EXPECT_EQ(image->width, w) << path;
                EXPECT_LE(max_component_diff(gworld_pixels(image), want), tolerance) << path;
            }
            DisposeGWorld(image);
            // What may go missing at the end unnoticed: a bitmap's end code, a JPEG end marker.
            for (std::size_t cut = 0; cut + 2 < data.size(); cut += 3) {
                GWorldPtr part = nullptr;
                EXPECT_NE(r.read(data.data(), cut, &part), noErr) << path << " cut at " << cut;
                EXPECT_EQ(part, nullptr);
            }
            ++seeds;
        }
    }
    EXPECT_EQ(seeds, 21);
}

}  // namespace
