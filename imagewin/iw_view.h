// View scales, scroll bars, scrolling and the redraw of image windows.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "imagewin/image_window.h"
#include "platform/window.h"

// Window pixels per picture pixel, by zoom index; shared with the live monitor window.
extern const double dbl_ratio[13];
extern const Pattern g_selection_pattern;  // the pen pattern that frames a selection
extern const Pattern g_black_pattern;      // the solid pen pattern

double iw_view_ratio(const IwRecord* record);  // the table entry, or zoom_ratio at index 12

// A point of the scaled picture in window pixels: a window point plus the scroll offsets.
// 32 bits wide, since a big picture at a high ratio reaches beyond 16 bits.
struct IwPoint {
    std::int32_t h, v;
    bool operator==(const IwPoint&) const = default;
};
// The content less the 15 pixels the scroll bars take at its right and bottom.
void iw_view_area(WindowRef window, Rect* out);
int iw_scroll_offset(ControlRef bar);  // the bar's value while it is shown, else 0
IwPoint iw_scrolled(const IwRecord* record, Point local);  // local plus the scroll offsets
IwPoint iw_mouse_point(WindowRef window);  // the mouse now, with the window's port current
// The picture coordinate under a scaled one: trunc(c / r), kept within 16 bits.
std::int16_t iw_to_picture(std::int32_t c, double r);
// Invalidates the part of the view that the points span, grown by margin on every side, and
// draws it at once.
void iw_redraw_span(WindowRef window, std::initializer_list<IwPoint> points, int margin);

// One step up or down the ratio table for the front image window; nothing at either end.
void iw_zoon_in();
void iw_zoon_out();
// The front image window's picture fitted into its view, at the custom ratio that takes.
void iw_best_fit();
void iw_actual_size();  // the front image window at ratio 1.0

// Lays out and ranges the scroll bars for the view scale, then invalidates the content.
void __adjust_iw_win(WindowRef window);
// Redraws the window's picture, scrolled and scaled, on black; the selection framed.
void iw_draw(WindowRef window);
// Composites the image layer and, where not transparent grey, the drawing and shape layers
// from src of the record's layers into dst of the window's port, within mask.
void __copy_iwoff_2_win(IwRecord* record, WindowRef window, const Rect* src, const Rect* dst,
                        const Rect* mask);
// The hand tool: while the button is held the picture follows the mouse from start (local).
void iw_click_scroll(WindowRef window, Point start);
// The scroll bars' action routine: arrows step by a hundredth of the maximum, pages by ten.
void im_live_action_proc(ControlRef control, std::int16_t part);
