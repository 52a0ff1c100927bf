// The selection in an image document: dragging it, clearing it, zooming to it and erasing
// the annotations in it.

#include "imagewin/selection.h"

#include <algorithm>

#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "imagewin/offscreen.h"
#include "imagewin/window_helpers.h"
#include "platform/events.h"

namespace {

// The picture rectangle spanned by two scaled points, clamped to the picture's top-left and
// bottom-right; a drag wholly beyond an edge comes out empty.
Rect __picture_span(IwPoint a, IwPoint b, double r, const Rect& picture) {
    Rect out;
    out.left = std::max(iw_to_picture(std::min(a.h, b.h), r), picture.left);
    out.top = std::max(iw_to_picture(std::min(a.v, b.v), r), picture.top);
    out.right = std::min(iw_to_picture(std::max(a.h, b.h), r), picture.right);
    out.bottom = std::min(iw_to_picture(std::max(a.v, b.v), r), picture.bottom);
    return out;
}

}  // namespace

void iw_click_selection(WindowRef window, Point start) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    Rect work{0, 0, 0, 0}, picture;
    GetPortBounds(rec->shape_off, &picture);
    const double r = iw_view_ratio(rec);
    const int margin = int(2 * r);
    const IwPoint anchor = iw_scrolled(rec, start);
    IwPoint last{anchor.h - 1, anchor.v};
    while (StillDown()) {
        if (!iw_still_open(window, rec)) {
            SetGWorld(saved);
            return;
        }
        const IwPoint now = iw_mouse_point(window);
        if (now == last) continue;
        work = __picture_span(now, anchor, r, picture);
        rec->sel_rect = work;
        iw_redraw_span(window, {anchor, now, last}, 2 * margin);
        last = now;
    }
    rec->sel_rect = work;
    InvalRectPortRect(window);
    SetGWorld(saved);
}

void __clear_selection(WindowRef window) {
    IwRecord* rec = iw_record(window);
    if (!rec || EmptyRect(&rec->sel_rect)) return;
    SetRect(&rec->sel_rect, 0, 0, 0, 0);
    InvalRectPortRect(window);
    update_now(window);
}

void iw_zoom_to_selected_area() {
    WindowRef window = GetFrontWindowOfClass(kDocumentWindowClass, true);
    IwRecord* rec = iw_record(window);
    if (!rec || EmptyRect(&rec->sel_rect)) return;
    const Rect sel = rec->sel_rect;
    const int sel_w = sel.right - sel.left, sel_h = sel.bottom - sel.top;
    Rect area, fit = sel;
    iw_view_area(window, &area);
    shrink_and_centering_rect(&area, &fit);
    double s = double(fit.right - fit.left) / sel_w;
    s = s < dbl_ratio[0] ? dbl_ratio[0] : std::min(s, dbl_ratio[11]);
    fit.right = std::int16_t(fit.left + sel_w * s);
    fit.bottom = std::int16_t(fit.top + sel_h * s);
    rec->zoom_ratio = s;
    rec->zoom_index = 12;
    __adjust_iw_win(window);
    const int dh = ((fit.right - fit.left) - (area.right - area.left)) / 2;
    const int dv = ((fit.bottom - fit.top) - (area.bottom - area.top)) / 2;
    SetControlValue(rec->sc_h, std::int32_t(sel.left * s + dh));
    SetControlValue(rec->sc_v, std::int32_t(dv + sel.top * s));
    __adjust_iw_win(window);
    iw_set_window_title(window);
}

void iw_erase_area(WindowRef window, bool whole) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    Rect area = rec->sel_rect;
    if (whole) GetPortBounds(rec->draw_off, &area);
    if (EmptyRect(&area)) return;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    for (GWorldPtr layer : {rec->draw_off, rec->shape_off}) {
        SetGWorld(layer);
        RGBBackColor(&__g_rgb_back);
        EraseRect(&area);
    }
    // What a save would write has changed: closing must ask before discarding it.
    rec->modified = true;
    SetPortWindowPort(window);
    InvalRectPortRect(window);
    update_now(window);
    SetGWorld(saved);
}
