// The live monitor window: its sizes, view scale, scroll bars, drawing, dragging and wheel.

#include "monitor/live_monitor.h"

#include <vector>

#include "app/prefs.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "simcam/simcam.h"
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
        return {IsControlVisible(c), hooks_view_size(c), GetControlMaximum(c)};
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
    // Paints r of the live window red, as a mark that a redraw must leave alone.
    static void paint_red(const Rect& r) {
        SetPortWindowPort(g_lm_win);
        RGBColor red{0xFFFF, 0, 0};
        RGBForeColor(&red);
        PaintRect(&r);
        ForeColor(blackColor);
        SetGWorld(nullptr);
    }
};

TEST_F(LiveMonitor, StartingMakesAWindowOfTheQuarterPictureAtActualSizeWithoutBars) {
    start_live();
    const Rect c = content();
    EXPECT_EQ(c.right, 256);
    EXPECT_EQ(c.bottom, 192);
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_TRUE(g_live_monitor_now);
    EXPECT_FALSE(IsControlVisible(g_lm_sc_h));
    EXPECT_FALSE(IsControlVisible(g_lm_sc_v));
    EXPECT_EQ(GetWindowTitle(g_lm_win), "Live Monitor");
}

TEST_F(LiveMonitor, ZoomedToIndexEightBothBarsRangeTheTripledPicture) {
    start_live();
    for (int i = 0; i < 3; ++i) command("ZIN ");
    EXPECT_EQ(pref.lm_ratio, 8);
    EXPECT_EQ(bar(g_lm_sc_h), (Bar{true, 241, 527}));
    EXPECT_EQ(bar(g_lm_sc_v), (Bar{true, 177, 399}));
    Rect h, v;
    GetControlBounds(g_lm_sc_h, &h);
    GetControlBounds(g_lm_sc_v, &v);
    EXPECT_TRUE((h.left == 0 && h.top == 177 && h.right == 242 && h.bottom == 193));
    EXPECT_TRUE((v.left == 241 && v.top == -1 && v.right == 257 && v.bottom == 178));
}

TEST_F(LiveMonitor, ZoomStopsAtBothEndsOfTheScale) {
    start_live();
    struct Row {
        int from;
        const char* code;
        int to;
    };
    const Row rows[] = {{11, "ZIN ", 11}, {0, "ZOUT", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code + std::to_string(row.from));
        pref.lm_ratio = row.from;
        command(row.code);
        EXPECT_EQ(pref.lm_ratio, row.to);
    }
}

TEST_F(LiveMonitor, ZoomGoesToTheFrontImageWindowInstead) {
    start_live();
    WindowRef doc = iw_new(100, 80, 5);
    ASSERT_NE(doc, nullptr);
    ShowWindow(doc);
    command("ZIN ");
    EXPECT_EQ(iw_record(doc)->zoom_index, 6);
    command("ZOUT");
    command("ZOUT");
    EXPECT_EQ(iw_record(doc)->zoom_index, 4);
    EXPECT_EQ(pref.lm_ratio, 5);
}

TEST_F(LiveMonitor, OneBarBringsTheOtherWhenItsRoomIsTaken) {
    start_live();
    struct Row {
        int width, height;
        Bar h, v;
    };
    // The picture is 256 x 192 at actual size.
    const Row rows[] = {
        {251, 210, {true, 251, 5}, {false, 0, 0}},    // only wider
        {251, 200, {true, 236, 20}, {true, 185, 7}},  // wider, and taller than 200 - 15
        {300, 187, {false, 0, 0}, {true, 187, 5}},    // only taller
        {270, 187, {true, 255, 1}, {true, 172, 20}},  // taller, and wider than 270 - 15
        {256, 192, {false, 0, 0}, {false, 0, 0}},     // fits exactly
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        SizeWindow(g_lm_win, std::int16_t(row.width), std::int16_t(row.height), false);
        adjust_lm_win();
        EXPECT_EQ(IsControlVisible(g_lm_sc_h), row.h.shown);
        EXPECT_EQ(IsControlVisible(g_lm_sc_v), row.v.shown);
        if (row.h.shown) {
            EXPECT_EQ(bar(g_lm_sc_h), row.h);
        }
        if (row.v.shown) {
            EXPECT_EQ(bar(g_lm_sc_v), row.v);
        }
    }
}

TEST_F(LiveMonitor, AZoomDrawsOnTheWindowsNextUpdateAndScrollingRedrawsAtOnce) {
    start_live();
    idle(1);
    pref.lm_ratio = 8;
    adjust_lm_win();
    ASSERT_TRUE(IsWindowUpdatePending(g_lm_win));
    SendWindowUpdateEvent(g_lm_win);
    const std::vector<std::pair<int, int>> samples = {{0, 0}, {120, 90}, {240, 176}};
    for (const auto& [h, v] : samples)
        EXPECT_EQ(shown(h, v), source_of(h, v, zoomed_dst())) << h << ", " << v;
    hooks_control_part(g_lm_sc_h, kControlPageDownPart);
    hooks_control_part(g_lm_sc_v, kControlDownButtonPart);
    hooks_control_part(g_lm_sc_v, kControlIndicatorPart);
    ASSERT_EQ(GetControlValue(g_lm_sc_h), 50);
    ASSERT_EQ(GetControlValue(g_lm_sc_v), 4);
    for (const auto& [h, v] : samples)
        EXPECT_EQ(shown(h, v), source_of(h, v, zoomed_dst())) << "scrolled " << h << ", " << v;
}

TEST_F(LiveMonitor, EachLiveFrameIsDrawnScaledIntoTheWindowAndZoomedOutSitsTopLeftOnBlack) {
    start_live();
    idle(1);
    Rect whole;
    SetRect(&whole, 0, 0, 256, 192);
    for (const auto& [h, v] : std::vector<std::pair<int, int>>{{0, 0}, {128, 96}, {255, 191}})
        EXPECT_EQ(shown(h, v), source_of(h, v, whole)) << h << ", " << v;
    zoom_to(0);  // 256 x 192 at 1/16: 16 x 12, top left on black
    Rect small;
    SetRect(&small, 0, 0, 16, 12);
    EXPECT_EQ(shown(3, 3), source_of(3, 3, small));
    EXPECT_EQ(shown(16, 0), 0x000000u);
    EXPECT_EQ(shown(200, 150), 0x000000u);
}

TEST_F(LiveMonitor, BarsLeaveTheirStripsAndAWhiteCorner) {
    start_live();
    idle(1);
    zoom_to(8);
    EXPECT_EQ(shown(250, 185), 0xFFFFFFu);
    Rect strip;
    SetRect(&strip, 0, 177, 241, 192);
    paint_red(strip);
    update_lm_window();
    EXPECT_EQ(shown(100, 180), 0xFF0000u);
    EXPECT_EQ(shown(100, 176), source_of(100, 176, zoomed_dst()));
}

TEST_F(LiveMonitor, DraggingMovesThePictureWithTheMouseWhileABarIsShown) {
    start_live();
    zoom_to(8);
    SetControlValue(g_lm_sc_h, 100);
    SetControlValue(g_lm_sc_v, 100);
    drag({{-5, -15}, {-5, -15}, {0, 15}, {0, 15}});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 105);
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 90);
    EXPECT_EQ(shown(0, 0), source_of(0, 0, zoomed_dst()));
    zoom_to(5);
    drag({{30, 40}, {30, 40}});
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 105) << "both bars hidden: nothing moves";
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 90);
}

TEST_F(LiveMonitor, WheelMovesTheShownBarOfItsAxisAgainstTheDelta) {
    start_live();
    zoom_to(8);
    SetControlValue(g_lm_sc_v, 10);
    zoom_to(5);
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 10) << "a hidden bar stays";
    zoom_to(8);
    SetControlValue(g_lm_sc_v, 0);
    SetControlValue(g_lm_sc_h, 10);
    hooks_wheel(g_lm_win, {0, 0, 0, -3, false});
    hooks_wheel(g_lm_win, {0, 0, 2, 0, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 3);
    EXPECT_EQ(GetControlValue(g_lm_sc_h), 8);
    EXPECT_EQ(shown(0, 0), source_of(0, 0, zoomed_dst()));
    hooks_wheel(g_lm_win, {0, 0, 0, 20, false});
    EXPECT_EQ(GetControlValue(g_lm_sc_v), 0) << "kept at the minimum";
}

TEST_F(LiveMonitor, ActualSizeCommandReturnsTheLiveWindowToScaleOneAndAtScaleOneDoesNothing) {
    start_live();
    zoom_to(8);
    command("ASIZ");
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_FALSE(IsControlVisible(g_lm_sc_h));
    EXPECT_FALSE(IsControlVisible(g_lm_sc_v));
    pref.lm_ratio = 8;
    adjust_lm_win();
    pref.lm_ratio = 5;
    command("ASIZ");
    EXPECT_TRUE(IsControlVisible(g_lm_sc_h)) << "the bars are left as they were";
}

TEST_F(LiveMonitor, SizeCommandsResizeTheShownWindowAndResetTheScale) {
    start_live();
    struct Row {
        const char* code;
        int size, width, height;
    };
    // The full size is kept within the 800 x 800 test screen, less room for the frame.
    const Row rows[] = {{"LM2 ", 1, 512, 384}, {"LM3 ", 2, 792, 768}, {"LM1 ", 0, 256, 192}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        zoom_to(8);
        simcam_clear_record();
        command(row.code);
        EXPECT_EQ(pref.lm_size, row.size);
        EXPECT_EQ(pref.lm_ratio, 5);
        EXPECT_EQ(content().right, row.width);
        EXPECT_EQ(content().bottom, row.height);
        EXPECT_FALSE(IsControlVisible(g_lm_sc_h));
        EXPECT_EQ(simcam_commands().size(), 1u) << "one picture fetched first";
    }
}

TEST_F(LiveMonitor, SizeChangeWhileHiddenOnlyChangesThePreference) {
    command("LM2 ");
    EXPECT_EQ(pref.lm_size, 1);
    EXPECT_EQ(g_lm_win, nullptr);
    start_live();
    EXPECT_EQ(content().right, 512);
    HideWindow(g_lm_win);
    command("LM3 ");
    EXPECT_EQ(pref.lm_size, 2);
    EXPECT_EQ(content().right, 512);
    EXPECT_TRUE(simcam_commands().empty());
}

TEST_F(LiveMonitor, FailedProbeOnASizeChangeKeepsTheWindowSize) {
    start_live();
    simcam_fail_at(2, SimcamFault::refuse);
    command("LM3 ");
    EXPECT_EQ(pref.lm_size, 2);
    EXPECT_EQ(content().right, 256);
}

TEST_F(LiveMonitor, ClosingTheWindowStopsTheLivePictureAndTheNextStartMakesANewOne) {
    start_live();
    hooks_close_box(g_lm_win);
    run_posted();
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_EQ(g_lm_sc_h, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
    idle(2);
    EXPECT_TRUE(simcam_commands().empty()) << "no frames once stopped";
    EXPECT_EQ(command("MSTA"), noErr);
    ASSERT_NE(g_lm_win, nullptr);
    EXPECT_TRUE(IsWindowVisible(g_lm_win));
    EXPECT_TRUE(g_live_monitor_now);
}

TEST_F(LiveMonitor, ANewPictureSizeResizesTheWindowOnTheNextRedraw) {
    start_live();
    zoom_to(8);
    g_off_width_of_lmwin_setup = 640;
    update_lm_window();
    EXPECT_EQ(g_off_width_of_lmwin_setup, 1024);
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_FALSE(IsControlVisible(g_lm_sc_h));
    EXPECT_EQ(content().right, 256);
}

TEST_F(LiveMonitor, RedrawOfAHiddenWindowDrawsNothing) {
    start_live();
    idle(1);
    HideWindow(g_lm_win);
    paint_red(content());
    update_lm_window();
    EXPECT_EQ(shown(100, 100), 0xFF0000u);
}

}  // namespace
