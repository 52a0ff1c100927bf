// The camera's USB connection: finding and opening the camera, its pipes, closing it.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/usb.h"

// The camera's identifiers, fixed at build time.
constexpr std::uint16_t kCameraVendorID = ORVILCAST_USB_VENDOR_ID;
constexpr std::uint16_t kCameraProductID = ORVILCAST_USB_PRODUCT_ID;

extern UsbMasterPort g_masterPort;          // the USB session; null while no connection exists
extern UsbIterator g_iterator;              // the devices matching vendor and product
extern UsbService g_usbDeviceRef;           // the camera's device service; null when none
extern UsbDeviceInterface g_dev;            // the opened device
extern UsbIterator g_find_device_iterator;  // the device's interfaces
extern UsbService g_usbInterfaceRef;        // the camera's interface service; null when none
extern UsbInterfaceInterface g_intf;        // the opened interface
extern std::uint8_t g_inPipeRef;            // 1-based index of the bulk IN pipe; 0 = none
extern std::uint8_t g_outPipeRef;           // 1-based index of the bulk OUT pipe; 0 = none
extern UsbNotificationPort g_NotifyPort;    // where removal notices arrive; null when none
extern UsbNotification g_notification;      // the registered removal interest; null when none

// 0 set up; -1 no device, no interface or no pipes yet; or the platform's error (16 bits).
OSErr init_camera();
OSErr find_device(UsbService device);    // 0, or -1 when the device could not be opened and set up
void find_interefaces(UsbService intf);  // opens the interface and picks its pipes
void find_pipes(std::uint8_t count);     // scans pipes 1..count for the first bulk IN and OUT
void close_device();                     // closes and releases the interface and the device
void close_camera();                     // tears everything down and refreshes the toolbar
// Removal notice: the service-terminated message closes the connection.
void device_notification_routine(void* refcon, UsbService service, std::uint32_t message,
                                 void* argument);
bool is_camera_active();    // true while the session, device and both pipes are held
void __check_usb_status();  // prints whether each pipe is stalled
