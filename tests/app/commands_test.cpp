// The command handler's refusals and drawing choices, and the program's window handler.

#include <array>

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
        g_control_win = g_draw_win = g_fullscreen = nullptr;
        g_end_fullscreen_request = false;
        ToolboxTest::TearDown();
    }
    // A shown document window with my_win_event_handler installed on it.
    static WindowRef my_window() {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(100, 80).c_str(), &w), noErr);
        InstallWindowEventHandler(w, my_win_event_handler, 6, win_envets, w, nullptr);
        ShowWindow(w);
        return w;
    }
    static std::array<OSType, 5> choices() {
        return {g_dp_cur_tool, g_dp_cur_line_type, g_dp_cur_line_width, g_dp_cur_e_size,
                g_dp_cur_color};
    }
};

TEST_F(Commands, CommandWhileConversionDialogIsOpenIsRefusedAndChangesNothing) {
    DialogRef dialog = nullptr;
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(200, 100).c_str(), &dialog), noErr);
    g_file_conversion_dialog_ptr = dialog;
    const auto before = choices();
    EXPECT_EQ(ProcessHICommand(FOUR_CC("CP05")), userCanceledErr);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), userCanceledErr);
    EXPECT_EQ(choices(), before);
    EXPECT_EQ(GetFrontWindowOfClass(kMovableModalWindowClass, false), GetDialogWindow(dialog));
}

TEST_F(Commands, DrawingChoicesAreStoredByTheirCodesAndCodesOutsideTheRangesChangeNothing) {
    struct Case {
        const char* code;
        OSType* choice;
        const char* expected;
    };
    const Case cases[] = {
        {"RECT", &g_dp_cur_tool, "SELE"},       {"TL01", &g_dp_cur_tool, "TL01"},
        {"TL06", &g_dp_cur_tool, "TL06"},       {"HAND", &g_dp_cur_tool, "HAND"},
        {"TLE3", &g_dp_cur_e_size, "TLE3"},     {"LTY1", &g_dp_cur_line_type, "LTY1"},
        {"LNW7", &g_dp_cur_line_width, "LNW7"}, {"CP05", &g_dp_cur_color, "CP05"},
        {"CP08", &g_dp_cur_color, "CP08"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProcessHICommand(code_of(c.code)), eventNotHandledErr);
        EXPECT_EQ(*c.choice, code_of(c.expected)) << c.code;
    }
    for (const char* code :
         {"CP09", "CP00", "TL00", "TL09", "TLE0", "TLE4", "LTY2", "LNW4", "SELE", "zzzz"}) {
        const auto before = choices();
        EXPECT_EQ(ProcessHICommand(code_of(code)), eventNotHandledErr);
        EXPECT_EQ(choices(), before) << code;
    }
}

TEST_F(Commands, ClosedPanelsAreForgottenAndTheDrawingPanelLeavesOnlySelectionAsTheTool) {
    for (const char* tool : {"TL03", "SELE"}) {
        SCOPED_TRACE(tool);
        g_dp_cur_tool = code_of(tool);
        g_control_win = my_window();
        WindowRef panel = g_draw_win = my_window();
        DisposeWindow(g_control_win);
        EXPECT_EQ(g_control_win, nullptr);
        EXPECT_EQ(g_draw_win, panel);
        EXPECT_EQ(g_dp_cur_tool, code_of(tool));
        DisposeWindow(g_draw_win);
        EXPECT_EQ(g_draw_win, nullptr);
        EXPECT_EQ(g_dp_cur_tool, code_of(tool[0] == 'S' ? "SELE" : "HAND"));
    }
}

TEST_F(Commands, PressInTheFullScreenWindowAsksToEndFullScreen) {
    WindowRef other = my_window();
    g_fullscreen = my_window();
    hooks_click_window(other);
    EXPECT_FALSE(g_end_fullscreen_request);
    hooks_click_window(g_fullscreen);
    EXPECT_TRUE(g_end_fullscreen_request);
}

}  // namespace
