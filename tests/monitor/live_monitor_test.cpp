// The live monitor window: its sizes, view scale, scroll bars, drawing, dragging and wheel.

#include "monitor/live_monitor.h"

#include <vector>

#include "app/prefs.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "imagewin/image_window.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

class LiveMonitor : public LiveTest {
  protected:
    struct Bar {
        bool shown;
        std::int32_t view, maximum;
        bool operator==(const Bar&) const = default;
    };
    static Bar bar(ControlRef c) {
        if (!IsControlVisible(c)) return {};
        return {true, hooks_view_size(c), GetControlMaximum(c)};
    }
    // The live picture's pixel that a window pixel shows, for the picture drawn into dst.
    static std::uint32_t source_of(int h, int v, const Rect& dst) {
        const int sx = (h - dst.left) * g_off_width / (dst.right - dst.left);
        const int sy = (v - dst.top) * g_off_height / (dst.bottom - dst.top);
        return GetPixelRGB(g_lm_off, sx, sy);
    }
    // Index 8 at size 0: the picture drawn 768 x 576, scrolled by the bars.
    static Rect zoomed_dst() {
        Rect dst;
        SetRect(&dst, 0, 0, 768, 576);
        OffsetRect(&dst, -GetControlValue(g_lm_sc_h), -GetControlValue(g_lm_sc_v));
        return dst;
    }
    static void expect_zoomed_picture() {
        for (const auto& [h, v] : {std::pair{0, 0}, {120, 90}, {240, 176}})
            EXPECT_EQ(shown(h, v), source_of(h, v, zoomed_dst())) << h << ", " << v;
    }
    static void zoom_to(int index) {
        pref.lm_ratio = index;
        adjust_lm_win();
        update_lm_window();
    }
    // Drags in the live window from (5, 5) of its content through the given points.
    static void drag(std::initializer_list<std::pair<int, int>> through) {
        const Point o = GetWindowContentOrigin(g_lm_win);
        auto at = [o](int h, int v) { return Point{std::int16_t(o.v + v), std::int16_t(o.h + h)}; };
        std::vector<MouseState> script{{at(5, 5), true}};
        for (const auto& [h, v] : through) script.push_back({at(h, v), true});
        script.back().down = false;
        hooks_script_mouse(script);
        hooks_click_window(g_lm_win);
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
        SCOPED_TRACE(std::string(row.code) + (row.shown ? "" : " hidden") +
                     (row.refused ? " refused" : ""));
        row.shown ? ShowWindow(g_lm_win) : HideWindow(g_lm_win);
        zoom_to(8);
        if (row.refused) simcam_fail_at(2, SimcamFault::refuse);
        simcam_clear_record();
        command(row.code);
        EXPECT_EQ(pref.lm_size, row.size);
        EXPECT_EQ(content().right, row.width);
        EXPECT_EQ(content().bottom, row.height);
        EXPECT_EQ(pref.lm_ratio, row.ratio);
        EXPECT_EQ(IsControlVisible(g_lm_sc_h), row.ratio == 8);
        EXPECT_EQ(simcam_commands().size(), std::size_t(row.requests));
    }
    g_off_width_of_lmwin_setup = 640;  // a picture of another size came meanwhile
    update_lm_window();
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_EQ(content().right, 792);
}

TEST_F(LiveMonitor, BarsRangeTheScaledPictureAndOneBarBringsTheOtherWhenItsRoomIsTaken) {
    start_live();
    struct Row {
        int width, height;
        Bar h, v;
    };
    // The picture is 256 x 192 at actual size.
    const Row rows[] = {
        {251, 210, {true, 251, 5}, {}},               // only wider
        {251, 200, {true, 236, 20}, {true, 185, 7}},  // wider, and taller than 200 - 15
        {300, 187, {}, {true, 187, 5}},               // only taller
        {270, 187, {true, 255, 1}, {true, 172, 20}},  // taller, and wider than 270 - 15
        {256, 192, {}, {}},                           // fits exactly
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
}

TEST_F(LiveMonitor, ZoomStepsWithinTheScaleAndAFrontImageWindowTakesIt) {
    start_live();
    const auto step = [](int from, const char* code) {
        pref.lm_ratio = from;
        command(code);
        return pref.lm_ratio;
    };
    EXPECT_EQ(step(0, "ZOUT"), 0);
    EXPECT_EQ(step(0, "ZIN "), 1);
    EXPECT_EQ(step(11, "ZIN "), 11);
    EXPECT_EQ(step(11, "ZOUT"), 10);
    WindowRef doc = iw_new(100, 80, 5);
    ASSERT_NE(doc, nullptr);
    ShowWindow(doc);
    command("ZIN ");
    EXPECT_EQ(iw_record(doc)->zoom_index, 6);
    command("ZOUT");
    command("ZOUT");
    EXPECT_EQ(iw_record(doc)->zoom_index, 4);
    EXPECT_EQ(pref.lm_ratio, 10);
}

TEST_F(LiveMonitor, FramesAreDrawnScaledZoomOnTheNextUpdateScrollingAtOnceAndNeverOverTheBars) {
    start_live();
    idle(1);
    for (const auto& [h, v] : {std::pair{0, 0}, {128, 96}, {255, 191}})
        EXPECT_EQ(shown(h, v), source_of(h, v, Rect{0, 0, 192, 256})) << h << ", " << v;
    zoom_to(0);  // 256 x 192 at 1/16: 16 x 12, top left on black
    EXPECT_EQ(shown(3, 3), source_of(3, 3, Rect{0, 0, 12, 16}));
    EXPECT_EQ(shown(16, 0), 0x000000u);
    EXPECT_EQ(shown(200, 150), 0x000000u);
    pref.lm_ratio = 8;
    adjust_lm_win();
    ASSERT_TRUE(IsWindowUpdatePending(g_lm_win));
    SendWindowUpdateEvent(g_lm_win);
    expect_zoomed_picture();
    hooks_control_part(g_lm_sc_h, kControlPageDownPart);
    hooks_control_part(g_lm_sc_v, kControlDownButtonPart);
    hooks_control_part(g_lm_sc_v, kControlIndicatorPart);
    ASSERT_EQ(GetControlValue(g_lm_sc_h), 50);
    ASSERT_EQ(GetControlValue(g_lm_sc_v), 4);
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
    drag({{-5, -15}, {-5, -15}, {0, 15}, {0, 15}});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 105);
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 90);
    expect_zoomed_picture();
    SetControlValue(g_lm_sc_v, 0);
    SetControlValue(g_lm_sc_h, 10);
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    hooks_wheel(g_lm_win, {0, 0, 2, 0, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 3);
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 8);
    expect_zoomed_picture();
    hooks_wheel(g_lm_win, {0, 0, 0, 20, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 0) << "kept at the minimum";
    zoom_to(5);
    drag({{30, 40}, {30, 40}});
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 8) << "both bars hidden: nothing moves";
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 0);
}

}  // namespace
