// The live monitor window: its sizes, view scale, scroll bars, drawing, dragging and wheel.

#include "monitor/live_monitor.h"

#include <array>
#include <tuple>

#include "app/prefs.h"
#include "camera/capture.h"
#include "imagewin/image_window.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

class LiveMonitor : public LiveTest {
  protected:
    using Bar = std::array<std::int32_t, 3>;  // shown, view size, maximum; all 0 when hidden
    static Bar bar(ControlRef c) {
        return IsControlVisible(c) ? Bar{1, hooks_view_size(c), GetControlMaximum(c)} : Bar{};
    }
    // The live picture's pixel that window pixel (h, v) shows, for the picture drawn `width`
    // wide from (-x, -y).
    static std::uint32_t source_of(int h, int v, int width, int x = 0, int y = 0) {
        return GetPixelRGB(g_lm_off, (h + x) * g_off_width / width, (v + y) * g_off_width / width);
    }
    // Index 8 at size 0: the picture drawn 768 wide, scrolled by the bars.
    static void expect_zoomed_picture() {
        const int x = GetControlValue(g_lm_sc_h), y = GetControlValue(g_lm_sc_v);
        for (const auto& [h, v] : {std::pair{0, 0}, {120, 90}, {240, 176}})
            EXPECT_EQ(shown(h, v), source_of(h, v, 768, x, y)) << h << ", " << v;
    }
    static void zoom_to(int index) {
        pref.lm_ratio = index;
        adjust_lm_win();
        update_lm_window();
    }
};

TEST_F(LiveMonitor, SizeAndActualSizeCommandsSetTheShownWindowAtActualSizeOnceThePictureIsHad) {
    start_live();
    EXPECT_EQ(GetWindowTitle(g_lm_win), "Live Monitor");
    struct Row {
        const char* code;
        bool shown, refused;  // the window shown; the camera refuses the picture
        int size, width, height, ratio, requests;
    };
    // The full size is kept within the 800 x 800 test screen, less room for the frame.
    const Row rows[] = {
        {"LM2 ", true, false, 1, 512, 384, 5, 1},  {"LM3 ", true, false, 2, 792, 768, 5, 1},
        {"LM1 ", true, false, 0, 256, 192, 5, 1},  {"ASIZ", true, false, 0, 256, 192, 5, 0},
        {"LM2 ", false, false, 1, 256, 192, 8, 0}, {"LM3 ", true, true, 2, 256, 192, 8, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        row.shown ? ShowWindow(g_lm_win) : HideWindow(g_lm_win);
        zoom_to(8);
        if (row.refused) simcam_fail_at(2, SimcamFault::refuse);
        simcam_clear_record();
        command(row.code);
        EXPECT_EQ(std::tuple(pref.lm_size, content().right, content().bottom, pref.lm_ratio),
                  std::tuple(row.size, row.width, row.height, row.ratio));
        EXPECT_EQ(IsControlVisible(g_lm_sc_h), row.ratio == 8);
        EXPECT_EQ(simcam_commands().size(), std::size_t(row.requests));
    }
    g_off_width_of_lmwin_setup = 640;  // a picture of another size came meanwhile
    update_lm_window();
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_EQ(content().right, 792);
}

TEST_F(LiveMonitor, BarsRangeTheScaledPictureAndTheZoomStepsWithinTheScaleOrGoToAFrontImage) {
    start_live();
    struct Row {
        int width, height;
        Bar h, v;
    };
    // The picture is 256 x 192 at actual size.
    const Row rows[] = {
        {251, 210, {1, 251, 5}, {}},            // only wider
        {251, 200, {1, 236, 20}, {1, 185, 7}},  // wider, and taller than 200 - 15
        {300, 187, {}, {1, 187, 5}},            // only taller
        {270, 187, {1, 255, 1}, {1, 172, 20}},  // taller, and wider than 270 - 15
        {256, 192, {}, {}},                     // fits exactly
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        SizeWindow(g_lm_win, std::int16_t(row.width), std::int16_t(row.height), false);
        zoom_to(5);
        EXPECT_EQ(bar(g_lm_sc_h), row.h);
        EXPECT_EQ(bar(g_lm_sc_v), row.v);
    }
    Rect h, v;
    GetControlBounds(g_lm_sc_h, &h);
    GetControlBounds(g_lm_sc_v, &v);
    EXPECT_TRUE((h.left == 0 && h.top == 177 && h.right == 242 && h.bottom == 193));
    EXPECT_TRUE((v.left == 241 && v.top == -1 && v.right == 257 && v.bottom == 178));
    // The zoom commands: out past each end, then one step back; an image window in front takes
    // them.
    for (const auto& [from, past, back, to] :
         {std::tuple{0, "ZOUT", "ZIN ", 1}, {11, "ZIN ", "ZOUT", 10}}) {
        pref.lm_ratio = from;
        command(past);
        command(back);
        EXPECT_EQ(pref.lm_ratio, to);
    }
    WindowRef doc = iw_new(100, 80, 5);
    ASSERT_NE(doc, nullptr);
    ShowWindow(doc);
    for (const char* code : {"ZIN ", "ZIN ", "ZOUT"}) command(code);
    EXPECT_EQ(iw_record(doc)->zoom_index, 6);
    EXPECT_EQ(pref.lm_ratio, 10);
}

TEST_F(LiveMonitor, FramesAreDrawnScaledZoomOnTheNextUpdateScrollingAtOnceAndNeverOverTheBars) {
    start_live();
    idle(1);
    for (const auto& [h, v] : {std::pair{0, 0}, {128, 96}, {255, 191}})
        EXPECT_EQ(shown(h, v), source_of(h, v, 256)) << h << ", " << v;
    zoom_to(0);  // 256 x 192 at 1/16: 16 x 12, top left on black
    EXPECT_EQ(shown(16, 0), 0x000000u);
    pref.lm_ratio = 8;
    adjust_lm_win();
    ASSERT_TRUE(IsWindowUpdatePending(g_lm_win));
    SendWindowUpdateEvent(g_lm_win);
    expect_zoomed_picture();
    // A step moves the bar and redraws; the size of steps is the image window's.
    hooks_control_part(g_lm_sc_h, kControlPageDownPart);
    hooks_control_part(g_lm_sc_v, kControlIndicatorPart);
    ASSERT_TRUE(GetControlValue(g_lm_sc_h) && GetControlValue(g_lm_sc_v)) << "both bars moved";
    expect_zoomed_picture();
    EXPECT_EQ(shown(250, 185), 0xFFFFFFu) << "the corner between the bars";
    // A red mark that a redraw must leave alone.
    set_pixel(GetWindowPort(g_lm_win), 100, 180, RGBColor{0xFFFF, 0, 0});
    update_lm_window();
    EXPECT_EQ(shown(100, 180), 0xFF0000u) << "the strip of the bar is left alone";
    HideWindow(g_lm_win);
    set_pixel(GetWindowPort(g_lm_win), 100, 100, RGBColor{0xFFFF, 0, 0});
    update_lm_window();
    EXPECT_EQ(shown(100, 100), 0xFF0000u) << "a hidden window is not drawn";
}

TEST_F(LiveMonitor, DraggingAndTheWheelMoveThePictureByTheShownBarsOnly) {
    start_live();
    zoom_to(8);
    SetControlValue(g_lm_sc_h, 100);
    SetControlValue(g_lm_sc_v, 100);
    press_through(g_lm_win, {{5, 5}, {-5, -15}, {-5, -15}, {0, 15}, {0, 15}});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 105);
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 90);
    expect_zoomed_picture();
    SetControlValue(g_lm_sc_v, 6);
    SetControlValue(g_lm_sc_h, 10);
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    hooks_wheel(g_lm_win, {0, 0, 2, 0, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 9);
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 8);
    expect_zoomed_picture();
    zoom_to(5);
    press_through(g_lm_win, {{5, 5}, {30, 40}, {30, 40}});
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 8) << "both bars hidden: nothing moves";
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 9);
}

}  // namespace
