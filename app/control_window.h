// The camera control window, the drawing panel and the drawing choices they hold.
#pragma once

#include "platform/types.h"
#include "platform/window.h"

extern WindowRef g_control_win;  // the camera control window, none until made or once closed
extern WindowRef g_draw_win;     // the drawing panel, none until made or once closed

// Current choices, each a four-character code.
extern OSType g_dp_cur_tool;        // HAND, SELE or TL01..TL06
extern OSType g_dp_cur_line_type;   // LTY0, LTY1
extern OSType g_dp_cur_line_width;  // LNW3, LNW5, LNW7
extern OSType g_dp_cur_e_size;      // TLE1..TLE3
extern OSType g_dp_cur_color;       // CP01..CP08

extern bool g_now_tracking_control_panel;  // a press on the control window is being tracked
