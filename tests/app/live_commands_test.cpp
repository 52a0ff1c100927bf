// The live picture's commands: start, stop, capture, and the closing of the live window.

#include "app/commands.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

class LiveCommands : public LiveTest {};

TEST_F(LiveCommands, StartWithoutACameraOrRefusedByItOpensNothing) {
    for (const char* start : {"MSTA", "bGST"}) {
        SCOPED_TRACE(start);
        if (start[0] == 'b') {
            connect();
            simcam_fail_at(2, SimcamFault::refuse);
        }
        EXPECT_EQ(command(start), eventNotHandledErr);
        EXPECT_EQ(g_lm_win, nullptr);
        EXPECT_FALSE(g_live_monitor_now);
    }
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

// What the capture makes of the picture is the image window's and the camera's concern; the
// command asks the camera only when no live frame is at hand.
class Capture : public LiveTest {};

TEST_F(Capture, WithTheLivePictureOffFetchesAPictureIntoANewDocument) {
    connect();
    simcam_clear_record();
    command("CAPT");
    EXPECT_EQ(simcam_commands().size(), 1u);
    EXPECT_EQ(document_titles().size(), 1u);
}

TEST_F(Capture, WhileLiveTakesTheLastFrameWithoutAnotherRequest) {
    start_live();
    idle(1);
    simcam_clear_record();
    command("CAPT");
    EXPECT_TRUE(simcam_commands().empty());
    EXPECT_EQ(document_titles().size(), 1u);
    EXPECT_TRUE(g_live_monitor_now);
}

}  // namespace
