// Start-up, the main event loop and shut-down of the program.
#pragma once

#include "platform/events.h"
#include "platform/window.h"

extern IBNibRef g_nibRef;  // the interface description "main", kept for the whole run

// Runs the program: 0 after a normal quit, or the toolkit's error when the interface
// description, its menu bar or its toolbar window cannot be loaded (nothing is then shown
// and the preferences are not written). The arguments are the program's command line; when
// it asked for help or the version, or its documents went to the program already running,
// the status that the toolbox start-up gave, with nothing else done.
int app_main(int argc, char** argv);

// The desktop's request to open documents: each listed file that exists opens as an image
// window, none while the conversion dialog is open. 0, or the error reading the list.
OSErr ae_opendoc(const AppleEvent* request, AppleEvent* reply, long ref_con);
