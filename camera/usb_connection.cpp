// Finding the camera on USB, opening its first configuration and interface, choosing its
// bulk pipes, and tearing it all down on unplug, on a failed transfer or at quit.

#include "camera/usb_connection.h"

#include <cstdio>

#include "app/toolbar.h"
#include "camera/live_stream.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/window.h"

UsbMasterPort g_masterPort = nullptr;
UsbIterator g_iterator = nullptr;
UsbService g_usbDeviceRef = nullptr;
UsbDeviceInterface g_dev = nullptr;
UsbIterator g_find_device_iterator = nullptr;
UsbService g_usbInterfaceRef = nullptr;
UsbInterfaceInterface g_intf = nullptr;
std::uint8_t g_inPipeRef = 0;
std::uint8_t g_outPipeRef = 0;
UsbNotificationPort g_NotifyPort = nullptr;
UsbNotification g_notification = nullptr;

namespace {

unsigned hex(OSStatus err) {
    return unsigned(err);
}

void __release_device_interface() {
    USBDeviceClose(g_dev);
    USBDeviceRelease(g_dev);
    g_dev = nullptr;
}

void __release_interface_interface() {
    USBInterfaceClose(g_intf);
    USBInterfaceRelease(g_intf);
    g_intf = nullptr;
}

}  // namespace

// An earlier attempt that ended incomplete is released first, so that attempts repeated
// every 30 ticks never pile up sessions or keep the device open.
OSErr init_camera() {
    if (g_masterPort) close_camera();
    OSStatus err = USBMasterPortCreate(&g_masterPort);
    if (err != 0) {
        std::printf("USBSimpleExample: could not create master port, err = %08x\n", hex(err));
        return OSErr(err);
    }
    USBGetMatchingDevices(g_masterPort, kCameraVendorID, kCameraProductID, &g_iterator);
    g_usbDeviceRef = USBIteratorNext(g_iterator);
    if (!g_usbDeviceRef) {
        close_camera();
        return -1;
    }
    find_device(g_usbDeviceRef);
    if (!g_usbInterfaceRef) return -1;
    USBNotificationPortCreate(g_masterPort, &g_NotifyPort);
    err = USBAddInterestNotification(g_NotifyPort, g_usbDeviceRef, device_notification_routine,
                                     nullptr, &g_notification);
    if (err != 0) return OSErr(err);
    tb_setup();
    return 0;
}

OSErr find_device(UsbService device) {
    OSStatus err = USBDeviceCreate(device, &g_dev);
    if (err != 0 || !g_dev) {
        std::printf("find_device: unable to create a device interface. ret = %08x, g_dev = %p\n",
                    hex(err), static_cast<void*>(g_dev));
        g_dev = nullptr;
        return -1;
    }
    err = USBDeviceOpen(g_dev);
    if (err != 0) {
        std::printf("find_device: unable to open device. ret = %08x\n", hex(err));
        return -1;
    }
    std::uint8_t configurations = 0;
    err = USBDeviceGetNumberOfConfigurations(g_dev, &configurations);
    if (err != 0 || configurations == 0) {
        std::printf(
            "find_devicefind_device: unable to obtain the number of configurations. ret = "
            "%08x\n",
            hex(err));
        __release_device_interface();
        return -1;
    }
    std::printf("find_device: found %d configurations\n", configurations);
    std::uint8_t value = 0;
    if (USBDeviceGetConfigurationValue(g_dev, 0, &value) != 0) {
        std::puts("find_device:unable to get config descriptor for index 0");
        __release_device_interface();
        return -1;
    }
    std::puts("*** SetConfiguration");
    if (USBDeviceSetConfiguration(g_dev, value) != 0) {
        std::puts("find_device: unable to set the configuration");
        __release_device_interface();
        return -1;
    }
    UsbInterfaceRequest request{kUSBDontCare, kUSBDontCare, kUSBDontCare, kUSBDontCare};
    std::puts("*** CreateInterfaceIterator");
    if (USBDeviceCreateInterfaceIterator(g_dev, &request, &g_find_device_iterator) != 0) {
        std::puts("find_device: unable to create interface g_find_device_iterator");
        __release_device_interface();
        return -1;
    }
    std::puts("*** IOIteratorNext");
    g_usbInterfaceRef = USBIteratorNext(g_find_device_iterator);
    if (!g_usbInterfaceRef) return 0;
    std::printf("found interface: %p\n", static_cast<void*>(g_usbInterfaceRef));
    find_interefaces(g_usbInterfaceRef);
    return 0;
}

void find_interefaces(UsbService intf) {
    OSStatus err = USBInterfaceCreate(intf, &g_intf);
    if (err != 0 || !g_intf) {
        std::printf(
            "find_interefaces: unable to create a device interface. ret = %08x, g_intf = %p\n",
            hex(err), static_cast<void*>(g_intf));
        g_intf = nullptr;
        return;
    }
    err = USBInterfaceOpen(g_intf);
    if (err != 0) {
        std::printf("find_interefaces: unable to open interface. ret = %08x\n", hex(err));
        return;
    }
    std::uint8_t endpoints = 0;
    err = USBInterfaceGetNumEndpoints(g_intf, &endpoints);
    if (err != 0) {
        std::printf("find_interefaces: unable to get number of endpoints. ret = %08x\n", hex(err));
        __release_interface_interface();
        return;
    }
    std::printf("find_interefaces: found %d pipes\n", endpoints);
    if (endpoints != 0) {
        find_pipes(endpoints);
        return;
    }
    err = USBInterfaceSetAlternateInterface(g_intf, 1);
    if (err != 0) {
        std::printf("find_interefaces: unable to set alternate interface 1. ret = %08x\n",
                    hex(err));
        __release_interface_interface();
        return;
    }
    err = USBInterfaceGetNumEndpoints(g_intf, &endpoints);
    if (err != 0) {
        std::printf(
            "find_interefaces: unable to get number of endpoints - alt setting 1. ret = %08x\n",
            hex(err));
        __release_interface_interface();
        return;
    }
    // The alternate setting's own count is not trusted; the scan stops at the first pipe
    // whose properties cannot be read.
    find_pipes(13);
}

void find_pipes(std::uint8_t count) {
    for (int index = 1; index <= count; ++index) {
        std::uint8_t direction = 0, number = 0, type = 0, interval = 0;
        std::uint16_t max_packet = 0;
        OSStatus err = USBInterfaceGetPipeProperties(g_intf, std::uint8_t(index), &direction,
                                                     &number, &type, &max_packet, &interval);
        if (err != 0) {
            std::printf("find_pipes: unable to get pipe properties for pipe %d, err = %08x\n",
                        index, hex(err));
            return;
        }
        if (type != kUSBBulk) {
            std::printf("find_pipes: skipping pipe %d because it is not a bulk pipe\n", index);
            continue;
        }
        if (direction == kUSBIn && g_inPipeRef == 0) {
            std::printf("find_pipes: grabbing BULK IN pipe index %d, number %d\n", index, number);
            g_inPipeRef = std::uint8_t(index);
        }
        if (direction == kUSBOut && g_outPipeRef == 0) {
            std::printf("find_pipes: grabbing BULK OUT pipe index %d, number %d\n", index, number);
            g_outPipeRef = std::uint8_t(index);
        }
    }
}

void close_device() {
    if (g_usbInterfaceRef) {
        if (g_intf) {
            OSStatus err = USBInterfaceClose(g_intf);
            if (err == 0) {
                err = USBInterfaceRelease(g_intf);
                if (err != 0)
                    std::printf("find_interefaces: unable to release interface. ret = %08x\n",
                                hex(err));
            } else {
                std::printf("find_interefaces: unable to close interface. ret = %08x\n", hex(err));
                // An interface that never opened cannot close; forgetting it unreleased
                // would leak it.
                USBInterfaceRelease(g_intf);
            }
            g_intf = nullptr;
        }
        USBServiceRelease(g_usbInterfaceRef);
        g_usbInterfaceRef = nullptr;
    }
    USBIteratorRelease(g_find_device_iterator);
    g_find_device_iterator = nullptr;
    if (g_dev) {
        OSStatus err = USBDeviceClose(g_dev);
        if (err != 0) {
            std::printf("close_device: error closing device - %08x\n", hex(err));
            USBDeviceRelease(g_dev);
        } else {
            err = USBDeviceRelease(g_dev);
            if (err != 0) std::printf("close_device: error releasing device - %08x\n", hex(err));
        }
        g_dev = nullptr;
    }
}

void close_camera() {
    if (g_notification) {
        USBNotificationRelease(g_notification);
        g_notification = nullptr;
    }
    if (g_NotifyPort) {
        USBNotificationPortDestroy(g_NotifyPort);
        g_NotifyPort = nullptr;
    }
    if (g_usbDeviceRef) {
        close_device();
        USBServiceRelease(g_usbDeviceRef);
        g_usbDeviceRef = nullptr;
    }
    USBIteratorRelease(g_iterator);
    g_iterator = nullptr;
    USBMasterPortRelease(g_masterPort);
    g_masterPort = nullptr;
    g_inPipeRef = 0;
    g_outPipeRef = 0;
    live_monitor_end();
    if (g_lm_win && IsWindowVisible(g_lm_win)) {
        HideWindow(g_lm_win);
        g_end_fullscreen_request = true;
    }
    tb_setup();
}

void device_notification_routine(void*, UsbService, std::uint32_t message, void*) {
    if (message != kUSBMessageServiceIsTerminated) return;
    close_camera();
    if (g_notification) {
        USBNotificationRelease(g_notification);
        g_notification = nullptr;
    }
}

bool is_camera_active() {
    return g_masterPort && g_usbDeviceRef && g_inPipeRef != 0 && g_outPipeRef != 0;
}

void __check_usb_status() {
    std::puts(USBInterfaceGetPipeStatus(g_intf, g_inPipeRef) == kUSBPipeStalled
                  ? "in pipe was stalled."
                  : "in pipe was ok.");
    std::puts(USBInterfaceGetPipeStatus(g_intf, g_outPipeRef) == kUSBPipeStalled
                  ? "out pipe was stalled."
                  : "out pipe was ok.");
}
