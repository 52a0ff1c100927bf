// The image request: the camera's current picture read in chunks and decoded.
#pragma once

#include <cstdint>

#include "platform/draw.h"
#include "platform/types.h"

// The largest picture accepted from the camera; far above any 1,024 x 768 JPEG.
constexpr std::uint32_t kMaxJpegSize = 16u * 1024u * 1024u;

// Bytes of the picture the capture offscreen holds; 0 when it holds no whole picture.
extern std::uint32_t g_latst_jpeg_size;
extern bool g_grab_failure_shown;         // the last image request failed and has beeped or alerted
extern std::uint32_t g_latst_jpeg_width;  // width of the last picture: 1,024
extern std::uint32_t g_latst_jpeg_height;  // height of the last picture: 768
extern GWorldPtr g_grab_off;               // the capture offscreen: the last decoded picture
extern GWorldPtr g_lm_off;                 // the live offscreen shown by the live window
extern std::int32_t g_off_width;           // size of both offscreens; -1 before the first picture
extern std::int32_t g_off_height;

// 1 when a picture was read and handed to the decoder, else 0; a picture the decoder
// refused leaves g_latst_jpeg_size 0.
int do_grab_image();
OSErr check_image_size();  // 0 when connected, a picture came and the live offscreen exists; -1
// Makes sure both offscreens exist at width x height (a failed creation leaves null).
void create_offscreens_for_capture(std::int32_t width, std::int32_t height);
