// The live picture stream: whether the camera's picture is being fetched on every tick.
#pragma once

extern bool g_live_monitor_now;  // the live monitor stream is running
