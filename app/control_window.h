// The camera control window, the drawing panel and the drawing choices they hold.
#pragma once

#include "platform/types.h"
#include "platform/window.h"

extern WindowRef g_control_win;  // the camera control window, none until made or once closed
extern WindowRef g_draw_win;     // the drawing panel, none until made or once closed
constexpr int kDrawControlCount = 23;
// The panel's controls: TL01..TL08, TLE0..TLE3, LNTY, LNWI, CP00, CP01..CP08; null when the
// panel's description lacks one.
extern ControlRef g_draw_controls[kDrawControlCount];

// Current choices, each a four-character code.
extern OSType g_dp_cur_tool;        // HAND, SELE or TL01..TL06
extern OSType g_dp_cur_line_type;   // LTY0, LTY1
extern OSType g_dp_cur_line_width;  // LNW3, LNW5, LNW7
extern OSType g_dp_cur_e_size;      // TLE1..TLE3
extern OSType g_dp_cur_color;       // CP01..CP08

extern bool g_now_tracking_control_panel;  // a press on the control window is being tracked

// Creates and shows the control window: 0, or the toolkit's error (g_control_win stays none).
OSStatus create_and_show_control_win();
// A press at the global position in the control window: the button under it acts while held.
void do_click_in_control_window(Point where);
// Creates the drawing panel, brings its controls up to date and shows it: 0, or the
// toolkit's error (g_draw_win stays none).
OSStatus create_and_show_draw_win();
// Shows the current choices on the panel's controls: eraser sizes only with the eraser.
void __setup_draw_panel_controls();
