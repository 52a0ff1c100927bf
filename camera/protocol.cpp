// Camera command blocks, lens control and the idle routine that drives the camera link.

#include "camera/protocol.h"

#include "app/control_window.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/transfer.h"
#include "camera/usb_connection.h"
#include "monitor/full_screen.h"
#include "platform/byte_order.h"
#include "platform/events.h"

std::uint32_t g_total_trans_id = 1;
std::uint8_t g_now_camera_busy = 0;

namespace {

constexpr std::uint32_t kRetryTicks = 30;
constexpr std::uint32_t kRearmTicks = 60;

std::uint32_t next_check_tick = 0;

OSErr __send_one_command(std::uint16_t code, std::uint32_t parameter) {
    if (g_now_camera_busy) return -1;
    g_now_camera_busy = 1;
    __write_command_block(code, parameter);
    OSErr err = __receive_response();
    g_now_camera_busy = 0;
    return err;
}

}  // namespace

// Every field goes out little-endian, whatever the host's byte order.
void __write_command_block(std::uint16_t code, std::uint32_t parameter) {
    std::uint8_t block[32] = {};
    std::uint32_t id = g_total_trans_id++;
    put_u16le(block + 2, std::uint16_t(id));
    put_u32le(block + 4, 24);
    put_u16le(block + 8, code);
    put_u32le(block + 12, parameter);
    data_to_camera(block, sizeof block);
}

OSErr __receive_response() {
    return data_from_camera_sync(latest_response_data, sizeof latest_response_data, 0);
}

void do_tel_zoom() {
    __send_one_command(kCmdZoom, 1);
}
void do_wide_zoom() {
    __send_one_command(kCmdZoom, 2);
}
void do_stop_zoom() {
    __send_one_command(kCmdZoom, 0);
}
void do_af_focus() {
    __send_one_command(kCmdAutoFocus, 0);
}
void do_near_focus() {
    __send_one_command(kCmdFocus, 1);
}
void do_far_focus() {
    __send_one_command(kCmdFocus, 2);
}
void do_stop_focus() {
    __send_one_command(kCmdFocus, 0);
}
void do_open_iris() {
    __send_one_command(kCmdIris, 2);
}
void do_close_iris() {
    __send_one_command(kCmdIris, 3);
}
void do_stop_iris() {
    __send_one_command(kCmdIris, 4);
}
void do_normal_iris() {
    __send_one_command(kCmdIris, 5);
}

void __idle_camera() {
    // The control window's own tracking loop fetches the frames while a button is held.
    if (g_now_tracking_control_panel) return;
    std::uint32_t now = TickCount();
    if (!g_masterPort || !g_usbDeviceRef || !g_inPipeRef || !g_outPipeRef) {
        if (now >= next_check_tick) {
            next_check_tick = now + kRetryTicks;
            init_camera();
        }
    } else if (!g_live_monitor_now) {
        if (now >= next_check_tick) next_check_tick = now + kRearmTicks;
    } else {
        do_grab_image();
    }
    end_full_screen_if_requested();
}
