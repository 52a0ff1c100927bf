// The camera control window, the drawing panel and the drawing choices they hold.

#include "app/control_window.h"

WindowRef g_control_win = nullptr;
WindowRef g_draw_win = nullptr;
OSType g_dp_cur_tool = FOUR_CC("HAND");
OSType g_dp_cur_line_type = FOUR_CC("LTY0");
OSType g_dp_cur_line_width = FOUR_CC("LNW3");
OSType g_dp_cur_e_size = FOUR_CC("TLE1");
OSType g_dp_cur_color = FOUR_CC("CP01");
bool g_now_tracking_control_panel = false;
