// The live picture's commands: start, stop, capture, and the closing of the live window.

#include "app/commands.h"
#include "app/prefs.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/live_fixture.h"

namespace {

class LiveCommands : public LiveTest {};

TEST_F(LiveCommands, StartWithoutACameraOpensNothing) {
    EXPECT_EQ(command("MSTA"), eventNotHandledErr);
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
}

TEST_F(LiveCommands, StartRefusedByTheCameraOpensNothing) {
    connect();
    simcam_fail_at(2, SimcamFault::refuse);
    EXPECT_EQ(command("bGST"), eventNotHandledErr);
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
}

TEST_F(LiveCommands, StopKeepsTheWindowAndStartRunsTheSameWindowAgain) {
    for (const char* stop : {"MSTP", "bGEN"}) {
        SCOPED_TRACE(stop);
        start_live();
        WindowRef window = g_lm_win;
        EXPECT_EQ(command(stop), noErr);
        EXPECT_FALSE(g_live_monitor_now);
        EXPECT_TRUE(IsWindowVisible(window));
        idle(2);
        EXPECT_TRUE(simcam_commands().empty()) << "no frames once stopped";
        EXPECT_EQ(command("bGST"), noErr);
        EXPECT_EQ(g_lm_win, window);
        EXPECT_TRUE(g_live_monitor_now);
        close_camera();
    }
}

TEST_F(LiveCommands, StartShowsAHiddenWindowAgainAtTheCurrentSize) {
    start_live();
    WindowRef window = g_lm_win;
    simcam_fail_at(2, SimcamFault::zero_size);
    idle(1);
    ASSERT_FALSE(IsWindowVisible(window));
    command("LM2 ");
    EXPECT_EQ(command("MSTA"), noErr);
    EXPECT_EQ(g_lm_win, window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(content().right, 512);
    EXPECT_EQ(content().bottom, 384);
    EXPECT_TRUE(g_live_monitor_now);
}

TEST_F(LiveCommands, CloseCommandOnTheLiveWindowStopsTheLivePicture) {
    start_live();
    command("clos");
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
}

TEST_F(LiveCommands, ActualSizeAtScaleOneWithTheLiveWindowInFrontDoesNothing) {
    start_live();
    pref.lm_ratio = 8;
    adjust_lm_win();
    pref.lm_ratio = 5;
    command("ASIZ");
    EXPECT_TRUE(IsControlVisible(g_lm_sc_h)) << "the bars are left as they were";
}

}  // namespace
