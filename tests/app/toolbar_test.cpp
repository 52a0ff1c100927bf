// The refresh of toolbar controls, status text and menus from the program's state.

#include <string>

#include "app/control_window.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "imagefile/file_conversion.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "support/live_fixture.h"

namespace {

class Toolbar : public LiveTest {
  protected:
    void SetUp() override {
        LiveTest::SetUp();
        ASSERT_EQ(SetMenuBarFromNib(g_nibRef, "MenuBar"), noErr);
        ASSERT_EQ(CreateWindowFromNib(g_nibRef, "toolbar", &g_tool_bar), noErr);
        record_.sig = kIwSignature;  // what makes a window an image window
    }
    void TearDown() override {
        g_tool_bar = g_control_win = g_draw_win = nullptr;
        LiveTest::TearDown();
    }
    static ControlRef control(int id) {
        const ControlID cid{FOUR_CC("TBAR"), id};
        ControlRef c = nullptr;
        EXPECT_EQ(GetControlByID(g_tool_bar, &cid, &c), noErr);
        return c;
    }
    static WindowRef shown_window() {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(120, 90).c_str(), &w), noErr);
        ShowWindow(w);
        return w;
    }
    IwRecord record_{};
};

enum Front { kNone, kLive, kImage, kHiddenImage, kOther };

bool listed(const char* list, const std::string& item) {
    return std::string(",").append(list).append(",").find("," + item + ",") != std::string::npos;
}

TEST_F(Toolbar, EachStateEnablesExactlyItsCommandsAndControls) {
    struct Case {
        const char* name;
        bool camera, live, converting;
        Front front;
        int lm_ratio;
        const char* menus;     // the commands enabled among the ones checked, comma separated
        const char* controls;  // the toolbar controls active, comma separated
    };
    const char* const image = "clos,save,svas,R180,R90R,R90L,FSCR,ZIN ,ZOUT,BFIT,ZSEL,ASIZ";
    const Case cases[] = {
        {"camera", true, false, false, kNone, 5, "CAPT,RCON,MSTA", "1,11,12,13,14"},
        {"live", true, true, false, kNone, 5, "CAPT,RCON,MSTP", "1,10,12,13,14"},
        {"live without camera", false, true, false, kNone, 5, "", "1,13"},
        {"converting", true, false, true, kNone, 5, "MSTA", "1,11,12,13,14"},
        {"live window at 100%", false, false, false, kLive, 5, "clos,FSCR,ZIN ,ZOUT", "1,3,8,9,13"},
        {"live window at 50%", false, false, false, kLive, 3, "clos,FSCR,ZIN ,ZOUT,ASIZ",
         "1,3,8,9,13"},
        {"image window", false, false, false, kImage, 5, image, "1,2,3,4,5,6,7,8,9,13"},
        {"hidden image window", false, false, false, kHiddenImage, 5, "", "1,13"},
        {"other window", false, false, false, kOther, 5, "", "1,13"},
    };
    const char* const commands[] = {"clos", "save", "svas", "R180", "R90R", "R90L", "FSCR", "ZIN ",
                                    "ZOUT", "BFIT", "ZSEL", "ASIZ", "CAPT", "RCON", "MSTP", "MSTA"};
    DialogRef dialog = nullptr;  // the conversion dialog, open in one state
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(100, 50).c_str(), &dialog), noErr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.camera ? void(init_camera()) : close_camera();  // the simulated camera, plugged in
        g_live_monitor_now = c.live;
        pref.lm_ratio = c.lm_ratio;
        g_file_conversion_dialog_ptr = c.converting ? dialog : nullptr;
        WindowRef window = c.front == kNone ? nullptr : shown_window();
        if (c.front == kLive) g_lm_win = window;
        if (c.front == kImage || c.front == kHiddenImage) SetWRefCon(window, &record_);
        if (c.front == kHiddenImage) HideWindow(window);
        tb_setup();
        for (const char* code : commands)
            EXPECT_EQ(IsMenuCommandEnabled(nullptr, code_of(code)), listed(c.menus, code)) << code;
        for (int id = 1; id <= 14; ++id)
            EXPECT_EQ(IsControlActive(control(id)), listed(c.controls, std::to_string(id))) << id;
        if (window) DisposeWindow(window);
        g_lm_win = nullptr;
    }
}

TEST_F(Toolbar, ButtonValuesAndCheckMarksShowTheToolTheWindowsAndTheLiveSize) {
    for (const char* tool : {"HAND", "SELE", "TL03"}) {
        g_dp_cur_tool = code_of(tool);
        tb_setup();
        EXPECT_EQ(GetControlValue(control(4)), tool[0] == 'H') << tool;
        EXPECT_EQ(GetControlValue(control(5)), tool[0] == 'S') << tool;
    }
    init_camera();
    g_draw_win = shown_window();
    g_control_win = shown_window();
    tb_setup();
    EXPECT_EQ(GetControlValue(control(13)), 1);
    EXPECT_EQ(GetControlValue(control(14)), 1);
    HideWindow(g_draw_win);
    close_camera();
    pref.lm_size = 2;
    tb_setup();
    EXPECT_EQ(GetControlValue(control(13)), 0);
    EXPECT_FALSE(IsWindowVisible(g_control_win)) << "the camera went: so does its window";
    for (const char* size : {"LM1 ", "LM2 ", "LM3 "}) {
        MenuRef m = nullptr;
        MenuItemIndex item = 0;
        ASSERT_EQ(GetIndMenuItemWithCommandID(nullptr, code_of(size), 1, &m, &item), noErr);
        EXPECT_EQ(IsMenuItemChecked(m, item), size[2] == '3') << size;
    }
}

}  // namespace
