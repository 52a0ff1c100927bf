// The error alert, the movable modal dialog loop and dialog item accessors.
#pragma once

#include "platform/types.h"

// Title of every error alert the user sees.
inline constexpr const char* kErrorAlertTitle = "Sorry, error occured.";

OSErr show_error_alert(const char* title, const char* message);  // 0, or the toolkit's error
