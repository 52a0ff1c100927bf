// View scales, scroll bars, scrolling and the redraw of image windows.

#include "imagewin/iw_view.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <numeric>

#include "imagewin/offscreen.h"
#include "imagewin/window_helpers.h"
#include "monitor/full_screen.h"
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

// The part of one axis of the picture that shows in the window: picture pixels [from, to)
// land on window pixels [at, end).
struct __Span {
    int from, to, at, end;
};

// One axis of `size` picture pixels scaled to `scaled` window pixels, scrolled by `offset`
// and seen through `view` window pixels. A large picture at a high ratio spans far more
// than 16-bit coordinates hold, so the visible part is worked out in wide numbers and only
// it is handed to the copy. Window pixel x shows picture pixel (x + offset) * size / scaled;
// cutting the span on whole periods of that mapping keeps the copy's choice of pixels the
// same as for the whole picture. False when nothing shows.
bool __visible_span(int size, std::int64_t scaled, std::int64_t offset, int view, __Span* out) {
    const std::int64_t first = std::max<std::int64_t>(offset, 0);
    const std::int64_t last = std::min<std::int64_t>(scaled, offset + view);
    if (size <= 0 || first >= last) return false;
    const std::int64_t g = std::gcd(std::int64_t(size), scaled);
    const std::int64_t period = scaled / g, picture_period = size / g;
    std::int64_t x0 = first / period * period, x1 = (last + period - 1) / period * period;
    std::int64_t from = x0 / period * picture_period, to = x1 / period * picture_period;
    if (x0 - offset < SHRT_MIN || x1 - offset > SHRT_MAX) {
        // A period too long for the coordinates (an odd custom ratio): cut at the picture
        // pixels that show, which may move a boundary by one window pixel.
        from = first * size / scaled;
        to = std::min<std::int64_t>(size, (last * size + scaled - 1) / scaled);
        x0 = (from * scaled + size - 1) / size;
        x1 = (to * scaled + size - 1) / size;
    }
    *out = __Span{int(from), int(to), int(x0 - offset), int(x1 - offset)};
    return true;
}

// A picture coordinate in the window, kept within a pixel of the view so that it fits a
// rectangle's coordinates while what lies outside stays outside.
std::int16_t __window_coordinate(int c, double r, int offset, int view) {
    return std::int16_t(std::clamp<std::int64_t>(std::int64_t(c * r) - offset, -1, view + 1));
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
    if (g_fullscreen && window == g_win_for_fs) {
        // Only the picture, fitted to the screen: no view scale, scrolling or selection.
        Rect dst;
        fs_prepare_picture(&rec->img_rect, &dst);
        __copy_iwoff_2_win(rec, g_fullscreen, &rec->img_rect, &dst, nullptr);
        return;
    }
    const double r = iw_view_ratio(rec);
    Rect content, mask, clip, drawn, saved_clip;
    GetWindowPortBounds(window, &content);
    // During an update only the invalid area is drawn.
    GetPortVisibleRegion(GetWindowPort(window), &mask);
    clip = content;
    if (rec->sc_h && IsControlVisible(rec->sc_h)) clip.bottom = std::int16_t(clip.bottom - kBar);
    if (rec->sc_v && IsControlVisible(rec->sc_v)) clip.right = std::int16_t(clip.right - kBar);
    GetClip(&saved_clip);
    // The square beside the bars belongs to neither: it is cleared, never left stale.
    if (clip.right < content.right || clip.bottom < content.bottom) {
        Rect corner;
        SetRect(&corner, content.right - kBar, content.bottom - kBar, content.right,
                content.bottom);
        EraseRect(&corner);
    }
    SectRect(&clip, &mask, &drawn);
    ClipRect(&drawn);
    const RGBColor black{0, 0, 0};
    RGBForeColor(&black);
    PenPat(&g_black_pattern);
    PaintRect(&content);

    const int dh = iw_scroll_offset(rec->sc_h), dv = iw_scroll_offset(rec->sc_v);
    const int width = rec->img_rect.right - rec->img_rect.left;
    const int height = rec->img_rect.bottom - rec->img_rect.top;
    __Span across, down;
    if (__visible_span(width, std::int64_t(width * r), dh, clip.right, &across) &&
        __visible_span(height, std::int64_t(height * r), dv, clip.bottom, &down)) {
        Rect src, dst;
        SetRect(&src, across.from, down.from, across.to, down.to);
        SetRect(&dst, across.at, down.at, across.end, down.end);
        __copy_iwoff_2_win(rec, window, &src, &dst, &mask);
    }

    if (!EmptyRect(&rec->sel_rect)) {
        const Rect& s = rec->sel_rect;
        Rect frame;
        SetRect(&frame, __window_coordinate(s.left, r, dh, clip.right),
                __window_coordinate(s.top, r, dv, clip.bottom),
                __window_coordinate(s.right, r, dh, clip.right),
                __window_coordinate(s.bottom, r, dv, clip.bottom));
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
    const int step = std::max(GetControlMaximum(control) / 100, 1);
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
