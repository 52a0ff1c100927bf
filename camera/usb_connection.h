// The camera's USB connection: the references every transfer checks, and whether it is usable.
#pragma once

#include <cstdint>

extern std::uint32_t g_masterPort;    // the USB session; 0 while no connection exists
extern std::uint32_t g_usbDeviceRef;  // the camera's device; 0 when none
extern std::uint8_t g_inPipeRef;      // index (from 1) of the bulk IN pipe; 0 = none
extern std::uint8_t g_outPipeRef;     // index (from 1) of the bulk OUT pipe; 0 = none

bool is_camera_active();  // true when the session, the device and both pipes are there
