// Bulk transfers to and from the camera, with their time-outs.
#pragma once

#include <cstdint>

#include "platform/types.h"

constexpr std::int32_t kRecvBufSize = 65536;  // one maximal bulk read

extern std::uint8_t g_recv_buf[kRecvBufSize];  // receive buffer for image chunks
extern std::uint8_t latest_response_data[32];  // the last response block
extern std::uint32_t g_last_callback_arg0;     // bytes the last write completion reported

// Writes length bytes to the OUT pipe and waits up to 0.5 s for the completion.
void data_to_camera(const void* buffer, std::uint32_t length);
// Reads from the IN pipe (65,536 bytes a request when bulk is set): 0 when exactly
// expected bytes came, -1 for another count or no connection, or the platform's error
// truncated to 16 bits when the read failed (the connection is then closed).
OSErr data_from_camera_sync(void* buffer, std::int32_t expected, std::uint8_t bulk);
// Completion of a write: keeps the count and ends the write's wait when bytes moved.
void MyCallBackFunction(void* refcon, OSStatus result, std::uint32_t bytes);
