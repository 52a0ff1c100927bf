// The live monitor window, which shows the camera's picture as it arrives.

#include "monitor/live_monitor.h"

#include "app/commands.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "imagewin/window_helpers.h"
#include "monitor/full_screen.h"
#include "platform/events.h"

WindowRef g_lm_win = nullptr;
ControlRef g_lm_sc_v = nullptr;
ControlRef g_lm_sc_h = nullptr;
std::int32_t g_off_width_of_lmwin_setup = 0;
std::int32_t g_off_height_of_lmwin_setup = 0;

namespace {

constexpr int kBar = 15;  // the room a scroll bar takes from the content
constexpr std::int32_t kActualSize = 5;
constexpr std::int32_t kLargestRatio = 11;

// The picture's size in the window at actual size, for the size setting.
void __nominal_size(int* width, int* height) {
    const int divisor = pref.lm_size == 0 ? 4 : pref.lm_size == 1 ? 2 : 1;
    *width = g_off_width / divisor;
    *height = g_off_height / divisor;
}

std::int16_t __scaled(int length, double ratio) {
    return std::int16_t(int(length * ratio));
}

// The bars are none until the window is made from its description, and none once it closed.
bool __shown(ControlRef bar) {
    return bar && IsControlVisible(bar);
}

// The whole live picture fitted to the full-screen window, on black.
void __draw_full_screen() {
    Rect src{0, 0, 1, 1}, dst;
    if (g_lm_off) GetPortBounds(g_lm_off, &src);
    fs_prepare_picture(&src, &dst);
    if (g_lm_off) CopyBits(g_lm_off, GetWindowPort(g_fullscreen), &src, &dst, srcCopy, nullptr);
    QDFlushPortBuffer(GetWindowPort(g_fullscreen));
}

void __redraw_now() {
    update_lm_window();
    if (g_lm_win) QDFlushPortBuffer(GetWindowPort(g_lm_win));
}

// Places one scroll bar for a scaled length and the content edge it runs along, or hides it.
void __set_bar(ControlRef bar, bool needed, int scaled, int edge, bool other_needed) {
    if (!needed) {
        HideControl(bar);
        return;
    }
    const int view = other_needed ? edge - kBar : edge;
    SetControlMaximum(bar, scaled - view);
    SetControlViewSize(bar, view);
    ShowControl(bar);
}

}  // namespace

void create_and_show_lm_win() {
    if (g_lm_off) {
        CGrafPtr saved = nullptr;
        GetGWorld(&saved);
        SetGWorld(g_lm_off);
        Rect all;
        GetPortBounds(g_lm_off, &all);
        PaintRect(&all);
        SetGWorld(saved);
    }
    WindowRef window = nullptr;
    if (!g_nibRef || CreateWindowFromNib(g_nibRef, "ImageWindow", &window) != noErr) return;
    const ControlID v_id{FOUR_CC("LIVE"), 0}, h_id{FOUR_CC("LIVE"), 1};
    ControlRef v = nullptr, h = nullptr;
    // Every redraw and scroll works the two bars: a description without them makes no window.
    if (GetControlByID(window, &v_id, &v) != noErr || GetControlByID(window, &h_id, &h) != noErr) {
        DisposeWindow(window);
        return;
    }
    g_lm_win = window;
    g_lm_sc_v = v;
    g_lm_sc_h = h;
    InstallWindowEventHandler(window, my_win_event_handler, 6, win_envets, window, nullptr);
    SetControlAction(v, lm_live_action_proc);
    SetControlAction(h, lm_live_action_proc);
    setup_size_of_lm_win();
    ShowWindow(window);
}

void setup_size_of_lm_win() {
    if (!g_lm_win) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetPortWindowPort(g_lm_win);
    if (pref.lm_size >= 0 && pref.lm_size <= 2) {
        int width = 0, height = 0;
        __nominal_size(&width, &height);
        fit_on_screen(&width, &height);
        SizeWindow(g_lm_win, std::int16_t(width), std::int16_t(height), false);
        pref.lm_ratio = kActualSize;
    }
    for (ControlRef bar : {g_lm_sc_v, g_lm_sc_h})
        if (bar) HideControl(bar);
    InvalWindowRect(g_lm_win, nullptr);
    g_off_width_of_lmwin_setup = g_off_width;
    g_off_height_of_lmwin_setup = g_off_height;
    SetGWorld(saved);
}

void check_and_resize_lm_win() {
    if (g_off_width != g_off_width_of_lmwin_setup || g_off_height != g_off_height_of_lmwin_setup)
        setup_size_of_lm_win();
}

void adjust_lm_win() {
    if (!g_lm_win || !g_lm_sc_h || !g_lm_sc_v) return;
    Rect c;
    GetWindowPortBounds(g_lm_win, &c);
    int width = 0, height = 0;
    __nominal_size(&width, &height);
    const double ratio = dbl_ratio[pref.lm_ratio];
    const int sw = __scaled(width, ratio), sh = __scaled(height, ratio);

    bool need_h = sw > c.right, need_v = sh > c.bottom;
    if (need_h && !need_v)
        need_v = sh > c.bottom - kBar;
    else if (need_v && !need_h)
        need_h = sw > c.right - kBar;

    MoveControl(g_lm_sc_h, c.left, std::int16_t(c.bottom - kBar));
    SizeControl(g_lm_sc_h, std::int16_t(c.right - c.left - 14), 16);
    __set_bar(g_lm_sc_h, need_h, sw, c.right, need_v);
    MoveControl(g_lm_sc_v, std::int16_t(c.right - kBar), std::int16_t(c.top - 1));
    SizeControl(g_lm_sc_v, 16, std::int16_t(c.bottom - c.top - 13));
    __set_bar(g_lm_sc_v, need_v, sh, c.bottom, need_h);
    InvalWindowRect(g_lm_win, nullptr);
}

void do_soft_zoom_in() {
    if (front_window_is_iw()) {
        iw_zoon_in();
        return;
    }
    if (pref.lm_ratio >= kLargestRatio) return;
    ++pref.lm_ratio;
    adjust_lm_win();
}

void do_soft_zom_out() {
    if (front_window_is_iw()) {
        iw_zoon_out();
        return;
    }
    if (pref.lm_ratio <= 0) return;
    --pref.lm_ratio;
    adjust_lm_win();
}

void change_lm_size(std::int32_t size) {
    pref.lm_size = size;
    if (!g_lm_win || !IsWindowVisible(g_lm_win)) return;
    if (check_image_size() == 0) setup_size_of_lm_win();
}

void update_lm_window() {
    if (!g_lm_win || !IsWindowVisible(g_lm_win)) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    if (g_fullscreen && g_win_for_fs == g_lm_win) {
        __draw_full_screen();
        SetGWorld(saved);
        return;
    }
    SetPortWindowPort(g_lm_win);
    check_and_resize_lm_win();
    CGrafPtr port = GetWindowPort(g_lm_win);

    Rect content;
    GetPortBounds(port, &content);
    const bool h_shown = __shown(g_lm_sc_h), v_shown = __shown(g_lm_sc_v);
    if (h_shown || v_shown) {
        Rect corner;
        SetRect(&corner, content.right - kBar, content.bottom - kBar, content.right,
                content.bottom);
        EraseRect(&corner);
    }
    Rect clip = content, saved_clip;
    if (h_shown) clip.bottom = std::int16_t(clip.bottom - kBar);
    if (v_shown) clip.right = std::int16_t(clip.right - kBar);
    GetClip(&saved_clip);
    ClipRect(&clip);
    PaintRect(&content);

    if (g_lm_off) {
        const double ratio = dbl_ratio[pref.lm_ratio];
        Rect src, dst = content;
        GetPortBounds(g_lm_off, &src);
        dst.right = __scaled(content.right, ratio);
        dst.bottom = __scaled(content.bottom, ratio);
        OffsetRect(&dst, h_shown ? -GetControlValue(g_lm_sc_h) : 0,
                   v_shown ? -GetControlValue(g_lm_sc_v) : 0);
        CopyBits(g_lm_off, port, &src, &dst, srcCopy, &content);
    }
    ClipRect(&saved_clip);
    SetGWorld(saved);
}

void lm_live_action_proc(ControlRef control, std::int16_t part) {
    const std::int32_t before = GetControlValue(control);
    // Steps the bar as for an image window; the live window is not one, so nothing is drawn.
    im_live_action_proc(control, part);
    if (GetControlValue(control) != before || part == kControlIndicatorPart) __redraw_now();
}

void lm_click_scroll(Point where) {
    if (!g_lm_win || !IsWindowVisible(g_lm_win)) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetPortWindowPort(g_lm_win);
    Point last = where;
    GlobalToLocal(&last);
    if (g_lm_sc_h && g_lm_sc_v && (__shown(g_lm_sc_h) || __shown(g_lm_sc_v))) {
        // The wait for the mouse runs the event loop: the window may go meanwhile.
        while (StillDown() && g_lm_win) {
            SetPortWindowPort(g_lm_win);
            Point now;
            GetMouse(&now);
            if (now.h == last.h && now.v == last.v) continue;
            SetControlValue(g_lm_sc_h, GetControlValue(g_lm_sc_h) + (last.h - now.h));
            SetControlValue(g_lm_sc_v, GetControlValue(g_lm_sc_v) + (last.v - now.v));
            last = now;
            __redraw_now();
        }
    }
    SetGWorld(saved);
}
