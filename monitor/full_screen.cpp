// Full-screen presentation of the live picture or of an image window.

#include "monitor/full_screen.h"

WindowRef g_fullscreen = nullptr;
bool g_end_fullscreen_request = false;
