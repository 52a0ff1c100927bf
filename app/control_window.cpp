// The camera control window, the drawing panel and the drawing choices they hold.

#include "app/control_window.h"

#include "app/commands.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "platform/events.h"

WindowRef g_control_win = nullptr;
WindowRef g_draw_win = nullptr;
ControlRef g_draw_controls[kDrawControlCount] = {};
OSType g_dp_cur_tool = FOUR_CC("HAND");
OSType g_dp_cur_line_type = FOUR_CC("LTY0");
OSType g_dp_cur_line_width = FOUR_CC("LNW3");
OSType g_dp_cur_e_size = FOUR_CC("TLE1");
OSType g_dp_cur_color = FOUR_CC("CP01");
bool g_now_tracking_control_panel = false;

namespace {

// The five press-and-hold buttons of the control window, in local coordinates.
constexpr int kButtons = 5;
const Rect __g_rs[kButtons] = {
    {6, 85, 39, 119}, {6, 136, 39, 170}, {6, 187, 39, 221}, {44, 85, 77, 119}, {44, 136, 77, 170},
};
// Only the normal-iris button follows the pointer out and back in: its command goes out on
// release, and only when the release is inside it.
const bool __g_needs_track[kButtons] = {true, false, false, false, false};
using LensAction = void (*)();
const LensAction __press_action[kButtons] = {nullptr, do_open_iris, do_close_iris, do_tel_zoom,
                                             do_wide_zoom};
const LensAction __release_action[kButtons] = {do_normal_iris, do_stop_iris, do_stop_iris,
                                               do_stop_zoom, do_stop_zoom};

// The drawing panel's controls, in slot order; each with id 0.
const OSType __draw_control_ids[kDrawControlCount] = {
    FOUR_CC("TL01"), FOUR_CC("TL02"), FOUR_CC("TL03"), FOUR_CC("TL04"), FOUR_CC("TL05"),
    FOUR_CC("TL06"), FOUR_CC("TL07"), FOUR_CC("TL08"), FOUR_CC("TLE0"), FOUR_CC("TLE1"),
    FOUR_CC("TLE2"), FOUR_CC("TLE3"), FOUR_CC("LNTY"), FOUR_CC("LNWI"), FOUR_CC("CP00"),
    FOUR_CC("CP01"), FOUR_CC("CP02"), FOUR_CC("CP03"), FOUR_CC("CP04"), FOUR_CC("CP05"),
    FOUR_CC("CP06"), FOUR_CC("CP07"), FOUR_CC("CP08"),
};
constexpr int kFirstTool = 0, kEraserLabel = 8, kFirstSize = 9, kLineType = 12, kLineWidth = 13,
              kColourPicture = 14, kFirstColour = 15;

// A description that lacks a control leaves its slot empty; the panel works without it.
void __set_value(int slot, std::int32_t value) {
    if (g_draw_controls[slot]) SetControlValue(g_draw_controls[slot], value);
}

void __set_shown(int slot, bool shown) {
    ControlRef c = g_draw_controls[slot];
    if (!c) return;
    if (shown)
        ShowControl(c);
    else
        HideControl(c);
}

// 1-based position of code in the list, 0 when it is not there.
std::int32_t __index_of(OSType code, std::initializer_list<OSType> list) {
    std::int32_t i = 1;
    for (OSType c : list) {
        if (c == code) return i;
        ++i;
    }
    return 0;
}

void __flush_control_window() {
    QDFlushPortBuffer(GetWindowPort(g_control_win));
}

}  // namespace

OSStatus create_and_show_control_win() {
    if (!g_nibRef) return kIBCarbonRuntimeCantFindNibFile;
    const OSStatus err = CreateWindowFromNib(g_nibRef, "MainWindow", &g_control_win);
    if (err != noErr) return err;
    InstallWindowEventHandler(g_control_win, my_win_event_handler, 6, win_envets, g_control_win,
                              nullptr);
    ShowWindow(g_control_win);
    return noErr;
}

void do_click_in_control_window(Point where) {
    if (!g_control_win || !IsWindowVisible(g_control_win)) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetPortWindowPort(g_control_win);
    GlobalToLocal(&where);
    int b = 0;
    while (b < kButtons && !PtInRect(where, &__g_rs[b])) ++b;
    if (b == kButtons) {
        SetGWorld(saved);
        return;
    }
    const Rect& r = __g_rs[b];
    InvertRect(&r);
    __flush_control_window();
    g_now_tracking_control_panel = true;
    if (__press_action[b]) __press_action[b]();

    bool inside = true;
    // StillDown waits for the next mouse event or one tick: the loop never spins.
    while (StillDown()) {
        // A frame fetch or a refresh may have drawn elsewhere, and the window may be gone.
        if (__g_needs_track[b] && g_control_win) {
            SetPortWindowPort(g_control_win);
            Point now;
            GetMouse(&now);
            if (PtInRect(now, &r) != inside) {
                inside = !inside;
                InvertRect(&r);
                __flush_control_window();
            }
        }
        if (is_camera_active() && g_live_monitor_now) do_grab_image();
    }
    // The stop commands go out even if the window went meanwhile: the lens must not keep moving.
    if (inside) {
        __release_action[b]();
        if (g_control_win) {
            SetPortWindowPort(g_control_win);
            InvertRect(&r);
            __flush_control_window();
        }
    }
    g_now_tracking_control_panel = false;
    SetGWorld(saved);
}

OSStatus create_and_show_draw_win() {
    if (!g_nibRef) return kIBCarbonRuntimeCantFindNibFile;
    const OSStatus err = CreateWindowFromNib(g_nibRef, "DrawPanel", &g_draw_win);
    if (err != noErr) return err;
    InstallWindowEventHandler(g_draw_win, my_win_event_handler, 6, win_envets, g_draw_win, nullptr);
    for (int i = 0; i < kDrawControlCount; ++i) {
        const ControlID id{__draw_control_ids[i], 0};
        GetControlByID(g_draw_win, &id, &g_draw_controls[i]);
    }
    __setup_draw_panel_controls();
    ShowWindow(g_draw_win);
    return noErr;
}

void __setup_draw_panel_controls() {
    for (int i = 0; i < 6; ++i)
        __set_value(kFirstTool + i, g_dp_cur_tool == __draw_control_ids[kFirstTool + i]);
    const bool eraser = g_dp_cur_tool == FOUR_CC("TL06");
    for (int slot = kEraserLabel; slot < kFirstSize + 3; ++slot) __set_shown(slot, eraser);
    __set_shown(kLineType, false);
    for (int slot = kLineWidth; slot < kFirstColour + 8; ++slot) __set_shown(slot, !eraser);
    if (eraser) {
        for (int i = 0; i < 3; ++i)
            __set_value(kFirstSize + i, g_dp_cur_e_size == __draw_control_ids[kFirstSize + i]);
        return;
    }
    if (std::int32_t v = __index_of(g_dp_cur_line_type, {FOUR_CC("LTY0"), FOUR_CC("LTY1")}))
        __set_value(kLineType, v);
    if (std::int32_t v =
            __index_of(g_dp_cur_line_width, {FOUR_CC("LNW3"), FOUR_CC("LNW5"), FOUR_CC("LNW7")}))
        __set_value(kLineWidth, v);
    if (ControlRef picture = g_draw_controls[kColourPicture]) {
        const OSType first = FOUR_CC("CP01");
        const bool known = g_dp_cur_color >= first && g_dp_cur_color < first + 8;
        SetControlPicture(picture, std::int16_t(160 + (known ? g_dp_cur_color - first + 1 : 1)));
        DrawOneControl(picture);
    }
}
