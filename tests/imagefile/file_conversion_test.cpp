// Batch conversion: numbering, canvases, folder runs through the dialog, the stop button,
// the convert button's enabling and the refusals. Every file written is decoded by ImageMagick.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "app/dialog_utils.h"
#include "imagefile/file_conversion.h"
#include "platform/codecs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

using Size = std::pair<int, int>;  // width, height
using Action = std::function<void()>;

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

    // A white picture file of w x h: BMP, JPEG or PICT by its type.
    static void picture(const std::string& path, int w, int h, OSType type = FOUR_CC("BMPf")) {
        GWorldPtr g = new_white_world(w, h);
        const std::filesystem::path p(path);
        const FSSpec spec{p.parent_path().string(), p.filename().string()};
        ASSERT_EQ(GraphicsExportGWorldToFile(g, type, &spec), noErr) << path;
        DisposeGWorld(g);
    }
    // A file of a picture kind that is not converted.
    static void tiff(const std::string& path) { write_bytes(path, {'I', 'I', '*', 0, 8, 0, 0, 0}); }

    static void click(std::int16_t item) { hooks_dialog_click(g_file_conversion_dialog_ptr, item); }
    // Chooses the file or folder (none: cancels) with the dialog's button item.
    static Action choose(std::int16_t item, const std::string& path) {
        return [item, path] {
            hooks_answer_choose_file(path.empty() ? std::vector<std::string>{} : std::vector{path});
            click(item);
        };
    }
    // A folder run (or with a file, a single one) of source into destination.
    static std::vector<Action> run(const std::string& source, const std::string& destination,
                                   bool file = false) {
        return {choose(file ? 5 : 8, source), choose(10, destination), [] { click(1); }};
    }

    // Runs the conversion dialog as a user would: whenever it waits with nothing to do, the
    // next action runs; Close is clicked once they are used up. While a conversion runs,
    // during_run is called at each wait instead.
    static void run_dialog(
        const std::vector<Action>& actions, const Action& during_run = [] {}) {
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

    // The numbered files of the folder with their sizes as ImageMagick decodes them (0 x 0: not
    // a picture). Their EXIF fields are the EXIF writer's, read back by exiftool in its tests.
    static std::map<std::string, Size> outputs(const std::string& folder) {
        std::map<std::string, Size> out;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (name.starts_with("IMAG"))
                magick_pixels(e.path(), &out[name].first, &out[name].second);
        }
        return out;
    }
};

TEST_F(FileConversion, OutputIsNumberedOnePastTheHighestPresentUpToIMAG9999) {
    // The numbers present, and those written by two conversions in a row: none past 9999.
    const std::pair<std::vector<int>, std::vector<int>> cases[] = {
        {{1, 2, 3, 7}, {8, 9}}, {{}, {1, 2}}, {{9998}, {9999}}};
    const auto name = [](int n) { return "IMAG" + std::to_string(10000 + n).substr(1) + ".JPG"; };
    picture(src.file("p.bmp"), 20, 10);
    const FSSpec source{src.path(), "p.bmp"};
    for (const auto& [present, written] : cases) {
        TempDir folder;
        const FSSpec destination{folder.path(), ""};
        std::map<std::string, Size> expected;
        for (int n : present) {
            write_bytes(folder.file(name(n)), {});
            expected[name(n)] = {0, 0};
        }
        for (int n : written) expected[name(n)] = {32, 16};
        hooks_clear_record();
        EXPECT_EQ(do_convert_file(&source, &destination, false), noErr);
        EXPECT_EQ(do_convert_file(&source, &destination, false), written.size() == 2 ? noErr : -1);
        EXPECT_EQ(outputs(folder.path()), expected);
        EXPECT_EQ(hooks_alerts().size(), 2 - written.size());
    }
}

TEST_F(FileConversion, CanvasIsRoundedUpToBlocksOrScaledOntoTheLargestAndCentred) {
    // The picture's size, the canvas and the picture's place on it (top, left, bottom, right).
    const std::tuple<std::int16_t, std::int16_t, Rect, Rect> cases[] = {
        {1, 1, {0, 0, 8, 16}, {3, 7, 4, 8}},
        {2592, 1944, {0, 0, 1944, 2592}, {0, 0, 1944, 2592}},
        {2000, 3000, {0, 0, 1944, 2592}, {0, 648, 1944, 1944}},
        {2593, 100, {0, 0, 1944, 2592}, {922, 0, 1021, 2592}}};
    for (const auto& [w, h, expected_canvas, expected_place] : cases) {
        Rect canvas, place;
        conversion_canvas(w, h, &canvas, &place);
        EXPECT_TRUE(EqualRect(&canvas, &expected_canvas) && EqualRect(&place, &expected_place))
            << w << "x" << h;
    }
    // Written: a white picture on black bands, at the canvas's size.
    picture(src.file("w.bmp"), 100, 50);
    run_dialog(run(src.file("w.bmp"), dst.path(), true));
    ASSERT_EQ(outputs(dst.path()), (std::map<std::string, Size>{{"IMAG0001.JPG", {112, 56}}}));
    int w = 0, h = 0;
    const auto out = magick_pixels(dst.file("IMAG0001.JPG"), &w, &h);
    EXPECT_GE(out[28 * 112 + 56] & 0xFF, 245u);
    for (const auto& [x, y] : {std::pair{0, 0}, {111, 55}, {1, 28}, {56, 0}})
        EXPECT_LE(out[std::size_t(y * 112 + x)] & 0xFF, 10u) << x << "," << y;
}

// The folder is converted into itself: the files written during the run are not taken up.
TEST_F(FileConversion, FolderRunTakesVisibleFilesInByteOrderAndPassesOverOtherKinds) {
    picture(src.file("b.jpg"), 64, 8, FOUR_CC("JPEG"));
    picture(src.file("B2.jpg"), 32, 8, FOUR_CC("JPEG"));
    picture(src.file("a.jpg"), 48, 8, FOUR_CC("PICT"));  // its content decides its kind
    picture(src.file(".hidden.jpg"), 16, 8, FOUR_CC("JPEG"));
    std::filesystem::create_directory(src.file("sub"));
    picture(src.file("sub/inner.jpg"), 16, 8, FOUR_CC("JPEG"));
    tiff(src.file("t.tiff"));
    std::vector<std::string> progress;
    run_dialog(run(src.path(), src.path()),
               [&] { progress.push_back(GetDialogItemText(g_progress, 4)); });
    EXPECT_EQ(progress, (std::vector<std::string>{"1 / 4", "2 / 4", "3 / 4", "4 / 4"}));
    EXPECT_EQ(outputs(src.path()), (std::map<std::string, Size>{{"IMAG0001.JPG", {32, 8}},
                                                                {"IMAG0002.JPG", {48, 8}},
                                                                {"IMAG0003.JPG", {64, 8}}}));
    EXPECT_TRUE(hooks_alerts().empty());
}

TEST_F(FileConversion, StopButtonEndsAFolderRunAfterTheCurrentFile) {
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp"}) picture(src.file(name), 16, 8);
    std::int32_t clicked_after = 0;
    run_dialog(run(src.path(), dst.path()), [&] {
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
    const char* const unreadable = "The file was not able to be read.";
    // The file converted alone (null: the whole source folder), the destination within the
    // destination folder, whether IMAG9999.JPG is there already, the alert, and the numbered
    // files in the destination afterwards.
    const std::tuple<const char*, const char*, bool, const char*, std::size_t> cases[] = {
        {nullptr, "", true, "File already exists in the output folder.", 1},
        {nullptr, "gone", false,
         "Information on the directory is not obtained at the output destination.", 0},
        {nullptr, "", false, unreadable, 2},
        {"c.jpg", "", false, unreadable, 0},
        {"t.tiff", "", false, unreadable, 0}};
    for (const auto& [only_file, destination, full, alert, numbered] : cases) {
        TempDir from, to;
        picture(from.file("a.bmp"), 16, 8);
        picture(from.file("b.bmp"), 16, 8);
        write_bytes(from.file("c.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
        tiff(from.file("t.tiff"));
        if (full) write_bytes(to.file("IMAG9999.JPG"), {0});
        hooks_clear_record();
        run_dialog(only_file ? run(from.file(only_file), to.file(destination), true)
                             : run(from.path(), to.file(destination)));
        ASSERT_EQ(hooks_alerts().size(), 1u) << alert;
        EXPECT_EQ(hooks_alerts()[0].message, alert);
        EXPECT_EQ(outputs(to.path()).size(), numbered) << alert;
    }
}

TEST_F(FileConversion, ConvertButtonNeedsTheDestinationAndTheSourceOfTheMode) {
    picture(src.file("p.bmp"), 16, 8);
    // A step, whether the convert button is enabled afterwards and the radio button then on;
    // the last, a cancelled choice, keeps the destination.
    const std::tuple<Action, bool, std::int16_t> steps[] = {
        {[] {}, false, 3},
        {choose(5, src.file("p.bmp")), false, 3},
        {choose(10, dst.path()), true, 3},
        {[] { click(6); }, false, 6},
        {choose(8, src.path()), true, 6},
        {[] { click(3); }, true, 3},
        {choose(10, ""), true, 3}};
    // Each state is looked at when the dialog waits again, as the next step begins; an idle
    // wait would take real time.
    std::vector<Action> actions;
    for (std::size_t i = 0; i <= std::size(steps); ++i)
        actions.push_back([&, i] {
            if (i > 0) {
                const auto& [step, enabled, radio] = steps[i - 1];
                DialogRef d = g_file_conversion_dialog_ptr;
                EXPECT_EQ(IsControlActive(du_get_ctl(d, 1)), enabled) << i;
                EXPECT_EQ(GetControlValue(du_get_ctl(d, radio)), 1);
                EXPECT_EQ(GetControlValue(du_get_ctl(d, std::int16_t(9 - radio))), 0);
            }
            i < std::size(steps) ? std::get<0>(steps[i])() : click(2);
        });
    run_dialog(actions);
}

}  // namespace
