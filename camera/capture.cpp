// The image request: the camera's current picture read in chunks and decoded.

#include "camera/capture.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "app/toolbar.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/transfer.h"
#include "camera/usb_connection.h"
#include "imagewin/offscreen.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/byte_order.h"
#include "platform/events.h"
#include "platform/window.h"

std::uint32_t g_latst_jpeg_size = 0;
bool g_grab_failure_shown = false;
std::uint32_t g_latst_jpeg_width = 0;
std::uint32_t g_latst_jpeg_height = 0;
GWorldPtr g_grab_off = nullptr;
GWorldPtr g_lm_off = nullptr;
std::int32_t g_off_width = -1;
std::int32_t g_off_height = -1;

namespace {

constexpr std::int32_t kChunkPrefix = 8;
constexpr std::uint32_t kChunkData = kRecvBufSize - kChunkPrefix;
constexpr std::int32_t kPictureWidth = 1024, kPictureHeight = 768;

// Reads the announced picture into body chunk by chunk, dropping each chunk's prefix.
bool __read_chunks(std::uint8_t* body, std::uint32_t size) {
    std::uint32_t done = 0;
    while (done < size) {
        std::uint32_t remaining = size - done;
        std::int32_t chunk =
            remaining > kChunkData ? kRecvBufSize : std::int32_t(remaining) + kChunkPrefix;
        if (data_from_camera_sync(g_recv_buf, chunk, 1) != 0) return false;
        std::memcpy(body + done, g_recv_buf + kChunkPrefix, std::size_t(chunk - kChunkPrefix));
        done += std::uint32_t(chunk - kChunkPrefix);
    }
    return true;
}

// Ends a request that failed after the new picture's size was stored: the capture offscreen
// does not hold that picture, so the count must not claim it does.
int __fail_after_size(bool shown) {
    g_latst_jpeg_size = 0;
    g_grab_failure_shown = shown;
    g_now_camera_busy = 0;
    return 0;
}

int __grab_image() {
    if (g_now_camera_busy) return 0;
    g_now_camera_busy = 1;
    g_grab_failure_shown = false;
    __write_command_block(kCmdImage, 0);
    OSErr err = __receive_response();
    g_latst_jpeg_width = kPictureWidth;
    g_latst_jpeg_height = kPictureHeight;
    if (err != 0) {
        std::puts("receive_response returned error...................................");
        g_now_camera_busy = 0;
        return 0;
    }
    std::int16_t status = std::int16_t(latest_response_data[8] | latest_response_data[9] << 8);
    if (status != 0) {
        SysBeep(1);
        g_grab_failure_shown = true;
        g_now_camera_busy = 0;
        return 0;
    }
    g_latst_jpeg_size = get_u32le(latest_response_data + 12);
    if (g_latst_jpeg_size == 0) {
        live_monitor_end();
        if (g_lm_win && IsWindowVisible(g_lm_win)) {
            HideWindow(g_lm_win);
            g_end_fullscreen_request = true;
        }
        tb_setup();
        g_now_camera_busy = 0;
        return 0;
    }
    // A size beyond any picture of this camera is a faulty device: refuse it like a
    // failed allocation rather than allocate what it asks.
    std::uint8_t* body = g_latst_jpeg_size <= kMaxJpegSize ? new (std::nothrow)
                                                                 std::uint8_t[g_latst_jpeg_size]
                                                           : nullptr;
    if (!body) {
        SysBeep(1);
        return __fail_after_size(true);
    }
    if (!__read_chunks(body, g_latst_jpeg_size)) {
        delete[] body;
        // A short chunk is the one read failure that has alerted already; the others
        // closed the connection without a word.
        return __fail_after_size(is_camera_active());
    }
    err = convert_jpeg_to_grab_off(body, g_latst_jpeg_size, kPictureWidth, kPictureHeight);
    delete[] body;
    if (err != noErr) g_latst_jpeg_size = 0;
    g_now_camera_busy = 0;
    return 1;
}

}  // namespace

int do_grab_image() {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    int result = __grab_image();
    SetGWorld(saved);
    return result;
}

OSErr check_image_size() {
    if (!is_camera_active()) return -1;
    if (do_grab_image() == 0) return -1;
    if (!g_lm_off) return -1;
    return 0;
}

void create_offscreens_for_capture(std::int32_t width, std::int32_t height) {
    if (g_grab_off && width == g_off_width && height == g_off_height) return;
    if (g_grab_off) {
        DisposeGWorld(g_grab_off);
        if (g_lm_off) DisposeGWorld(g_lm_off);
        g_grab_off = nullptr;
        g_lm_off = nullptr;
    }
    g_off_width = width;
    g_off_height = height;
    g_grab_off = create_offscreen(32, std::int16_t(width), std::int16_t(height), false);
    g_lm_off = create_offscreen(32, std::int16_t(width), std::int16_t(height), false);
}
