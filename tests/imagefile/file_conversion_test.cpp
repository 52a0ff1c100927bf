// Batch conversion: numbering, canvases, folder runs through the dialog, the stop button,
// the convert button's enabling and the refusals. Every file written is read back by
// exiftool and decoded by ImageMagick.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "app/dialog_utils.h"
#include "imagefile/file_conversion.h"
#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

struct Size {
    int w, h;
    bool operator==(const Size&) const = default;
};

class FileConversion : public ToolboxTest {
  protected:
    TempDir src, dst;

    void SetUp() override {
        ToolboxTest::SetUp();
        init_file_converter();
        // A clock that moves on every reading, so that the progress dialog's pause passes.
        hooks_set_tick_source([] {
            static std::uint32_t t = 0;
            return ++t;
        });
    }

    // A picture file of w x h: BMP, JPEG or PICT by its type.
    static void picture(const std::string& path, int w, int h, OSType type = FOUR_CC("BMPf")) {
        GWorldPtr g = new_white_world(w, h);
        const std::filesystem::path p(path);
        const FSSpec spec{p.parent_path().string(), p.filename().string()};
        ASSERT_EQ(GraphicsExportGWorldToFile(g, type, &spec), noErr) << path;
        DisposeGWorld(g);
    }

    static OSErr convert(const std::string& path, const std::string& folder, bool quiet = false) {
        const std::filesystem::path p(path);
        const FSSpec source{p.parent_path().string(), p.filename().string()};
        const FSSpec destination{folder, ""};
        return do_convert_file(&source, &destination, quiet);
    }

    static void click(std::int16_t item) { hooks_dialog_click(g_file_conversion_dialog_ptr, item); }
    static std::function<void()> choose(std::int16_t item, const std::string& path) {
        return [item, path] {
            hooks_answer_choose_file(path.empty() ? std::vector<std::string>{}
                                                  : std::vector<std::string>{path});
            click(item);
        };
    }

    // Runs the conversion dialog as a user would: whenever it waits with nothing to do, the
    // next action runs; Close is clicked once they are used up. While a conversion runs,
    // during_run is called at each wait instead.
    static void run_dialog(
        std::vector<std::function<void()>> actions, std::function<void()> during_run = [] {}) {
        std::size_t next = 0;
        hooks_on_event_wait([&] {
            if (g_progress)
                during_run();
            else if (next < actions.size())
                actions[next++]();
            else
                click(2);
        });
        do_file_conversion();
        hooks_on_event_wait(nullptr);
        EXPECT_EQ(g_file_conversion_dialog_ptr, nullptr);
        EXPECT_EQ(g_progress, nullptr);
    }

    static std::size_t count(const std::string& folder) {
        return std::size_t(std::distance(std::filesystem::directory_iterator(folder),
                                         std::filesystem::directory_iterator()));
    }

    static std::vector<std::string> alerts() {
        std::vector<std::string> out;
        for (const ShownAlert& a : hooks_alerts()) {
            EXPECT_EQ(a.title, "Sorry, error occured.");
            out.push_back(a.message);
        }
        return out;
    }

    // The size of a written file, which exiftool's EXIF dimensions and ImageMagick's decoding
    // must both give.
    static Size checked(const std::string& path) {
        std::istringstream tags(tool_output(
            "exiftool -T -n -ExifImageWidth -ExifImageHeight -ThumbnailLength -Warning " + path));
        Size exif{}, decoded{};
        int thumb = 0;
        std::string warning;
        tags >> exif.w >> exif.h >> thumb >> warning;
        EXPECT_EQ(warning, "-") << path;
        EXPECT_GT(thumb, 0) << path;
        EXPECT_FALSE(magick_pixels(path, &decoded.w, &decoded.h).empty()) << path;
        EXPECT_EQ(decoded, exif) << path;
        return exif;
    }

    // The numbered files of the folder with their checked sizes.
    static std::map<std::string, Size> outputs(const std::string& folder) {
        std::map<std::string, Size> out;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (name.starts_with("IMAG")) out[name] = checked(e.path().string());
        }
        return out;
    }
};

TEST_F(FileConversion, OutputIsNumberedOnePastTheHighestPresentUpToIMAG9999) {
    const struct {
        std::vector<int> present;
        std::vector<std::string> written;  // by two conversions in a row; "" for a refusal
    } cases[] = {
        {{1, 2, 3, 7}, {"IMAG0008.JPG", "IMAG0009.JPG"}},
        {{}, {"IMAG0001.JPG", "IMAG0002.JPG"}},
        {{9998}, {"IMAG9999.JPG", ""}},
    };
    picture(src.file("p.bmp"), 20, 10);
    for (const auto& c : cases) {
        TempDir folder;
        for (int n : c.present) {
            char name[16];
            std::snprintf(name, sizeof name, "IMAG%04d.JPG", n);
            write_bytes(folder.file(name), {});
        }
        for (const std::string& expected : c.written) {
            hooks_clear_record();
            const std::size_t before = count(folder.path());
            const OSErr err = convert(src.file("p.bmp"), folder.path());
            if (expected.empty()) {
                EXPECT_EQ(err, -1);
                EXPECT_EQ(alerts(),
                          std::vector<std::string>{"File already exists in the output folder."});
                EXPECT_EQ(count(folder.path()), before);
            } else {
                EXPECT_EQ(err, noErr);
                EXPECT_TRUE(alerts().empty());
                EXPECT_EQ(checked(folder.file(expected)), (Size{32, 16})) << expected;
                EXPECT_EQ(count(folder.path()), before + 1);
            }
        }
    }
}

TEST_F(FileConversion, CanvasIsRoundedUpToBlocksOrScaledOntoTheLargestAndCentred) {
    const struct {
        std::int16_t w, h;
        Rect canvas, picture;  // top, left, bottom, right
    } cases[] = {
        {640, 480, {0, 0, 480, 640}, {0, 0, 480, 640}},
        {100, 50, {0, 0, 56, 112}, {3, 6, 53, 106}},
        {1, 1, {0, 0, 8, 16}, {3, 7, 4, 8}},
        {2592, 1944, {0, 0, 1944, 2592}, {0, 0, 1944, 2592}},
        {3000, 2000, {0, 0, 1944, 2592}, {108, 0, 1836, 2592}},
        {2000, 3000, {0, 0, 1944, 2592}, {0, 648, 1944, 1944}},
        {2593, 100, {0, 0, 1944, 2592}, {922, 0, 1021, 2592}},
    };
    for (const auto& c : cases) {
        Rect canvas, place;
        conversion_canvas(c.w, c.h, &canvas, &place);
        EXPECT_TRUE(EqualRect(&canvas, &c.canvas)) << c.w << "x" << c.h;
        EXPECT_TRUE(EqualRect(&place, &c.picture)) << c.w << "x" << c.h;
    }
    // Written: a white picture on black bands, at the canvas's size.
    picture(src.file("w.bmp"), 100, 50);
    ASSERT_EQ(convert(src.file("w.bmp"), dst.path()), noErr);
    ASSERT_EQ(outputs(dst.path()), (std::map<std::string, Size>{{"IMAG0001.JPG", {112, 56}}}));
    GWorldPtr out = nullptr;
    const auto bytes = read_bytes(dst.file("IMAG0001.JPG"));
    ASSERT_EQ(ReadJPEGImage(bytes.data(), bytes.size(), 1, &out), noErr);
    EXPECT_GE(GetPixelRGB(out, 56, 28) & 0xFF, 245u);
    for (const auto& [x, y] : {std::pair{0, 0}, {111, 55}, {1, 28}, {56, 0}})
        EXPECT_LE(GetPixelRGB(out, x, y) & 0xFF, 10u) << x << "," << y;
    DisposeGWorld(out);
}

// The folder is converted into itself: the files written during the run are not taken up.
TEST_F(FileConversion, FolderRunTakesVisibleFilesInByteOrderAndPassesOverOtherKinds) {
    picture(src.file("b.jpg"), 64, 8, FOUR_CC("JPEG"));
    picture(src.file("B2.jpg"), 32, 8, FOUR_CC("JPEG"));
    picture(src.file("a.jpg"), 48, 8, FOUR_CC("PICT"));  // its content decides its kind
    picture(src.file(".hidden.jpg"), 16, 8, FOUR_CC("JPEG"));
    std::filesystem::create_directory(src.file("sub"));
    picture(src.file("sub/inner.jpg"), 16, 8, FOUR_CC("JPEG"));
    ASSERT_EQ(run_tool("/usr/bin/convert -size 8x8 xc:red " + src.file("t.tiff")), 0);
    std::vector<std::string> progress;
    run_dialog({choose(8, src.path()), choose(10, src.path()), [] { click(1); }},
               [&] { progress.push_back(GetDialogItemText(g_progress, 4)); });
    EXPECT_EQ(progress, (std::vector<std::string>{"1 / 4", "2 / 4", "3 / 4", "4 / 4"}));
    EXPECT_EQ(outputs(src.path()), (std::map<std::string, Size>{{"IMAG0001.JPG", {32, 8}},
                                                                {"IMAG0002.JPG", {48, 8}},
                                                                {"IMAG0003.JPG", {64, 8}}}));
    EXPECT_TRUE(alerts().empty());
}

TEST_F(FileConversion, StopButtonEndsAFolderRunAfterTheCurrentFile) {
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp"}) picture(src.file(name), 16, 8);
    std::int32_t clicked_after = 0;
    run_dialog({choose(8, src.path()), choose(10, dst.path()), [] { click(1); }}, [&] {
        if (clicked_after > 0) return;
        clicked_after = g_conveted_files;
        hooks_dialog_click(g_progress, 1);
    });
    EXPECT_EQ(clicked_after, 1);
    EXPECT_EQ(outputs(dst.path()).size(), 1u);
}

// A refusal that holds for every file ends a folder run after one alert; sources that cannot
// be read are told once; nothing is left of a failed file.
TEST_F(FileConversion, FailuresAreToldOnceAndLeaveNoFile) {
    const std::vector<std::uint8_t> corrupt = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10,
                                               'J',  'F',  'I',  'F',  0x00, 0x01,
                                               0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    const struct {
        const char* name;
        const char* only_file;    // converted alone; null: the whole source folder
        const char* destination;  // within the destination folder
        const char* present;      // a numbered file already there, or null
        std::vector<std::string> alerts;
        std::size_t written;
    } cases[] = {
        {"IMAG9999 present",
         nullptr,
         "",
         "IMAG9999.JPG",
         {"File already exists in the output folder."},
         0},
        {"destination gone",
         nullptr,
         "gone",
         nullptr,
         {"Information on the directory is not obtained at the output destination."},
         0},
        {"unreadable in a folder", nullptr, "", nullptr, {"The file was not able to be read."}, 2},
        {"unreadable alone", "c.jpg", "", nullptr, {"The file was not able to be read."}, 0},
        {"other kind alone", "t.tiff", "", nullptr, {"The file was not able to be read."}, 0},
    };
    for (const auto& c : cases) {
        TempDir from, to;
        picture(from.file("a.bmp"), 16, 8);
        picture(from.file("b.bmp"), 16, 8);
        write_bytes(from.file("c.jpg"), corrupt);
        ASSERT_EQ(run_tool("/usr/bin/convert -size 8x8 xc:red " + from.file("t.tiff")), 0);
        if (c.present) write_bytes(to.file(c.present), {0});
        const std::string destination = to.file(c.destination);
        hooks_clear_record();
        if (c.only_file)
            run_dialog(
                {choose(5, from.file(c.only_file)), choose(10, destination), [] { click(1); }});
        else
            run_dialog({choose(8, from.path()), choose(10, destination), [] { click(1); }});
        EXPECT_EQ(alerts(), c.alerts) << c.name;
        EXPECT_EQ(c.present ? count(to.path()) - 1 : outputs(to.path()).size(), c.written)
            << c.name;
    }
}

TEST_F(FileConversion, ConvertButtonNeedsTheDestinationAndTheSourceOfTheMode) {
    picture(src.file("p.bmp"), 16, 8);
    const struct {
        std::function<void()> action;
        bool enabled;        // the convert button afterwards
        std::int16_t radio;  // the radio button that is on afterwards
    } steps[] = {
        {choose(5, src.file("p.bmp")), false, 3},
        {choose(10, dst.path()), true, 3},
        {[] { click(6); }, false, 6},
        {choose(8, src.path()), true, 6},
        {[] { click(3); }, true, 3},
        {choose(10, ""), true, 3},  // a cancelled choice keeps the destination
    };
    std::vector<std::pair<bool, std::int16_t>> seen, expected{{false, 3}};
    const auto look = [&seen] {
        DialogRef d = g_file_conversion_dialog_ptr;
        const std::int16_t radio = GetControlValue(du_get_ctl(d, 3))   ? 3
                                   : GetControlValue(du_get_ctl(d, 6)) ? 6
                                                                       : 0;
        seen.emplace_back(IsControlActive(du_get_ctl(d, 1)), radio);
    };
    // Each state is looked at when the dialog waits again, before the next step.
    std::vector<std::function<void()>> actions;
    for (const auto& s : steps) {
        actions.push_back([&look, &s] {
            look();
            s.action();
        });
        expected.emplace_back(s.enabled, s.radio);
    }
    actions.push_back([&look] {
        look();
        click(2);
    });
    run_dialog(actions);
    EXPECT_EQ(seen, expected);
}

}  // namespace
