// The toolbar window and the refresh that keeps toolbar, status text and menus up to date.

#include "app/toolbar.h"

#include "app/commands.h"
#include "app/control_window.h"
#include "app/cursors.h"
#include "app/prefs.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "imagefile/file_conversion.h"
#include "imagewin/image_window.h"
#include "monitor/live_monitor.h"
#include "platform/events.h"

namespace {
constexpr OSType kTbar = FOUR_CC("TBAR");
}  // namespace

TbEntry tb[kTbCount] = {
    {kTbar, 1, false, true, 0},   {kTbar, 2, false, false, 0},  {kTbar, 3, false, false, 0},
    {kTbar, 4, true, false, 0},   {kTbar, 5, true, false, 0},   {kTbar, 6, false, false, 0},
    {kTbar, 7, false, false, 0},  {kTbar, 8, false, false, 0},  {kTbar, 9, false, false, 0},
    {kTbar, 10, false, false, 0}, {kTbar, 11, false, false, 0}, {kTbar, 12, false, false, 0},
    {kTbar, 13, true, true, 0},   {kTbar, 14, true, true, 0},   {kTbar, 15, false, false, 0},
};

WindowRef g_tool_bar = nullptr;

namespace {

void set_menu_command(MenuRef menu, OSType command, bool enabled) {
    if (enabled)
        EnableMenuCommand(menu, command);
    else
        DisableMenuCommand(menu, command);
}

bool window_shown(WindowRef w) {
    return w && IsWindowVisible(w);
}

}  // namespace

void tb_setup() {
    const bool iw_front = front_window_is_iw();
    const bool mine_front = front_is_my_window();
    const bool camera = is_camera_active();

    tb[0].enabled = true;
    for (int n : {2, 4, 5, 6, 7}) tb[n - 1].enabled = iw_front;
    for (int n : {3, 8, 9}) tb[n - 1].enabled = mine_front;
    tb[3].value = g_dp_cur_tool == FOUR_CC("HAND");
    tb[4].value = g_dp_cur_tool == FOUR_CC("SELE");

    tb[9].enabled = camera && g_live_monitor_now;
    tb[10].enabled = camera && !g_live_monitor_now;
    tb[11].enabled = camera;
    tb[12].value = window_shown(g_draw_win);

    if (camera) {
        tb[13].enabled = true;
        tb[13].value = window_shown(g_control_win);
    } else {
        tb[13].enabled = false;
        if (window_shown(g_control_win)) HideWindow(g_control_win);
    }

    // Camera code may refresh before the toolbar exists; the table is then kept for later.
    if (g_tool_bar) {
        for (const TbEntry& e : tb) {
            const ControlID id{e.signature, e.id};
            ControlRef control = nullptr;
            if (GetControlByID(g_tool_bar, &id, &control) != noErr) continue;
            if (e.enabled)
                ActivateControl(control);
            else
                DeactivateControl(control);
            if (e.has_value) SetControlValue(control, e.value);
        }
        const ControlID status{kTbar, 15};
        ControlRef text = nullptr;
        if (GetControlByID(g_tool_bar, &status, &text) == noErr) {
            SetControlText(text, camera ? kCameraReadyText : kCameraNotFoundText);
            DrawOneControl(text);
        }
    }

    const OSType sizes[] = {FOUR_CC("LM1 "), FOUR_CC("LM2 "), FOUR_CC("LM3 ")};
    for (int i = 0; i < 3; ++i) {
        MenuRef menu = nullptr;
        MenuItemIndex item = 0;
        if (GetIndMenuItemWithCommandID(nullptr, sizes[i], 1, &menu, &item) == noErr)
            CheckMenuItem(menu, item, pref.lm_size == i);
    }

    MenuRef file = GetMenuRef(128);
    set_menu_command(file, FOUR_CC("clos"), iw_front || mine_front);
    set_menu_command(file, FOUR_CC("save"), iw_front);
    set_menu_command(file, FOUR_CC("svas"), iw_front);

    MenuRef image = GetMenuRef(129);
    for (OSType c : {FOUR_CC("R180"), FOUR_CC("R90R"), FOUR_CC("R90L")})
        set_menu_command(image, c, iw_front);

    MenuRef view = GetMenuRef(130);
    for (OSType c : {FOUR_CC("FSCR"), FOUR_CC("ZIN "), FOUR_CC("ZOUT")})
        set_menu_command(view, c, mine_front);
    set_menu_command(view, FOUR_CC("BFIT"), iw_front);
    set_menu_command(view, FOUR_CC("ZSEL"), iw_front);
    const bool lm_front_not_actual =
        g_lm_win && GetFrontWindowOfClass(kDocumentWindowClass, true) == g_lm_win &&
        pref.lm_ratio != 5;
    set_menu_command(view, FOUR_CC("ASIZ"), iw_front || lm_front_not_actual);

    MenuRef camera_menu = GetMenuRef(131);
    const bool capture = !g_file_conversion_dialog_ptr && camera;
    set_menu_command(camera_menu, FOUR_CC("CAPT"), capture);
    set_menu_command(camera_menu, FOUR_CC("RCON"), capture);
    // The live picture's items follow their toolbar buttons.
    set_menu_command(camera_menu, FOUR_CC("MSTP"), tb[9].enabled);
    set_menu_command(camera_menu, FOUR_CC("MSTA"), tb[10].enabled);

    if (window_shown(g_draw_win)) __setup_draw_panel_controls();
    Point where;
    GetGlobalMouse(&where);
    do_setup_my_cursor(where);
}
