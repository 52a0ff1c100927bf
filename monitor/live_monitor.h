// The live monitor window, which shows the camera's picture as it arrives.
#pragma once

#include "platform/window.h"

extern WindowRef g_lm_win;  // the live monitor window; none until made, none again once closed
