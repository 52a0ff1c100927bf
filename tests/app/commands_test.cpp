// The command handler's refusals and drawing choices, and the program's window handler.

#include "app/commands.h"
#include "app/control_window.h"
#include "app/toolbar.h"
#include "imagefile/file_conversion.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "support/toolbox.h"

namespace {

class Commands : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr,
                                       nullptr);
        g_dp_cur_tool = FOUR_CC("HAND");
        g_dp_cur_line_type = FOUR_CC("LTY0");
        g_dp_cur_line_width = FOUR_CC("LNW3");
        g_dp_cur_e_size = FOUR_CC("TLE1");
        g_dp_cur_color = FOUR_CC("CP01");
    }
    void TearDown() override {
        g_file_conversion_dialog_ptr = nullptr;
        g_control_win = g_draw_win = g_lm_win = g_fullscreen = nullptr;
        g_end_fullscreen_request = false;
        ToolboxTest::TearDown();
    }
    // A shown document window with my_win_event_handler installed on it.
    WindowRef my_window() {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(100, 80).c_str(), &w), noErr);
        InstallWindowEventHandler(w, my_win_event_handler, 6, win_envets, w, nullptr);
        ShowWindow(w);
        return w;
    }
    struct Choices {
        OSType tool, line_type, line_width, e_size, color;
        bool operator==(const Choices&) const = default;
    };
    static Choices choices() {
        return {g_dp_cur_tool, g_dp_cur_line_type, g_dp_cur_line_width, g_dp_cur_e_size,
                g_dp_cur_color};
    }
};

TEST_F(Commands, CommandWhileConversionDialogIsOpenIsRefusedAndChangesNothing) {
    DialogRef dialog = nullptr;
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(200, 100).c_str(), &dialog), noErr);
    g_file_conversion_dialog_ptr = dialog;
    const Choices before = choices();
    EXPECT_EQ(ProcessHICommand(FOUR_CC("CP05")), userCanceledErr);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), userCanceledErr);
    EXPECT_EQ(choices(), before);
    EXPECT_EQ(GetFrontWindowOfClass(kMovableModalWindowClass, false), GetDialogWindow(dialog));
}

TEST_F(Commands, DrawingChoicesAreStoredByTheirCodes) {
    struct Case {
        const char* code;
        OSType Choices::*field;
        OSType expected;
    };
    const Case cases[] = {
        {"RECT", &Choices::tool, FOUR_CC("SELE")},
        {"TL01", &Choices::tool, FOUR_CC("TL01")},
        {"TL06", &Choices::tool, FOUR_CC("TL06")},
        {"HAND", &Choices::tool, FOUR_CC("HAND")},
        {"TLE3", &Choices::e_size, FOUR_CC("TLE3")},
        {"LTY1", &Choices::line_type, FOUR_CC("LTY1")},
        {"LNW7", &Choices::line_width, FOUR_CC("LNW7")},
        {"CP05", &Choices::color, FOUR_CC("CP05")},
        {"CP08", &Choices::color, FOUR_CC("CP08")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const OSType code = code_of(c.code);
        EXPECT_EQ(ProcessHICommand(code), eventNotHandledErr);
        EXPECT_EQ(choices().*c.field, c.expected);
    }
}

TEST_F(Commands, CodesJustOutsideTheRangesChangeNothing) {
    for (const char* code :
         {"CP09", "CP00", "TL00", "TL09", "TLE0", "TLE4", "LTY2", "LNW4", "SELE", "zzzz"}) {
        SCOPED_TRACE(code);
        const Choices before = choices();
        EXPECT_EQ(ProcessHICommand(code_of(code)), eventNotHandledErr);
        EXPECT_EQ(choices(), before);
    }
}

TEST_F(Commands, CloseDisposesAndForgetsTheLiveMonitorInFrontOnly) {
    WindowRef other = my_window();
    ProcessHICommand(FOUR_CC("clos"));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), other);
    g_lm_win = my_window();
    ProcessHICommand(FOUR_CC("clos"));
    EXPECT_EQ(g_lm_win, nullptr);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), other);
}

TEST_F(Commands, ClosingTheDrawingPanelReturnsTheToolToHandUnlessSelecting) {
    for (const char* tool : {"TL03", "SELE"}) {
        SCOPED_TRACE(tool);
        g_dp_cur_tool = code_of(tool);
        g_draw_win = my_window();
        DisposeWindow(g_draw_win);
        EXPECT_EQ(g_draw_win, nullptr);
        EXPECT_EQ(g_dp_cur_tool, tool[0] == 'S' ? FOUR_CC("SELE") : FOUR_CC("HAND"));
    }
}

TEST_F(Commands, ClosingTheControlWindowForgetsItOnly) {
    g_control_win = my_window();
    WindowRef panel = g_draw_win = my_window();
    DisposeWindow(g_control_win);
    EXPECT_EQ(g_control_win, nullptr);
    EXPECT_EQ(g_draw_win, panel);
}

TEST_F(Commands, PressInTheFullScreenWindowAsksToEndFullScreen) {
    WindowRef other = my_window();
    g_fullscreen = my_window();
    hooks_click_window(other);
    EXPECT_FALSE(g_end_fullscreen_request);
    hooks_click_window(g_fullscreen);
    EXPECT_TRUE(g_end_fullscreen_request);
}

TEST_F(Commands, FrontIsMyWindowOnlyForTheLiveMonitorAmongPlainWindows) {
    EXPECT_FALSE(front_is_my_window());
    WindowRef lm = my_window();
    EXPECT_FALSE(front_is_my_window());
    g_lm_win = lm;
    EXPECT_TRUE(front_is_my_window());
    my_window();
    EXPECT_FALSE(front_is_my_window());
    HideWindow(g_lm_win);
    SelectWindow(g_lm_win);
    EXPECT_FALSE(front_is_my_window()) << "a hidden window is never in front";
}

}  // namespace
