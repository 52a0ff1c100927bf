// Full-screen presentation: fitting on black, the end through the idle routine, the windows
// shown again.

#include "monitor/full_screen.h"

#include <array>

#include "app/control_window.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

// The offscreen screen of this test program is 1,280 x 1,024; the other programs keep the
// 800 x 800 one.
[[maybe_unused]] const bool kScreenSet = (hooks_offscreen_screen(1280, 1024), true);

class FullScreen : public LiveTest {
  protected:
    void SetUp() override {
        LiveTest::SetUp();
        ASSERT_EQ(CreateWindowFromNib(g_nibRef, "toolbar", &g_tool_bar), noErr);
        ShowWindow(g_tool_bar);
        ASSERT_EQ(create_and_show_control_win(), noErr);
        ASSERT_EQ(create_and_show_draw_win(), noErr);
    }
    void TearDown() override {
        g_end_fullscreen_request = true;
        end_full_screen_if_requested();
        for (WindowRef w : {g_control_win, g_draw_win})
            if (w) DisposeWindow(w);
        g_tool_bar = nullptr;
        LiveTest::TearDown();
    }
    static std::uint32_t fs(int h, int v) { return GetPixelRGB(GetWindowPort(g_fullscreen), h, v); }
    // Whether full screen is on, and the toolbar, the control window and the drawing panel
    // shown.
    using Shown = std::array<bool, 4>;
    static Shown shown() {
        return {g_fullscreen != nullptr, IsWindowVisible(g_tool_bar),
                IsWindowVisible(g_control_win), IsWindowVisible(g_draw_win)};
    }
};

// An image window first, then the live picture: each fitted on black, each ended through the
// idle routine, with the windows shown before shown again.
TEST_F(FullScreen, FrontWindowFillsTheScreenUntilEscapeTheCloseBoxAPressOrTheCameraGoes) {
    connect();
    command("FSCR");
    EXPECT_EQ(g_fullscreen, nullptr) << "no document window";
    WindowRef doc = iw_new(100, 50, 5);
    ASSERT_NE(doc, nullptr);
    ShowWindow(doc);
    set_pixel(iw_record(doc)->img_off, 99, 49, RGBColor{0xFFFF, 0, 0});
    command("FSCR");
    ASSERT_NE(g_fullscreen, nullptr);
    EXPECT_EQ(fs(1279, 831), 0xFF0000u);  // 100 x 50 scaled by 12.8, from row 192
    hooks_window_key(g_fullscreen, 27);
    idle(1);
    EXPECT_EQ(shown(), (Shown{false, true, true, true}));
    command("FSCR");
    hooks_close_box(g_fullscreen);
    EXPECT_TRUE(IsValidWindowPtr(g_fullscreen)) << "the close box only asks for the end";
    idle(1);
    EXPECT_EQ(shown(), (Shown{false, true, true, true}));

    ASSERT_EQ(command("MSTA"), noErr);
    HideWindow(g_control_win);
    command("FSCR");
    ASSERT_EQ(shown(), (Shown{true, false, false, false}));
    idle(1);  // a new frame is drawn full screen
    // 1,024 x 768 scaled by 1.25: rows 32 to 991 show the picture.
    EXPECT_EQ(fs(640, 31), 0u);
    EXPECT_EQ(fs(0, 32), GetPixelRGB(g_lm_off, 0, 0));
    EXPECT_EQ(fs(1279, 991), GetPixelRGB(g_lm_off, 1023, 767));
    hooks_click_window(g_fullscreen);
    EXPECT_NE(g_fullscreen, nullptr) << "ended by the idle routine, not by the press";
    idle(1);
    EXPECT_EQ(shown(), (Shown{false, true, false, true}));

    ShowWindow(g_control_win);
    command("FSCR");
    ASSERT_NE(g_fullscreen, nullptr);
    simcam_plug(false);
    idle(2);
    EXPECT_EQ(shown(), (Shown{false, true, false, true}))
        << "no camera: the control window stays hidden";
}

}  // namespace
