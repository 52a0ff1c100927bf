// The shared live monitor fixture.

#include "support/live_fixture.h"

#include "app/commands.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "camera/live_stream.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"

void LiveTest::SetUp() {
    CameraTest::SetUp();
    ASSERT_EQ(CreateNibReference("main", &g_nibRef), noErr);
    iw_init();
    InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr, nullptr);
    pref = PrefRecord{0, 5, 0, {}};
    g_untitled_counter = 1;
    g_live_monitor_now = false;
    g_off_width_of_lmwin_setup = g_off_height_of_lmwin_setup = 0;
}

void LiveTest::TearDown() {
    close_all_documents();
    if (g_lm_win) DisposeWindow(g_lm_win);
    g_lm_win = nullptr;  // the camera's teardown must not touch it
    DisposeNibReference(g_nibRef);
    g_nibRef = nullptr;
    CameraTest::TearDown();
}

OSStatus LiveTest::command(const char* code) {
    return ProcessHICommand(code_of(code));
}

void LiveTest::start_live() {
    connect();
    ASSERT_EQ(command("MSTA"), noErr);
    ASSERT_NE(g_lm_win, nullptr);
    ASSERT_TRUE(IsWindowVisible(g_lm_win));
    simcam_clear_record();
}

Rect LiveTest::content() {
    Rect r{};
    if (g_lm_win) GetWindowPortBounds(g_lm_win, &r);
    return r;
}

std::uint32_t LiveTest::shown(int h, int v) {
    return GetPixelRGB(GetWindowPort(g_lm_win), h, v);
}
