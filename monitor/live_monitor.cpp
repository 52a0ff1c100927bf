// The live monitor window, which shows the camera's picture as it arrives.

#include "monitor/live_monitor.h"

WindowRef g_lm_win = nullptr;
