// Dispatch of commands to the routines that carry them out, and of the program's window events.
#pragma once

#include "platform/window.h"

// The event kinds each handler is installed for.
extern const EventTypeSpec my_cmd_events[1];  // (cmds, 1)
extern const EventTypeSpec win_envets[6];     // closed, draw, activated, deactivated, press, wheel

// The command handler on the application: 0, -9874 (not handled) or -128 (refused while the
// conversion dialog is open, or a quit that was cancelled). Runs tb_setup every time.
OSStatus __my_command_event_handler(EventHandlerCallRef next, EventRef event, void* user_data);
// The handler of the control window, drawing panel, live monitor and full-screen windows;
// user_data is the window. 0, or for activation what the next handler returned.
OSStatus my_win_event_handler(EventHandlerCallRef next, EventRef event, void* user_data);
extern EventHandlerProcPtr g_my_win_event_handler_upp;  // my_win_event_handler, from start-up

// An image window, or the live monitor window, is the frontmost visible document window.
bool front_is_my_window();
// Saves the front window when it is an image window: iw_save's status, else 0.
OSErr __save(bool save_as);
