// The graphics importer and exporter, and pictures drawn into rectangles of a port.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include "platform/codec_support.h"
#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

// A picture of a w x 1 row of grey levels.
PicHandle grey_row(std::initializer_list<int> levels) {
    GWorldPtr g = new_white_world(int(levels.size()), 1);
    std::uint8_t* p = g->pixels;
    for (int v : levels) {
        p[1] = p[2] = p[3] = std::uint8_t(v);
        p += 4;
    }
    return NewPictureAdopting(g);
}

// The red components of row y of the port, columns [0, w).
std::vector<int> reds(GWorldPtr port, int y, int w) {
    std::vector<int> out;
    for (int x = 0; x < w; ++x) out.push_back(int(GetPixelRGB(port, x, y) >> 16));
    return out;
}

class Pictures : public ::testing::Test {
  protected:
    GWorldPtr port = new_white_world(8, 4);
    void SetUp() override { SetGWorld(port); }
    void TearDown() override {
        SetGWorld(nullptr);
        DisposeGWorld(port);
    }
    std::vector<int> draw_row(PicHandle pic, int width) {
        Rect r;
        SetRect(&r, 0, 0, width, 1);
        DrawPicture(pic, &r);
        KillPicture(pic);
        return reds(port, 0, width);
    }
};

TEST_F(Pictures, ShrinkingAveragesTheCoveredAreaInsteadOfDroppingPixels) {
    EXPECT_EQ(draw_row(grey_row({0, 255, 0, 255, 0, 255, 0, 255}), 4),
              (std::vector<int>{128, 128, 128, 128}));
    // 3 -> 2: each output covers one and a half source pixels.
    EXPECT_EQ(draw_row(grey_row({0, 90, 180}), 2), (std::vector<int>{30, 150}));
}

TEST_F(Pictures, EnlargingInterpolatesAndTheSameSizeCopiesExactly) {
    EXPECT_EQ(draw_row(grey_row({0, 255}), 4), (std::vector<int>{0, 64, 191, 255}));
    EXPECT_EQ(draw_row(grey_row({3, 250, 17, 99, 0, 255, 128, 1}), 8),
              (std::vector<int>{3, 250, 17, 99, 0, 255, 128, 1}));
}

TEST_F(Pictures, DrawingStaysInsideTheClipAndTheBounds) {
    GWorldPtr src = make_test_image(6, 6, 4);
    const auto want = gworld_pixels(src);
    PicHandle pic = NewPictureAdopting(src);
    Rect clip, dst;
    SetRect(&clip, 1, 0, 8, 4);
    ClipRect(&clip);
    SetRect(&dst, -2, -1, 4, 5);  // reaches beyond the top-left corner
    DrawPicture(pic, &dst);
    KillPicture(pic);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x < 4;
            const std::uint32_t expected =
                inside ? want[std::size_t((y + 1) * 6 + x + 2)] : 0xFFFFFF;
            EXPECT_EQ(GetPixelRGB(port, x, y), expected) << x << "," << y;
        }
}

class Importer : public ::testing::Test {
  protected:
    TempDir dir;
    FSSpec spec(const std::string& name) { return FSSpec{dir.path(), name}; }
    GraphicsImportComponent open(const std::string& name) {
        GraphicsImportComponent gi = nullptr;
        const FSSpec s = spec(name);
        EXPECT_EQ(GetGraphicsImporterForFile(&s, &gi), noErr) << name;
        return gi;
    }
};

TEST_F(Importer, ChoosesByContentAndGivesSizeAndPictureOfJpegBmpAndPict) {
    GWorldPtr g = make_test_image(21, 13, 9);
    write_ppm(dir.file("src.ppm"), gworld_pixels(g), 21, 13);
    // Each file is named as if it were of another kind.
    const struct {
        const char* format;  // ImageMagick's output format prefix
        const char* name;
        const char* mime;
        int tolerance;
    } kinds[] = {
        {"-quality 97 JPEG:", "jpeg.bmp", "image/jpeg", 40},
        {"BMP3:", "bmp.pct", "image/x-bmp", 0},
        {"PICT:", "pict.jpg", "image/pict", 0},
    };
    for (const auto& k : kinds) {
        ASSERT_EQ(
            run_tool("/usr/bin/convert " + dir.file("src.ppm") + " " + k.format + dir.file(k.name)),
            0);
        GraphicsImportComponent gi = open(k.name);
        ASSERT_NE(gi, nullptr);
        EXPECT_STREQ(GraphicsImportGetMIMEType(gi), k.mime);
        std::int16_t w = 0, h = 0;
        EXPECT_EQ(GraphicsImportGetImageSize(gi, &w, &h), noErr);
        EXPECT_EQ(w, 21);
        EXPECT_EQ(h, 13);
        for (int round = 0; round < 2; ++round) {  // a second picture decodes again
            PicHandle pic = nullptr;
            ASSERT_EQ(GraphicsImportGetAsPicture(gi, &pic), noErr);
            GWorldPtr port = new_white_world(21, 13);
            SetGWorld(port);
            Rect r;
            SetRect(&r, 0, 0, 21, 13);
            DrawPicture(pic, &r);
            SetGWorld(nullptr);
            EXPECT_LE(max_component_diff(gworld_pixels(port), gworld_pixels(g)), k.tolerance)
                << k.name;
            KillPicture(pic);
            DisposeGWorld(port);
        }
        CloseGraphicsImporter(gi);
    }
    DisposeGWorld(g);
}

TEST_F(Importer, RecognisesTiffGifPngAndPdfButGivesNoPictureOfThem) {
    write_bytes(dir.file("doc"), {'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n'});
    const struct {
        const char* name;
        const char* mime;
    } kinds[] = {{"a.tif", "image/tiff"},
                 {"a.gif", "image/gif"},
                 {"a.png", "image/png"},
                 {"doc", "application/pdf"}};
    for (const auto& k : kinds) {
        if (k.name[0] == 'a') {
            ASSERT_EQ(run_tool("/usr/bin/convert -size 4x4 xc:red " + dir.file(k.name)), 0);
        }
        GraphicsImportComponent gi = open(k.name);
        ASSERT_NE(gi, nullptr);
        EXPECT_STREQ(GraphicsImportGetMIMEType(gi), k.mime);
        PicHandle pic = nullptr;
        EXPECT_EQ(GraphicsImportGetAsPicture(gi, &pic), noCodecErr);
        EXPECT_EQ(pic, nullptr);
        std::int16_t w, h;
        EXPECT_EQ(GraphicsImportGetImageSize(gi, &w, &h), noCodecErr);
        CloseGraphicsImporter(gi);
    }
}

TEST_F(Importer, MissingFilesAndUnknownContentHaveNoImporter) {
    write_bytes(dir.file("notes.jpg"), {'h', 'e', 'l', 'l', 'o'});
    write_bytes(dir.file("empty.bmp"), {});
    GraphicsImportComponent gi = nullptr;
    const struct {
        const char* name;
        OSErr err;
    } cases[] = {{"missing.jpg", fnfErr},
                 {"notes.jpg", noCodecErr},
                 {"empty.bmp", noCodecErr},
                 {"pipe.jpg", fnfErr},
                 {"folder.jpg", fnfErr}};
    // Only regular files are read: a named pipe would block the reader for good.
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.jpg"));
    for (const auto& c : cases) {
        const FSSpec s = spec(c.name);
        EXPECT_EQ(GetGraphicsImporterForFile(&s, &gi), c.err) << c.name;
        EXPECT_EQ(gi, nullptr);
    }
}

TEST_F(Importer, ExporterWritesEachTypeAsAFileOtherReadersAccept) {
    GWorldPtr g = make_test_image(29, 11, 2, 29 * 4 + 20);
    write_ppm(dir.file("src.ppm"), gworld_pixels(g), 29, 11);
    // JPEG is compared with ImageMagick's own encoding of the pixels at quality 90 (which
    // rounds a few components differently).
    ASSERT_EQ(run_tool("/usr/bin/convert " + dir.file("src.ppm") +
                       " -quality 90 -sampling-factor 2x2 " + dir.file("reference.jpg")),
              0);
    int w, h;
    const auto jpeg_reference = magick_pixels(dir.file("reference.jpg"), &w, &h);
    const struct {
        OSType type;
        const char* format;  // ImageMagick's name of the format it finds
        int tolerance;
    } kinds[] = {{FOUR_CC("JPEG"), "JPEG", 8},
                 {FOUR_CC("PICT"), "PICT", 0},
                 {FOUR_CC("BMPf"), "BMP3", 0},
                 {FOUR_CC("BMP "), "BMP3", 0}};
    for (const auto& k : kinds) {
        const FSSpec s = spec("out");
        ASSERT_EQ(GraphicsExportGWorldToFile(g, k.type, &s), noErr) << k.format;
        EXPECT_EQ(tool_output("/usr/bin/identify -format %m " + dir.file("out")), k.format);
        const auto pixels = magick_pixels(dir.file("out"), &w, &h);
        EXPECT_EQ(w, 29);
        const auto& want = k.tolerance ? jpeg_reference : gworld_pixels(g);
        EXPECT_LE(max_component_diff(pixels, want), k.tolerance) << k.format;
    }
    DisposeGWorld(g);
}

TEST_F(Importer, FailedExportLeavesAnExistingFileAsItWasAndSaysWhy) {
    GWorldPtr g = make_test_image(5, 5, 1);
    write_bytes(dir.file("keep"), {1, 2, 3});
    const FSSpec keep = spec("keep");
    EXPECT_EQ(GraphicsExportGWorldToFile(g, FOUR_CC("TIFF"), &keep), paramErr);
    EXPECT_EQ(read_bytes(dir.file("keep")), (std::vector<std::uint8_t>{1, 2, 3}));
    // The write itself fails part way: files may grow to 64 bytes only.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const OSErr err = GraphicsExportGWorldToFile(g, FOUR_CC("BMPf"), &keep);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_NE(err, noErr);
    EXPECT_EQ(read_bytes(dir.file("keep")), (std::vector<std::uint8_t>{1, 2, 3}));
    std::filesystem::create_directory(dir.file("folder.bmp"));
    const struct {
        FSSpec where;
        OSErr err;
        const char* words;
    } cases[] = {{{dir.file("no-such-folder"), "x.bmp"}, fnfErr, "No such file or directory"},
                 {{dir.file("keep"), "x.bmp"}, fnfErr, "No such file or directory"},
                 {spec("folder.bmp"), notAFileErr, "Is a directory"}};
    for (const auto& c : cases) {
        EXPECT_EQ(GraphicsExportGWorldToFile(g, FOUR_CC("BMPf"), &c.where), c.err) << c.words;
        EXPECT_EQ(FileErrorText(c.err), c.words);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "no temporary file is left behind";
    DisposeGWorld(g);
}

// A replaced file keeps its permission bits, owner and group; a new one follows the umask;
// a symbolic link stays a link and its target is replaced in the target's own folder.
TEST_F(Importer, ReplacingAFileKeepsItsModeItsOwnersAndItsLink) {
    namespace fs = std::filesystem;
    GWorldPtr g = make_test_image(5, 5, 1);
    const auto mode = [this](const char* name) {
        struct stat st {};
        ::lstat(dir.file(name).c_str(), &st);
        return st.st_mode & 07777;
    };
    write_bytes(dir.file("private.bmp"), {1});
    ::chmod(dir.file("private.bmp").c_str(), 0600);
    const bool root = ::geteuid() == 0;
    if (root) {  // only a privileged user can give a file away
        ASSERT_EQ(::chown(dir.file("private.bmp").c_str(), 4321, 4322), 0);
    }
    fs::create_directory(dir.file("real"));
    write_bytes(dir.file("real/target.bmp"), {1});
    ::chmod(dir.file("real/target.bmp").c_str(), 0640);
    fs::create_symlink("real/target.bmp", dir.file("link.bmp"));
    const mode_t umask_before = ::umask(027);
    for (const char* name : {"private.bmp", "new.bmp", "link.bmp"}) {
        const FSSpec s = spec(name);
        ASSERT_EQ(GraphicsExportGWorldToFile(g, FOUR_CC("BMPf"), &s), noErr) << name;
    }
    ::umask(umask_before);
    EXPECT_EQ(mode("private.bmp"), 0600u);
    EXPECT_EQ(mode("new.bmp"), 0640u);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("private.bmp").c_str(), &st), 0);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_TRUE(fs::is_symlink(dir.file("link.bmp")));
    EXPECT_EQ(mode("real/target.bmp"), 0640u);
    EXPECT_EQ(read_bytes(dir.file("real/target.bmp")), read_bytes(dir.file("new.bmp")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), {}), 1);
    DisposeGWorld(g);
}

}  // namespace
