// Dispatch of commands to the routines that carry them out, and of the program's window events.

#include "app/commands.h"

#include <algorithm>

#include "app/control_window.h"
#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "imagefile/file_conversion.h"
#include "imagefile/iw_open.h"
#include "imagefile/iw_save.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "imagewin/rotate.h"
#include "imagewin/selection.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"

const EventTypeSpec my_cmd_events[1] = {{kEventClassCommand, kEventCommandProcess}};
const EventTypeSpec win_envets[6] = {
    {kEventClassWindow, kEventWindowClosed},    {kEventClassWindow, kEventWindowDrawContent},
    {kEventClassWindow, kEventWindowActivated}, {kEventClassWindow, kEventWindowDeactivated},
    {kEventClassMouse, kEventMouseDown},        {kEventClassMouse, kEventMouseWheelMoved},
};

EventHandlerProcPtr g_my_win_event_handler_upp = nullptr;

namespace {

bool in_range(OSType code, const char (&first)[5], const char (&last)[5]) {
    return code >= FOUR_CC(first) && code <= FOUR_CC(last);
}

// The choice commands of the drawing panel; any other code changes nothing.
void __set_drawing_choice(OSType code) {
    if (code == FOUR_CC("HAND")) {
        g_dp_cur_tool = code;
    } else if (code == FOUR_CC("RECT")) {
        g_dp_cur_tool = FOUR_CC("SELE");
    } else if (in_range(code, "TL01", "TL06")) {
        g_dp_cur_tool = code;
    } else if (in_range(code, "TLE1", "TLE3")) {
        g_dp_cur_e_size = code;
    } else if (code == FOUR_CC("LTY0") || code == FOUR_CC("LTY1")) {
        g_dp_cur_line_type = code;
    } else if (code == FOUR_CC("LNW3") || code == FOUR_CC("LNW5") || code == FOUR_CC("LNW7")) {
        g_dp_cur_line_width = code;
    } else if (in_range(code, "CP01", "CP08")) {
        g_dp_cur_color = code;
    }
}

// Creates and shows the window when there is none, else hides or shows it. True when it hid it.
bool __toggle(WindowRef window, OSStatus (*create_and_show)()) {
    if (!window) {
        create_and_show();
    } else if (IsWindowVisible(window)) {
        HideWindow(window);
        return true;
    } else {
        ShowWindow(window);
    }
    return false;
}

void __tool_back_to_hand() {
    if (g_dp_cur_tool != FOUR_CC("SELE")) g_dp_cur_tool = FOUR_CC("HAND");
}

void __open() {
    const OSType types[5] = {FOUR_CC("JPEG"), FOUR_CC("BMPf"), FOUR_CC("PICT"), FOUR_CC("BMP "), 0};
    FSSpec spec;
    if (get_load_file(&spec, 5, types, nullptr)) iw_open_files({spec});
}

// A still into a new image window. With the live picture on, its last frame is taken; else
// the camera is asked for one. Only a whole decoded picture makes a window; a failure the
// request has not already beeped or alerted about is told here.
void __capture() {
    const bool fetched = g_live_monitor_now || do_grab_image() == 1;
    if (fetched && g_latst_jpeg_size > 0)
        iw_captrue();
    else if (!g_grab_failure_shown)
        show_error_alert("error", "The picture could not be captured.");
}

// Starts the live picture once the camera has given a picture: the window is made, or sized
// and shown again. False when the camera or its picture cannot be had.
bool __start_live_monitor() {
    if (check_image_size() != 0) return false;
    if (!g_lm_win) {
        create_and_show_lm_win();
    } else if (!IsWindowVisible(g_lm_win)) {
        setup_size_of_lm_win();
        ShowWindow(g_lm_win);
    }
    live_monoitor_start();
    return true;
}

// The live window's wheel: the bar of the axis moves against the delta while it is shown.
void __lm_wheel(EventRef event) {
    std::uint16_t axis = 0;
    std::int32_t delta = 0;
    if (GetEventWheel(event, &axis, &delta) != noErr) return;
    ControlRef bar = axis == 0 ? g_lm_sc_h : g_lm_sc_v;
    if (!bar || !IsControlVisible(bar)) return;
    SetControlValue(bar, GetControlValue(bar) - delta);
    update_lm_window();
    QDFlushPortBuffer(GetWindowPort(g_lm_win));
}

}  // namespace

bool front_is_my_window() {
    if (front_window_is_iw()) return true;
    WindowRef front = GetFrontWindowOfClass(kDocumentWindowClass, true);
    return front && front == g_lm_win;
}

OSErr __save(bool save_as) {
    WindowRef front = GetFrontWindowOfClass(kDocumentWindowClass, true);
    if (!is_iw(front)) return noErr;
    return iw_save(front, save_as);
}

OSStatus __my_command_event_handler(EventHandlerCallRef next, EventRef event, void*) {
    if (g_file_conversion_dialog_ptr) {
        SelectWindow(GetDialogWindow(g_file_conversion_dialog_ptr));
        tb_setup();
        return userCanceledErr;
    }
    HICommand command{};
    if (GetEventKind(event) != kEventCommandProcess || GetEventCommand(event, &command) != noErr) {
        tb_setup();
        return eventNotHandledErr;
    }
    const OSType code = command.commandID;
    OSStatus result = eventNotHandledErr;
    WindowRef front = GetFrontWindowOfClass(kDocumentWindowClass, true);
    if (code == FOUR_CC("open")) {
        __open();
    } else if (code == FOUR_CC("clos")) {
        if (is_iw(front))
            iw_close(front);
        else if (front && front == g_lm_win)
            DisposeWindow(front);
    } else if (code == FOUR_CC("save") || code == FOUR_CC("svas")) {
        __save(code == FOUR_CC("svas"));
    } else if (code == FOUR_CC("quit")) {
        if (!try_to_close_all_windows()) {
            tb_setup();
            return userCanceledErr;
        }
        CallNextEventHandler(next, event);
    } else if (code == FOUR_CC("R90R")) {
        iw_rotate(front, 90);
    } else if (code == FOUR_CC("R180")) {
        iw_rotate(front, 180);
    } else if (code == FOUR_CC("R90L")) {
        iw_rotate(front, 270);
    } else if (code == FOUR_CC("ZIN ")) {
        do_soft_zoom_in();
    } else if (code == FOUR_CC("ZOUT")) {
        do_soft_zom_out();
    } else if (code == FOUR_CC("BFIT")) {
        if (front_window_is_iw()) iw_best_fit();
    } else if (code == FOUR_CC("ZSEL")) {
        if (front_window_is_iw()) iw_zoom_to_selected_area();
    } else if (code == FOUR_CC("TL07")) {
        iw_erase_area(front, false);
    } else if (code == FOUR_CC("TL08")) {
        iw_erase_area(front, true);
    } else if (code == FOUR_CC("ASIZ")) {
        if (g_lm_win && front == g_lm_win && pref.lm_ratio != 5) {
            pref.lm_ratio = 5;
            adjust_lm_win();
        } else if (front_window_is_iw()) {
            iw_actual_size();
        }
    } else if (code == FOUR_CC("LM1 ")) {
        change_lm_size(0);
    } else if (code == FOUR_CC("LM2 ")) {
        change_lm_size(1);
    } else if (code == FOUR_CC("LM3 ")) {
        change_lm_size(2);
    } else if (code == FOUR_CC("CAPT")) {
        __capture();
    } else if (code == FOUR_CC("MSTA") || code == FOUR_CC("bGST")) {
        if (__start_live_monitor()) result = noErr;
    } else if (code == FOUR_CC("FCnV")) {
        do_file_conversion();
    } else if (code == FOUR_CC("MSTP") || code == FOUR_CC("bGEN")) {
        live_monitor_end();
        result = noErr;
    } else if (code == FOUR_CC("FSCR")) {
        __do_full_screen();
    } else if (code == FOUR_CC("RCON")) {
        __toggle(g_control_win, create_and_show_control_win);
    } else if (code == FOUR_CC("DRAW")) {
        if (__toggle(g_draw_win, create_and_show_draw_win)) __tool_back_to_hand();
    } else if (code == FOUR_CC("bGRA")) {
        do_grab_image();
        result = noErr;
    } else if (code == FOUR_CC("bTEL")) {
        do_tel_zoom();
        result = noErr;
    } else if (code == FOUR_CC("bWID")) {
        do_wide_zoom();
        result = noErr;
    } else if (code == FOUR_CC("bSTO")) {
        do_stop_zoom();
        result = noErr;
    } else {
        __set_drawing_choice(code);
    }
    tb_setup();
    return result;
}

OSStatus my_win_event_handler(EventHandlerCallRef next, EventRef event, void* user_data) {
    auto* window = static_cast<WindowRef>(user_data);
    const OSType event_class = GetEventClass(event);
    const std::uint32_t kind = GetEventKind(event);
    if (event_class == kEventClassMouse && kind == kEventMouseDown) {
        CallNextEventHandler(next, event);
        Point where{};
        GetEventMouseLocation(event, &where);
        if (window == g_lm_win)
            lm_click_scroll(where);
        else if (window == g_control_win)
            do_click_in_control_window(where);
        else if (g_fullscreen && window == g_fullscreen)
            g_end_fullscreen_request = true;
        return noErr;
    }
    if (event_class == kEventClassMouse && kind == kEventMouseWheelMoved) {
        if (window == g_lm_win) __lm_wheel(event);
        return noErr;
    }
    if (event_class == kEventClassWindow && kind == kEventWindowClosed) {
        if (window == g_control_win) {
            g_control_win = nullptr;
        } else if (window == g_draw_win) {
            g_draw_win = nullptr;
            std::fill(std::begin(g_draw_controls), std::end(g_draw_controls), nullptr);
            __tool_back_to_hand();
        } else if (window == g_lm_win) {
            live_monitor_end();
            g_lm_win = nullptr;
            g_lm_sc_v = g_lm_sc_h = nullptr;
        }
        tb_setup();
        return noErr;
    }
    if (event_class == kEventClassWindow &&
        (kind == kEventWindowActivated || kind == kEventWindowDeactivated)) {
        const OSStatus result = CallNextEventHandler(next, event);
        tb_setup();
        return result;
    }
    if (event_class == kEventClassWindow && kind == kEventWindowDrawContent) {
        if (window == g_lm_win)
            update_lm_window();
        else if (g_fullscreen && window == g_fullscreen)
            __redraw_fs_winodow();
    }
    return noErr;
}
