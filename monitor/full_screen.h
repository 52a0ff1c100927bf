// Full-screen presentation of the live picture or of an image window.
#pragma once

#include "platform/window.h"

extern WindowRef g_fullscreen;         // the full-screen window while full screen is on
extern bool g_end_fullscreen_request;  // a click asked the next idle tick to end full screen
