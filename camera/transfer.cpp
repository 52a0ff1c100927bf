// Bulk transfers to and from the camera, with their time-outs.

#include "camera/transfer.h"

#include <cstdint>
#include <cstdio>

#include "camera/usb_connection.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/usb.h"

std::uint8_t g_recv_buf[kRecvBufSize];
std::uint8_t latest_response_data[32];
std::uint32_t g_last_callback_arg0 = 0;

namespace {

constexpr double kWriteWaitSeconds = 0.5;
constexpr std::uint32_t kReadTimeoutMs = 5000;

}  // namespace

void MyCallBackFunction(void*, OSStatus, std::uint32_t bytes) {
    g_last_callback_arg0 = bytes;
    if (bytes != 0) QuitCurrentEventLoop();
}

// The write waits in a nested run of the event loop, because that is where its completion
// is delivered; the removal notice and the idle timer can run there too.
void data_to_camera(const void* buffer, std::uint32_t length) {
    if (!g_masterPort || !g_usbDeviceRef || !g_inPipeRef || !g_outPipeRef) return;
    UsbInterfaceInterface intf = g_intf;
    OSStatus err = USBInterfaceAddAsyncEventSource(intf);
    if (err != 0) {
        std::printf("data_to_camera: unable to create event source, err = %08x\n", unsigned(err));
        return;
    }
    err = USBInterfaceWritePipeAsync(intf, g_outPipeRef, buffer, length, MyCallBackFunction,
                                     reinterpret_cast<void*>(std::uintptr_t(g_inPipeRef)));
    if (err != 0) {
        std::printf("data_to_camera: WritePipeAsyncFailed, err = %08x\n", unsigned(err));
        USBInterfaceRemoveAsyncEventSource(intf);
        close_camera();
        return;
    }
    RunCurrentEventLoop(kWriteWaitSeconds);
    // A connection closed during the wait has released the interface and its source.
    if (g_intf == intf) USBInterfaceRemoveAsyncEventSource(intf);
}

OSErr data_from_camera_sync(void* buffer, std::int32_t expected, std::uint8_t bulk) {
    std::uint32_t request = std::uint32_t(expected);
    if (bulk) {
        request = kRecvBufSize;
        if (expected <= 65535 && expected % 512 == 0)
            std::puts(
                "data_from_camera_sync: ************************************* zero length "
                "packet will come ");
    }
    // Closed earlier in the same exchange: report a failure, so that no caller takes
    // whatever the buffer held for fresh data.
    if (!g_masterPort || !g_usbDeviceRef || !g_inPipeRef || !g_outPipeRef) return -1;
    std::uint32_t count = request;
    OSStatus err =
        USBInterfaceReadPipeTO(g_intf, g_inPipeRef, buffer, &count, kReadTimeoutMs, kReadTimeoutMs);
    if (err != 0) {
        std::printf("data_from_camera_sync: ReadPipeTO Failed, err = %08x(%d)\n", unsigned(err),
                    int(err));
        __check_usb_status();
        close_camera();
        return OSErr(err);
    }
    if (count == std::uint32_t(expected)) return 0;
    RunNoteAlert("error", "ReadPipeTO failed. 0 / 32 bytes read. ");
    std::printf(
        "data_from_camera_sync: ReadPipeTO Failed, %ld of %ld bytes read"
        "....................................\n",
        long(count), long(expected));
    __check_usb_status();
    return -1;
}
