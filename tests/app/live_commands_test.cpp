// The live picture's commands: start, stop, capture, and the closing of the live window.

#include "app/commands.h"
#include "camera/live_stream.h"
#include "imagefile/file_conversion.h"
#include "monitor/live_monitor.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

class LiveCommands : public LiveTest {};

TEST_F(LiveCommands, StartNeedsTheCameraAndItsPictureAndNoConversionDialog) {
    EXPECT_EQ(command("MSTA"), eventNotHandledErr);
    connect();
    DialogRef dialog = nullptr;
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(200, 100).c_str(), &dialog), noErr);
    g_file_conversion_dialog_ptr = dialog;
    EXPECT_EQ(command("MSTA"), userCanceledErr);
    g_file_conversion_dialog_ptr = nullptr;
    EXPECT_EQ(GetFrontWindowOfClass(kMovableModalWindowClass, false), GetDialogWindow(dialog));
    simcam_fail_at(2, SimcamFault::refuse);
    EXPECT_EQ(command("bGST"), eventNotHandledErr);
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
}

// Each stop keeps the window; a start shows it again at the size chosen meanwhile; the close
// command ends the live picture and a new start makes a new window.
TEST_F(LiveCommands, StopKeepsTheWindowStartShowsItAgainAndCloseEndsIt) {
    start_live();
    WindowRef window = g_lm_win;
    for (const auto& [stop, start] : {std::pair{"MSTP", "MSTA"}, {"bGEN", "bGST"}}) {
        SCOPED_TRACE(stop);
        EXPECT_EQ(command(stop), noErr);
        EXPECT_FALSE(g_live_monitor_now);
        EXPECT_TRUE(IsWindowVisible(window));
        HideWindow(window);
        command("LM2 ");
        EXPECT_EQ(command(start), noErr);
        EXPECT_EQ(g_lm_win, window);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(content().right, 512);
        EXPECT_TRUE(g_live_monitor_now);
    }
    WindowRef other = nullptr;
    ASSERT_EQ(hooks_new_window_from_form(document_form(100, 80).c_str(), &other), noErr);
    ShowWindow(other);
    command("clos");
    EXPECT_TRUE(IsValidWindowPtr(other)) << "only the program's own windows close";
    SelectWindow(g_lm_win);
    command("clos");
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_EQ(g_lm_sc_h, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_EQ(command("MSTA"), noErr);
    ASSERT_NE(g_lm_win, nullptr);
    EXPECT_TRUE(IsWindowVisible(g_lm_win));
}

// A capture with the live picture off, and what the capture makes of the picture, are the
// camera's and the image window's concern; with it on the last frame is taken.
TEST_F(LiveCommands, CaptureTakesTheLastLiveFrameWithoutAskingTheCamera) {
    start_live();
    idle(1);
    simcam_clear_record();
    command("CAPT");
    EXPECT_TRUE(simcam_commands().empty());
    EXPECT_EQ(document_titles().size(), 1u);
    EXPECT_TRUE(g_live_monitor_now);
}

}  // namespace
