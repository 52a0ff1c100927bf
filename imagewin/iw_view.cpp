// View scales, scroll bars, scrolling and the redraw of image windows.

#include "imagewin/iw_view.h"

#include <algorithm>
#include <cstdint>

#include "imagewin/offscreen.h"
#include "imagewin/window_helpers.h"
#include "platform/events.h"

const double dbl_ratio[13] = {0.0625, 0.125, 0.25, 0.5, 2.0 / 3.0, 1.0, 1.5,
                              2.0,    3.0,   4.0,  8.0, 16.0,      1.0};
const Pattern g_selection_pattern = {{0xF0, 0xE1, 0xC3, 0x87, 0x0F, 0x1E, 0x3C, 0x78}};
const Pattern g_black_pattern = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};

namespace {

constexpr int kBar = 15;  // the width the scroll bars take from the content

// Picture pixels scaled to window pixels, truncated toward zero.
int __scaled(int c, double r) {
    return int(c * r);
}

// The front window when it is an image window, else null.
WindowRef __front_iw() {
    WindowRef front = GetFrontWindowOfClass(kDocumentWindowClass, true);
    return is_iw(front) ? front : nullptr;
}

void __rescaled(WindowRef window) {
    __adjust_iw_win(window);
    iw_set_window_title(window);
}

void __draw_and_flush(WindowRef window) {
    iw_draw(window);
    QDFlushPortBuffer(GetWindowPort(window));
}

}  // namespace

double iw_view_ratio(const IwRecord* record) {
    if (record->zoom_index >= 0 && record->zoom_index <= 11) return dbl_ratio[record->zoom_index];
    return record->zoom_ratio;
}

void iw_view_area(WindowRef window, Rect* out) {
    GetWindowPortBounds(window, out);
    out->right = std::int16_t(out->right - kBar);
    out->bottom = std::int16_t(out->bottom - kBar);
}

int iw_scroll_offset(ControlRef bar) {
    return bar && IsControlVisible(bar) ? std::max(0, int(GetControlValue(bar))) : 0;
}

IwPoint iw_scrolled(const IwRecord* record, Point local) {
    return {local.h + iw_scroll_offset(record->sc_h), local.v + iw_scroll_offset(record->sc_v)};
}

IwPoint iw_mouse_point(WindowRef window) {
    SetPortWindowPort(window);
    Point local;
    GetMouse(&local);
    return iw_scrolled(iw_record(window), local);
}

std::int16_t iw_to_picture(std::int32_t c, double r) {
    return std::int16_t(std::clamp(c / r, double(INT16_MIN), double(INT16_MAX)));
}

void iw_redraw_span(WindowRef window, std::initializer_list<IwPoint> points, int margin) {
    const IwRecord* rec = iw_record(window);
    IwPoint lo = *points.begin(), hi = lo;
    for (const IwPoint& p : points) {
        lo = {std::min(lo.h, p.h), std::min(lo.v, p.v)};
        hi = {std::max(hi.h, p.h), std::max(hi.v, p.v)};
    }
    const int dh = iw_scroll_offset(rec->sc_h), dv = iw_scroll_offset(rec->sc_v);
    auto local = [](std::int32_t c) { return std::clamp(c, INT16_MIN, INT16_MAX); };
    Rect area;
    SetRect(&area, local(lo.h - margin - dh), local(lo.v - margin - dv), local(hi.h + margin - dh),
            local(hi.v + margin - dv));
    InvalWindowRect(window, &area);
    update_now(window);
}

void iw_zoon_in() {
    WindowRef window = __front_iw();
    if (!window) return;
    IwRecord* rec = iw_record(window);
    if (rec->zoom_index == 11) return;
    if (rec->zoom_index >= 0 && rec->zoom_index < 11) {
        ++rec->zoom_index;
    } else {
        std::int32_t i = 0;
        while (i <= 10 && !(dbl_ratio[i] > rec->zoom_ratio)) ++i;
        rec->zoom_index = i;
    }
    __rescaled(window);
}

void iw_zoon_out() {
    WindowRef window = __front_iw();
    if (!window) return;
    IwRecord* rec = iw_record(window);
    if (rec->zoom_index == 0) return;
    if (rec->zoom_index >= 1 && rec->zoom_index <= 11) {
        --rec->zoom_index;
    } else {
        std::int32_t i = 1;
        while (i <= 11 && !(dbl_ratio[i] >= rec->zoom_ratio)) ++i;
        rec->zoom_index = i <= 11 ? i - 1 : 11;
    }
    __rescaled(window);
}

void iw_best_fit() {
    WindowRef window = __front_iw();
    if (!window) return;
    IwRecord* rec = iw_record(window);
    Rect area, fitted;
    iw_view_area(window, &area);
    GetPortBounds(rec->draw_off, &fitted);
    if (EmptyRect(&area) || EmptyRect(&fitted)) return;
    shrink_and_centering_rect(&area, &fitted);
    rec->zoom_index = 12;
    rec->zoom_ratio =
        double(fitted.right - fitted.left) / (rec->img_rect.right - rec->img_rect.left);
    __rescaled(window);
}

void iw_actual_size() {
    WindowRef window = __front_iw();
    if (!window) return;
    iw_record(window)->zoom_index = 5;
    __rescaled(window);
}

void __adjust_iw_win(WindowRef window) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    const double r = iw_view_ratio(rec);
    const int sw = __scaled(rec->img_rect.right - rec->img_rect.left, r);
    const int sh = __scaled(rec->img_rect.bottom - rec->img_rect.top, r);
    Rect c;
    GetWindowPortBounds(window, &c);

    MoveControl(rec->sc_h, c.left, std::int16_t(c.bottom - kBar));
    SizeControl(rec->sc_h, std::int16_t(c.right - c.left - 14), 16);
    SetControlMaximum(rec->sc_h, std::max(0, sw - (c.right - kBar)));
    SetControlViewSize(rec->sc_h, c.right - kBar);
    ActivateControl(rec->sc_h);
    ShowControl(rec->sc_h);

    MoveControl(rec->sc_v, std::int16_t(c.right - kBar), std::int16_t(c.top - 1));
    SizeControl(rec->sc_v, 16, std::int16_t(c.bottom - c.top - 13));
    SetControlMaximum(rec->sc_v, std::max(0, sh - (c.bottom - kBar)));
    SetControlViewSize(rec->sc_v, c.bottom - kBar);
    ActivateControl(rec->sc_v);

    InvalWindowRect(window, &c);
}

void iw_draw(WindowRef window) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    SetPortWindowPort(window);
    const double r = iw_view_ratio(rec);
    Rect content, clip, saved_clip;
    GetWindowPortBounds(window, &content);
    clip = content;
    if (rec->sc_h && IsControlVisible(rec->sc_h)) clip.bottom = std::int16_t(clip.bottom - kBar);
    if (rec->sc_v && IsControlVisible(rec->sc_v)) clip.right = std::int16_t(clip.right - kBar);
    GetClip(&saved_clip);
    ClipRect(&clip);
    const RGBColor black{0, 0, 0};
    RGBForeColor(&black);
    PenPat(&g_black_pattern);
    PaintRect(&content);

    const int dh = iw_scroll_offset(rec->sc_h), dv = iw_scroll_offset(rec->sc_v);
    Rect dst;
    SetRect(&dst, rec->img_rect.left, rec->img_rect.top,
            __scaled(rec->img_rect.right - rec->img_rect.left, r),
            __scaled(rec->img_rect.bottom - rec->img_rect.top, r));
    OffsetRect(&dst, -dh, -dv);
    __copy_iwoff_2_win(rec, window, &rec->img_rect, &dst, &content);

    if (!EmptyRect(&rec->sel_rect)) {
        Rect frame;
        SetRect(&frame, __scaled(rec->sel_rect.left, r) - dh, __scaled(rec->sel_rect.top, r) - dv,
                __scaled(rec->sel_rect.right, r) - dh, __scaled(rec->sel_rect.bottom, r) - dv);
        const RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
        RGBBackColor(&white);
        PenSize(1, 1);
        PenPat(&g_selection_pattern);
        FrameRect(&frame);
        PenPat(&g_black_pattern);
    }
    ClipRect(&saved_clip);
}

void __copy_iwoff_2_win(IwRecord* record, WindowRef window, const Rect* src, const Rect* dst,
                        const Rect* mask) {
    CGrafPtr port = GetWindowPort(window);
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetGWorld(port);
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits(record->img_off, port, src, dst, srcCopy, mask);
    RGBBackColor(&__g_rgb_back);
    CopyBits(record->draw_off, port, src, dst, transparent, mask);
    CopyBits(record->shape_off, port, src, dst, transparent, mask);
    BackColor(whiteColor);
    SetGWorld(saved);
}

void iw_click_scroll(WindowRef window, Point start) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    Point last = start;
    while (StillDown() && iw_still_open(window, rec)) {
        SetPortWindowPort(window);
        Point now;
        GetMouse(&now);
        if (now.h == last.h && now.v == last.v) continue;
        SetControlValue(rec->sc_h, GetControlValue(rec->sc_h) + (last.h - now.h));
        SetControlValue(rec->sc_v, GetControlValue(rec->sc_v) + (last.v - now.v));
        last = now;
        __draw_and_flush(window);
    }
}

void im_live_action_proc(ControlRef control, std::int16_t part) {
    const auto maximum = std::int16_t(GetControlMaximum(control));
    const int step = std::max(maximum / 100, 1);
    int change = 0;
    switch (part) {
        case kControlUpButtonPart:
            change = -step;
            break;
        case kControlDownButtonPart:
            change = step;
            break;
        case kControlPageUpPart:
            change = -10 * step;
            break;
        case kControlPageDownPart:
            change = 10 * step;
            break;
        default:
            break;
    }
    const std::int32_t before = GetControlValue(control);
    if (change != 0) SetControlValue(control, before + change);
    if (GetControlValue(control) != before || part == kControlIndicatorPart) {
        WindowRef window = GetControlOwner(control);
        if (is_iw(window)) __draw_and_flush(window);
    }
}
