// Full-screen presentation of the live picture or of an image window.
#pragma once

#include "platform/window.h"

extern WindowRef g_fullscreen;             // the full-screen window while full screen is on
extern FullScreenStateRef g_fs_old_state;  // the screen state to hand back at the end
extern WindowRef g_win_for_fs;             // the window whose picture is presented
extern bool g_end_fullscreen_request;      // a click asked the next idle tick to end full screen
// Which of the toolbar, the control window and the drawing panel were visible at the start.
extern bool g_needs_show_g_tool_bar_when_endfullscreen;
extern bool g_needs_show_g_control_win_when_endfullscreen;
extern bool g_needs_show_g_draw_win_when_endfullscreen;

// Presents the frontmost document window alone on the main screen, fitted and centred on
// black; nothing when a presentation is on, no document window is shown, or no full-screen
// window can be had.
void __do_full_screen();
void __redraw_fs_winodow();  // draws the presented picture into the full-screen window
// Ends the presentation when a request is pending, showing again the windows that were
// visible at its start; run by the idle routine.
void end_full_screen_if_requested();
// Makes the full-screen window's port current, paints it black and fits the picture
// bounds src into it, centred: the rectangle the picture is to be copied into.
void fs_prepare_picture(const Rect* src, Rect* dst);
