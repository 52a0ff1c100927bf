// The pointer shapes the program chooses among, loaded at start-up.
#pragma once

#include "platform/window.h"

// Each null when its image could not be loaded: the arrow is then used instead.
extern CursHandle cross_cursor;      // drawing tools
extern CursHandle selection_cursor;  // selection tool
extern CursHandle hand_cursor;       // hand tool, and over the live monitor
extern CursHandle eraser_6x6;        // eraser, small
extern CursHandle eraser_10x10;      // eraser, medium
extern CursHandle eraser_16x16;      // eraser, large
extern const Cursor* arrow_cursor;   // the standard arrow

// Installed on the application for mouse moved and mouse released.
extern const EventTypeSpec __my_mouse_move_event[2];
// Sets the cursor for the global position: by tool over an image window's picture, the hand
// over the live window, the arrow over controls, scroll bars and other windows' frames.
void do_setup_my_cursor(Point where);
// Chooses the cursor for the event's position; never handles the event (-9874).
OSStatus __my_mouse_move_handler(EventHandlerCallRef next, EventRef event, void* user_data);
