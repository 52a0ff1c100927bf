// Camera command blocks, lens control and the idle routine that drives the camera link.
#pragma once

#include <cstdint>

#include "platform/types.h"

extern std::uint32_t g_total_trans_id;  // next transaction number; starts at 1
extern std::uint8_t g_now_camera_busy;  // set while an exchange is under way

constexpr std::uint16_t kCmdZoom = 0xE0, kCmdAutoFocus = 0xE1, kCmdIris = 0xE2, kCmdFocus = 0xEA,
                        kCmdImage = 0x808E;

// Takes the next transaction number and writes one 32-byte command block.
void __write_command_block(std::uint16_t code, std::uint32_t parameter);
OSErr __receive_response();  // reads the 32-byte response: data_from_camera_sync's status

// Lens operations: one exchange each, dropped while another exchange is under way.
void do_tel_zoom();
void do_wide_zoom();
void do_stop_zoom();
void do_af_focus();
void do_near_focus();
void do_far_focus();
void do_stop_focus();
void do_open_iris();
void do_close_iris();
void do_stop_iris();
void do_normal_iris();

// The repeating timer's routine: reconnects every 30 ticks, fetches live frames.
void __idle_camera();
