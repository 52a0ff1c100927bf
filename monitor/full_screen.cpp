// Full-screen presentation of the live picture or of an image window.

#include "monitor/full_screen.h"

#include "app/commands.h"
#include "app/control_window.h"
#include "app/toolbar.h"
#include "imagewin/iw_view.h"
#include "imagewin/offscreen.h"
#include "imagewin/window_helpers.h"
#include "monitor/live_monitor.h"

WindowRef g_fullscreen = nullptr;
FullScreenStateRef g_fs_old_state = nullptr;
WindowRef g_win_for_fs = nullptr;
bool g_end_fullscreen_request = false;
bool g_needs_show_g_tool_bar_when_endfullscreen = false;
bool g_needs_show_g_control_win_when_endfullscreen = false;
bool g_needs_show_g_draw_win_when_endfullscreen = false;

namespace {

constexpr std::uint8_t kEscape = 27;
const EventTypeSpec __fs_end_events[2] = {{kEventClassKeyboard, kEventRawKeyDown},
                                          {kEventClassWindow, kEventWindowClose}};

bool __shown(WindowRef w) {
    return w && IsWindowVisible(w);
}

// Escape and the desktop's close request end the presentation as a press does: through the
// request to the idle routine, which disposes of the window.
OSStatus __fs_end_handler(EventHandlerCallRef, EventRef event, void*) {
    std::uint8_t key = 0;
    if (GetEventClass(event) == kEventClassKeyboard &&
        (GetEventKeyChar(event, &key) != noErr || key != kEscape))
        return eventNotHandledErr;
    g_end_fullscreen_request = true;
    return noErr;
}

}  // namespace

void __do_full_screen() {
    if (g_fullscreen) return;
    WindowRef front = GetFrontWindowOfClass(kDocumentWindowClass, true);
    if (!front) return;
    // Nothing changes unless the platform gives a window to present in.
    FullScreenStateRef state = nullptr;
    WindowRef window = nullptr;
    BeginFullScreen(&state, &window);
    if (!window) return;
    g_win_for_fs = front;
    g_end_fullscreen_request = false;
    g_needs_show_g_tool_bar_when_endfullscreen = __shown(g_tool_bar);
    g_needs_show_g_control_win_when_endfullscreen = __shown(g_control_win);
    g_needs_show_g_draw_win_when_endfullscreen = __shown(g_draw_win);
    if (g_tool_bar) HideWindow(g_tool_bar);
    if (g_draw_win) HideWindow(g_draw_win);
    g_fullscreen = window;
    g_fs_old_state = state;
    InstallWindowEventHandler(window, my_win_event_handler, 6, win_envets, window, nullptr);
    InstallWindowEventHandler(window, __fs_end_handler, 2, __fs_end_events, nullptr, nullptr);
    ShowWindow(window);
    inval_window(window);
    __redraw_fs_winodow();
}

void __redraw_fs_winodow() {
    if (!g_fullscreen) return;
    if (g_win_for_fs == g_lm_win) {
        update_lm_window();
    } else if (IsValidWindowPtr(g_win_for_fs)) {
        iw_draw(g_win_for_fs);
    } else {
        // The presented image window was closed: there is nothing left to present.
        g_end_fullscreen_request = true;
    }
    QDFlushPortBuffer(GetWindowPort(g_fullscreen));
}

void fs_prepare_picture(const Rect* src, Rect* dst) {
    CGrafPtr port = GetWindowPort(g_fullscreen);
    SetGWorld(port);
    Rect all;
    GetPortBounds(port, &all);
    ForeColor(blackColor);
    PaintRect(&all);
    *dst = *src;
    shrink_and_centering_rect(&all, dst);
}

void end_full_screen_if_requested() {
    if (!g_end_fullscreen_request) return;
    g_end_fullscreen_request = false;
    if (!g_fullscreen) return;
    g_fullscreen = nullptr;
    EndFullScreen(g_fs_old_state);
    g_fs_old_state = nullptr;
    if (g_needs_show_g_tool_bar_when_endfullscreen && g_tool_bar) ShowWindow(g_tool_bar);
    if (g_needs_show_g_control_win_when_endfullscreen && g_control_win) ShowWindow(g_control_win);
    if (g_needs_show_g_draw_win_when_endfullscreen && g_draw_win) ShowWindow(g_draw_win);
    // The camera may have gone meanwhile: the refresh hides the control window again then.
    tb_setup();
}
