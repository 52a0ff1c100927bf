// The live picture stream: whether the camera's picture is being fetched on every tick.

#include "camera/live_stream.h"

bool g_live_monitor_now = false;
