// A fixture for the live monitor: a fresh simulated camera, the interface description open,
// the command handler installed, the preferences at their defaults and no live window yet.
#pragma once

#include "app/commands.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "camera/live_stream.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"
#include "support/image_docs.h"

class LiveTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        ASSERT_EQ(CreateNibReference("main", &g_nibRef), noErr);
        iw_init();
        InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr,
                                       nullptr);
        pref = PrefRecord{0, 5, 0, {}};
        g_untitled_counter = 1;
        g_live_monitor_now = false;
        g_off_width_of_lmwin_setup = g_off_height_of_lmwin_setup = 0;
    }

    void TearDown() override {
        close_all_documents();
        if (g_lm_win) DisposeWindow(g_lm_win);
        g_lm_win = nullptr;  // the camera's teardown must not touch it
        DisposeNibReference(g_nibRef);
        g_nibRef = nullptr;
        CameraTest::TearDown();
    }

    // The command sent as a menu item sends it.
    static OSStatus command(const char* code) { return ProcessHICommand(code_of(code)); }

    // Connects and starts the live picture.
    static void start_live() {
        connect();
        ASSERT_EQ(command("MSTA"), noErr);
        ASSERT_TRUE(g_lm_win && IsWindowVisible(g_lm_win));
        simcam_clear_record();
    }

    // The live window's content rectangle.
    static Rect content() {
        Rect r{};
        if (g_lm_win) GetWindowPortBounds(g_lm_win, &r);
        return r;
    }

    // The pixel of the live window's port at (h, v), as 0x00RRGGBB.
    static std::uint32_t shown(int h, int v) { return GetPixelRGB(GetWindowPort(g_lm_win), h, v); }
};
