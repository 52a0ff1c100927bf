// The camera's USB connection: the references every transfer checks, and whether it is usable.

#include "camera/usb_connection.h"

std::uint32_t g_masterPort = 0;
std::uint32_t g_usbDeviceRef = 0;
std::uint8_t g_inPipeRef = 0;
std::uint8_t g_outPipeRef = 0;

bool is_camera_active() {
    return g_masterPort != 0 && g_usbDeviceRef != 0 && g_inPipeRef != 0 && g_outPipeRef != 0;
}
