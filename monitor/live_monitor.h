// The live monitor window, which shows the camera's picture as it arrives.
#pragma once

#include <cstdint>

#include "platform/window.h"

extern WindowRef g_lm_win;    // the live monitor window; none until made, none again once closed
extern ControlRef g_lm_sc_v;  // its vertical scroll bar, {LIVE, 0}
extern ControlRef g_lm_sc_h;  // its horizontal scroll bar, {LIVE, 1}
// The offscreen size the window was last sized for; 0 before the first sizing.
extern std::int32_t g_off_width_of_lmwin_setup;
extern std::int32_t g_off_height_of_lmwin_setup;

// Creates the window "ImageWindow" with its handler and scroll bars, sizes it and shows
// it; nothing when the description cannot make it.
void create_and_show_lm_win();
// Sizes the content to the picture's size for the size setting, back to actual size,
// scroll bars hidden.
void setup_size_of_lm_win();
void check_and_resize_lm_win();  // sizes the window again when the offscreen size changed
void adjust_lm_win();            // lays out and ranges the scroll bars for the view scale
// One step up or down the view scales, of the front image window when one is frontmost,
// else of the live window; nothing at either end.
void do_soft_zoom_in();
void do_soft_zom_out();
// Stores the size setting (0 quarter, 1 half, 2 whole); a shown window fetches a picture
// and takes the new size, a hidden one takes it when next shown.
void change_lm_size(std::int32_t size);
// Draws the live picture, scaled and scrolled, on black; nothing unless the window is shown.
void update_lm_window();
// The scroll bars' action routine: arrows step by a hundredth of the maximum, pages by ten.
void lm_live_action_proc(ControlRef control, std::int16_t part);
// A press at the global position: while the button is held the picture follows the mouse.
void lm_click_scroll(Point where);
