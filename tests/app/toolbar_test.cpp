// The refresh of toolbar controls, status text and menus from the program's state.

#include "app/toolbar.h"
#include "app/control_window.h"
#include "app/prefs.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "imagefile/file_conversion.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "support/toolbox.h"

namespace {

class Toolbar : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        IBNibRef nib = nullptr;
        ASSERT_EQ(CreateNibReference("main", &nib), noErr);
        ASSERT_EQ(SetMenuBarFromNib(nib, "MenuBar"), noErr);
        ASSERT_EQ(CreateWindowFromNib(nib, "toolbar", &g_tool_bar), noErr);
        DisposeNibReference(nib);
        ShowWindow(g_tool_bar);
        pref = PrefRecord{0, 5, 0, {}};
        g_dp_cur_tool = FOUR_CC("HAND");
    }
    void TearDown() override {
        set_camera(false);
        g_live_monitor_now = false;
        g_tool_bar = g_control_win = g_draw_win = g_lm_win = nullptr;
        g_file_conversion_dialog_ptr = nullptr;
        ToolboxTest::TearDown();
    }
    // The simulated camera, plugged in, stands behind the USB layer in the tests.
    static void set_camera(bool active) {
        if (active)
            EXPECT_EQ(init_camera(), noErr);
        else
            close_camera();
    }
    static ControlRef control(int id) {
        const ControlID cid{FOUR_CC("TBAR"), id};
        ControlRef c = nullptr;
        EXPECT_EQ(GetControlByID(g_tool_bar, &cid, &c), noErr);
        return c;
    }
    static bool enabled(const char* code) { return IsMenuCommandEnabled(nullptr, code_of(code)); }
    static WindowRef shown_window() {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(120, 90).c_str(), &w), noErr);
        ShowWindow(w);
        return w;
    }
    IwRecord record_{};
};

TEST_F(Toolbar, LiveButtonsFollowTheCameraAndTheLiveMonitor) {
    struct Case {
        bool camera, live;
        bool stop, start, capture;
        const char* status;
    };
    const Case cases[] = {
        {false, false, false, false, false, "Camera:Not found."},
        {true, false, false, true, true, "Camera:Ready"},
        {true, true, true, false, true, "Camera:Ready"},
        {false, true, false, false, false, "Camera:Not found."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "camera " << c.camera << " live " << c.live);
        set_camera(c.camera);
        g_live_monitor_now = c.live;
        tb_setup();
        EXPECT_EQ(IsControlActive(control(10)), c.stop);
        EXPECT_EQ(IsControlActive(control(11)), c.start);
        EXPECT_EQ(IsControlActive(control(12)), c.capture);
        EXPECT_EQ(IsControlActive(control(14)), c.camera);
        EXPECT_EQ(enabled("CAPT"), c.camera);
        EXPECT_EQ(enabled("RCON"), c.camera);
        EXPECT_EQ(enabled("MSTP"), c.stop);
        EXPECT_EQ(enabled("MSTA"), c.start);
        EXPECT_EQ(GetControlText(control(15)), c.status);
    }
}

TEST_F(Toolbar, CameraGoingAwayHidesTheControlWindowAndKeepsItsButtonValue) {
    set_camera(true);
    g_control_win = shown_window();
    tb_setup();
    EXPECT_EQ(GetControlValue(control(14)), 1);
    set_camera(false);
    tb_setup();
    EXPECT_FALSE(IsWindowVisible(g_control_win));
    EXPECT_FALSE(IsControlActive(control(14)));
    EXPECT_EQ(GetControlValue(control(14)), 1);
}

TEST_F(Toolbar, ConversionDialogDisablesCaptureAndCameraControl) {
    set_camera(true);
    DialogRef dialog = nullptr;
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(100, 50).c_str(), &dialog), noErr);
    g_file_conversion_dialog_ptr = dialog;
    tb_setup();
    EXPECT_FALSE(enabled("CAPT"));
    EXPECT_FALSE(enabled("RCON"));
    EXPECT_TRUE(IsControlActive(control(12)));
}

TEST_F(Toolbar, LiveMonitorInFrontEnablesActualSizeOnlyAwayFromScaleOne) {
    g_lm_win = shown_window();
    for (int index : {5, 3, 11}) {
        SCOPED_TRACE(index);
        pref.lm_ratio = index;
        tb_setup();
        EXPECT_EQ(enabled("ASIZ"), index != 5);
        EXPECT_TRUE(enabled("clos"));
        EXPECT_FALSE(enabled("save"));
        EXPECT_FALSE(enabled("svas"));
        EXPECT_TRUE(enabled("ZIN "));
        EXPECT_FALSE(enabled("BFIT"));
        EXPECT_FALSE(enabled("R90R"));
        EXPECT_TRUE(IsControlActive(control(3)));
        EXPECT_FALSE(IsControlActive(control(2)));
    }
}

TEST_F(Toolbar, ImageWindowInFrontEnablesDocumentCommands) {
    record_.sig = kIwSignature;
    WindowRef image = shown_window();
    SetWRefCon(image, &record_);
    tb_setup();
    for (const char* code : {"clos", "save", "svas", "R180", "R90R", "R90L", "FSCR", "ZIN ", "ZOUT",
                             "BFIT", "ZSEL", "ASIZ"})
        EXPECT_TRUE(enabled(code)) << code;
    for (int id : {2, 3, 4, 5, 6, 7, 8, 9}) EXPECT_TRUE(IsControlActive(control(id))) << id;
    HideWindow(image);
    tb_setup();
    EXPECT_FALSE(enabled("save")) << "a hidden image window is not in front";
}

TEST_F(Toolbar, ToolButtonsShowTheCurrentToolAndThePanelButtonItsVisibility) {
    struct Case {
        const char* tool;
        int hand, select;
    };
    for (const Case& c : {Case{"HAND", 1, 0}, Case{"SELE", 0, 1}, Case{"TL03", 0, 0}}) {
        SCOPED_TRACE(c.tool);
        g_dp_cur_tool = code_of(c.tool);
        tb_setup();
        EXPECT_EQ(GetControlValue(control(4)), c.hand);
        EXPECT_EQ(GetControlValue(control(5)), c.select);
    }
    g_draw_win = shown_window();
    tb_setup();
    EXPECT_EQ(GetControlValue(control(13)), 1);
    HideWindow(g_draw_win);
    tb_setup();
    EXPECT_EQ(GetControlValue(control(13)), 0);
}

TEST_F(Toolbar, LiveMonitorSizeChecksExactlyOneItem) {
    for (int size : {0, 1, 2}) {
        pref.lm_size = size;
        tb_setup();
        const char* codes[] = {"LM1 ", "LM2 ", "LM3 "};
        for (int i = 0; i < 3; ++i) {
            MenuRef m = nullptr;
            MenuItemIndex item = 0;
            ASSERT_EQ(GetIndMenuItemWithCommandID(nullptr, code_of(codes[i]), 1, &m, &item), noErr);
            EXPECT_EQ(IsMenuItemChecked(m, item), i == size) << "size " << size << " item " << i;
        }
    }
}

TEST_F(Toolbar, RefreshBeforeTheToolbarExistsKeepsTheTableOnly) {
    g_tool_bar = nullptr;
    set_camera(true);
    tb_setup();
    EXPECT_TRUE(tb[11].enabled);
}

}  // namespace
