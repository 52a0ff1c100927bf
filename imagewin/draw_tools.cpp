// The drawing tools: pen, line, rectangle, horizontal and vertical line, and eraser.
//
// Annotations go into the drawing layer, never into the picture. The pen and the eraser draw
// there directly; the other tools draw their shape in the shape layer while the button is
// held and merge it into the drawing layer on release.

#include "imagewin/draw_tools.h"

#include <algorithm>

#include "app/control_window.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "platform/events.h"

namespace {

constexpr OSType kPen = FOUR_CC("TL01");
constexpr OSType kRectangle = FOUR_CC("TL03");
constexpr OSType kHorizontal = FOUR_CC("TL04");
constexpr OSType kVertical = FOUR_CC("TL05");
constexpr OSType kEraser = FOUR_CC("TL06");

// The pen width in picture pixels, whatever the view ratio.
int __pen_width() {
    switch (g_dp_cur_line_width) {
        case FOUR_CC("LNW5"):
            return 5;
        case FOUR_CC("LNW7"):
            return 7;
        default:
            return 3;
    }
}

// The eraser size in window pixels, so that it covers the same screen area at every ratio.
int __eraser_size() {
    switch (g_dp_cur_e_size) {
        case FOUR_CC("TLE1"):
            return 6;
        case FOUR_CC("TLE2"):
            return 10;
        case FOUR_CC("TLE3"):
            return 16;
        default:
            return 3;
    }
}

// Sets the current port's foreground to the chosen colour; an unknown code leaves it.
void __set_fore_colour() {
    static constexpr struct {
        OSType code;
        long colour;
    } kColours[] = {
        {FOUR_CC("CP01"), blackColor},   {FOUR_CC("CP02"), redColor},
        {FOUR_CC("CP03"), blueColor},    {FOUR_CC("CP04"), greenColor},
        {FOUR_CC("CP05"), whiteColor},   {FOUR_CC("CP06"), yellowColor},
        {FOUR_CC("CP07"), magentaColor}, {FOUR_CC("CP08"), cyanColor},
    };
    for (const auto& c : kColours)
        if (c.code == g_dp_cur_color) ForeColor(c.colour);
}

// Draws the shape of the tool from anchor to now into the current port (the shape layer),
// in picture pixels; returns the area it may have painted, for erasing it again.
Rect __draw_shape(OSType tool, IwPoint anchor, IwPoint now, double r, int pen) {
    const std::int16_t ah = iw_to_picture(anchor.h, r), av = iw_to_picture(anchor.v, r);
    const std::int16_t nh = iw_to_picture(now.h, r), nv = iw_to_picture(now.v, r);
    Rect span;
    SetRect(&span, std::min(ah, nh), std::min(av, nv), std::max(ah, nh), std::max(av, nv));
    if (tool == kRectangle) {
        FrameRect(&span);
        return span;
    }
    MoveTo(ah, av);
    LineTo(nh, nv);
    // The pen hangs below and to the right of the path.
    SetRect(&span, span.left, span.top, std::min(span.right + pen, int(INT16_MAX)),
            std::min(span.bottom + pen, int(INT16_MAX)));
    return span;
}

// Runs one gesture of the current tool from start until release.
void __one_tool(WindowRef window, IwRecord* rec, Point start) {
    const OSType tool = g_dp_cur_tool;
    const bool freehand = tool == kPen || tool == kEraser;
    GWorldPtr target = freehand ? rec->draw_off : rec->shape_off;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    Rect picture;
    GetPortBounds(rec->shape_off, &picture);
    const double r = iw_view_ratio(rec);
    const IwPoint anchor = iw_scrolled(rec, start);
    IwPoint last{anchor.h - 1, anchor.v};

    SetGWorld(target);
    int size = tool == kEraser ? __eraser_size() : __pen_width();
    if (tool == kEraser) {
        RGBForeColor(&__g_rgb_back);
        size = std::max(1, int(size / r));
    } else {
        __set_fore_colour();
    }
    RGBBackColor(&__g_rgb_back);
    PenSize(std::int16_t(size), std::int16_t(size));
    const int margin = int(r * size + 2.0);
    if (freehand) MoveTo(iw_to_picture(anchor.h, r), iw_to_picture(anchor.v, r));

    Rect shape{0, 0, 0, 0};  // where the shape layer holds the shape drawn last
    while (StillDown()) {
        if (!iw_still_open(window, rec)) {
            SetGWorld(saved);
            return;
        }
        IwPoint now = iw_mouse_point(window);
        if (tool == kHorizontal) now.v = anchor.v;
        if (tool == kVertical) now.h = anchor.h;
        if (now == last) continue;
        SetGWorld(target);
        if (freehand) {
            LineTo(iw_to_picture(now.h, r), iw_to_picture(now.v, r));
            iw_redraw_span(window, {now, last}, margin);
        } else {
            // Only the last shape stays: the one before is erased first.
            EraseRect(&shape);
            shape = __draw_shape(tool, anchor, now, r, size);
            SectRect(&shape, &picture, &shape);
            iw_redraw_span(window, {anchor, now, last}, 2 * margin);
        }
        last = now;
    }
    if (!freehand && !EmptyRect(&shape)) {
        SetGWorld(rec->draw_off);
        ForeColor(blackColor);
        RGBBackColor(&__g_rgb_back);
        CopyBits(rec->shape_off, rec->draw_off, &shape, &shape, transparent, nullptr);
        SetGWorld(rec->shape_off);
        EraseRect(&shape);
    }
    SetGWorld(saved);
}

}  // namespace

void iw_click_draw(WindowRef window, Point start) {
    IwRecord* rec = iw_record(window);
    if (!rec) return;
    __one_tool(window, rec, start);
    if (iw_still_open(window, rec)) rec->modified = true;
}
