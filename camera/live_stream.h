// The live picture stream: the switch, and the camera's JPEG bodies completed with their
// fixed header and decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

constexpr std::uint32_t kJpegHeaderSize = 575;

extern bool g_live_monitor_now;  // set while the live picture runs

// The four frame headers, byte for byte alike but for the frame size in their names.
extern const std::array<std::uint8_t, kJpegHeaderSize> gJpegHeader_1024x768;
extern const std::array<std::uint8_t, kJpegHeaderSize> gJpegHeader_1280x720;
extern const std::array<std::uint8_t, kJpegHeaderSize> gJpegHeader_1280x960;
extern const std::array<std::uint8_t, kJpegHeaderSize> gJpegHeader_1280x1024;

void live_monoitor_start();  // the live picture runs
void live_monitor_end();     // the live picture stops

// The header for a picture size: 1,024 x 768 when the width is 1,024, else chosen by height.
const std::uint8_t* jpeg_header_for(std::int32_t width, std::int32_t height);
// Header, body and end marker in a new block (free with delete[]) of *stream_length =
// length + 577 bytes; null when out of memory.
std::uint8_t* assemble_jpeg_stream(const std::uint8_t* body, std::uint32_t length,
                                   std::int32_t width, std::int32_t height,
                                   std::size_t* stream_length);
// Decodes a body into g_grab_off, then copies it to g_lm_off while live with the live
// window shown.
// 0, -108 out of memory, or the decoder's error.
OSErr convert_jpeg_to_grab_off(const std::uint8_t* body, std::uint32_t length, std::int32_t width,
                               std::int32_t height);
