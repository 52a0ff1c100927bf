// The graphics importer and exporter: files read by their content, written so that other
// readers accept them, and replaced without loss.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class ImportExport : public ::testing::Test {
  protected:
    TempDir dir;
    GWorldPtr image = make_test_image(29, 11, 2, 29 * 4 + 20);
    void TearDown() override { DisposeGWorld(image); }
    FSSpec spec(const std::string& name) { return FSSpec{dir.path(), name}; }
    OSErr export_to(const std::string& name, OSType type = FOUR_CC("BMPf")) {
        const FSSpec s = spec(name);
        return GraphicsExportGWorldToFile(image, type, &s);
    }
};

// Files named as if they were of another kind are read by their content; only regular
// files are read, since a named pipe would block the reader for good.
TEST_F(ImportExport, ImporterChoosesByContentAndDecodesJpegBmpAndPictOnly) {
    write_ppm(dir.file("src.ppm"), gworld_pixels(image), 29, 11);
    write_bytes(dir.file("doc"), {'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n'});
    write_bytes(dir.file("notes.jpg"), {'h', 'e', 'l', 'l', 'o'});
    write_bytes(dir.file("empty.bmp"), {});
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.jpg"));
    const struct {
        const char* name;
        const char* made;  // ImageMagick's output format and options, or null
        OSErr err;
        const char* mime;
        int tolerance;  // -1: no picture
    } cases[] = {
        {"jpeg.bmp", "-quality 97 JPEG:", noErr, "image/jpeg", 40},
        {"bmp.pct", "BMP3:", noErr, "image/x-bmp", 0},
        {"pict.jpg", "PICT:", noErr, "image/pict", 0},
        {"a.tif", "TIFF:", noErr, "image/tiff", -1},
        {"a.gif", "GIF:", noErr, "image/gif", -1},
        {"a.png", "PNG:", noErr, "image/png", -1},
        {"doc", nullptr, noErr, "application/pdf", -1},
        {"notes.jpg", nullptr, noCodecErr, nullptr, -1},
        {"empty.bmp", nullptr, noCodecErr, nullptr, -1},
        {"missing.jpg", nullptr, fnfErr, nullptr, -1},
        {"pipe.jpg", nullptr, fnfErr, nullptr, -1},
        {"folder.jpg", nullptr, fnfErr, nullptr, -1},
    };
    for (const auto& c : cases) {
        const std::string made = c.made ? std::string(" ") + c.made + dir.file(c.name) : "";
        ASSERT_EQ(c.made ? run_tool("/usr/bin/convert " + dir.file("src.ppm") + made) : 0, 0);
        GraphicsImportComponent gi = nullptr;
        const FSSpec s = spec(c.name);
        ASSERT_EQ(GetGraphicsImporterForFile(&s, &gi), c.err) << c.name;
        if (c.err != noErr) {
            EXPECT_EQ(gi, nullptr);
            continue;
        }
        EXPECT_STREQ(GraphicsImportGetMIMEType(gi), c.mime);
        std::int16_t w = 0, h = 0;
        const OSErr decodes = c.tolerance < 0 ? noCodecErr : noErr;
        EXPECT_EQ(GraphicsImportGetImageSize(gi, &w, &h), decodes) << c.name;
        for (int round = 0; round < 2; ++round) {  // a second picture decodes again
            PicHandle pic = nullptr;
            ASSERT_EQ(GraphicsImportGetAsPicture(gi, &pic), decodes) << c.name;
            if (!pic) break;
            EXPECT_TRUE(w == 29 && h == 11) << c.name;
            GWorldPtr port = new_white_world(29, 11);
            SetGWorld(port);
            Rect r;
            SetRect(&r, 0, 0, 29, 11);
            DrawPicture(pic, &r);
            SetGWorld(nullptr);
            EXPECT_LE(max_component_diff(gworld_pixels(port), gworld_pixels(image)), c.tolerance)
                << c.name;
            KillPicture(pic);
            DisposeGWorld(port);
        }
        CloseGraphicsImporter(gi);
    }
}

TEST_F(ImportExport, ExporterWritesEachTypeAsAFileOtherReadersAccept) {
    write_ppm(dir.file("src.ppm"), gworld_pixels(image), 29, 11);
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
        ASSERT_EQ(export_to("out", k.type), noErr) << k.format;
        EXPECT_EQ(tool_output("/usr/bin/identify -format %m " + dir.file("out")), k.format);
        const auto& want = k.tolerance ? jpeg_reference : gworld_pixels(image);
        EXPECT_LE(max_component_diff(magick_pixels(dir.file("out"), &w, &h), want), k.tolerance)
            << k.format;
    }
}

// An unknown type, a write that fails part way (files may grow to 64 bytes only) and
// places that cannot hold the file leave what was there, say why, and leave no temporary
// file behind.
TEST_F(ImportExport, FailedExportLeavesAnExistingFileAsItWasAndSaysWhy) {
    const std::vector<std::uint8_t> old = {1, 2, 3};
    write_bytes(dir.file("keep"), old);
    EXPECT_EQ(export_to("keep", FOUR_CC("TIFF")), paramErr);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const OSErr err = export_to("keep");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_NE(err, noErr);
    EXPECT_EQ(read_bytes(dir.file("keep")), old);
    fs::create_directory(dir.file("folder.bmp"));
    const struct {
        FSSpec where;
        OSErr err;
        const char* words;
    } cases[] = {{{dir.file("no-such-folder"), "x.bmp"}, fnfErr, "No such file or directory"},
                 {{dir.file("keep"), "x.bmp"}, fnfErr, "No such file or directory"},
                 {spec("folder.bmp"), notAFileErr, "Is a directory"}};
    for (const auto& c : cases) {
        EXPECT_EQ(GraphicsExportGWorldToFile(image, FOUR_CC("BMPf"), &c.where), c.err) << c.words;
        EXPECT_EQ(FileErrorText(c.err), c.words);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

// A replaced file keeps its permission bits, owner and group; a new one follows the umask;
// a symbolic link stays a link and its target is replaced in the target's own folder.
TEST_F(ImportExport, ReplacingAFileKeepsItsModeItsOwnersAndItsLink) {
    const auto mode = [this](const char* name) {
        struct stat st {};
        ::lstat(dir.file(name).c_str(), &st);
        return st.st_mode & 07777;
    };
    write_bytes(dir.file("private.bmp"), {1});
    ::chmod(dir.file("private.bmp").c_str(), 0600);
    const bool root = ::geteuid() == 0;  // only a privileged user can give a file away
    if (root) {
        ASSERT_EQ(::chown(dir.file("private.bmp").c_str(), 4321, 4322), 0);
    }
    fs::create_directory(dir.file("real"));
    write_bytes(dir.file("real/target.bmp"), {1});
    ::chmod(dir.file("real/target.bmp").c_str(), 0640);
    fs::create_symlink("real/target.bmp", dir.file("link.bmp"));
    const mode_t umask_before = ::umask(027);
    for (const char* name : {"private.bmp", "new.bmp", "link.bmp"})
        ASSERT_EQ(export_to(name), noErr) << name;
    ::umask(umask_before);
    EXPECT_EQ(mode("private.bmp"), 0600u);
    EXPECT_EQ(mode("new.bmp"), 0640u);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("private.bmp").c_str(), &st), 0);
    if (root) {
        EXPECT_TRUE(st.st_uid == 4321u && st.st_gid == 4322u);
    }
    EXPECT_TRUE(fs::is_symlink(dir.file("link.bmp")));
    EXPECT_EQ(mode("real/target.bmp"), 0640u);
    EXPECT_EQ(read_bytes(dir.file("real/target.bmp")), read_bytes(dir.file("new.bmp")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), {}), 1);
}

}  // namespace
