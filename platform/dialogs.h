// Alerts and dialogs shown to the user.
#pragma once

#include "platform/types.h"

// Shows a modal note alert with one button and waits until it is dismissed. Returns 0.
OSErr RunNoteAlert(const char* title, const char* message);
