// One live frame shown full screen on a 1,280 x 1,024 screen (decode into the capture
// offscreen, copy into the live offscreen, scale to 1,280 x 960 on black, paint) against
// decoding the same picture alone. Run under the offscreen platform (QT_QPA_PLATFORM=offscreen).

#include <benchmark/benchmark.h>

#include "app/prefs.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "platform/events.h"
#include "platform/test_hooks.h"
#include "simcam/simcam.h"

namespace {

// The live window presented full screen over the simulated camera's first picture.
bool present_live_picture() {
    hooks_offscreen_screen(1280, 1024);
    InitToolbox(0, nullptr);
    if (!g_nibRef) CreateNibReference("main", &g_nibRef);
    create_offscreens_for_capture(1024, 768);
    if (!g_lm_win) create_and_show_lm_win();
    if (!g_lm_win || !g_lm_off) return false;
    g_live_monitor_now = true;
    if (!g_fullscreen) __do_full_screen();
    Rect screen;
    if (g_fullscreen) GetWindowPortBounds(g_fullscreen, &screen);
    return g_fullscreen && g_win_for_fs == g_lm_win && screen.right == 1280 &&
           screen.bottom == 1024;
}

void BM_FullScreenLiveFrame(benchmark::State& state) {
    if (!present_live_picture()) {
        state.SkipWithError("no full-screen live picture on a 1,280 x 1,024 screen");
        return;
    }
    const std::vector<std::uint8_t> body = simcam_picture_body(0);
    for (auto _ : state) {
        if (convert_jpeg_to_grab_off(body.data(), std::uint32_t(body.size()), 1024, 768) != 0)
            state.SkipWithError("decode failed");
    }
}
BENCHMARK(BM_FullScreenLiveFrame)->Unit(benchmark::kMillisecond);

void BM_DecodeAlone(benchmark::State& state) {
    const std::vector<std::uint8_t> body = simcam_picture_body(0);
    std::size_t length = 0;
    std::uint8_t* stream =
        assemble_jpeg_stream(body.data(), std::uint32_t(body.size()), 1024, 768, &length);
    create_offscreens_for_capture(1024, 768);
    for (auto _ : state) {
        if (DecompressJPEGImage(stream, length, 1, g_grab_off) != 0)
            state.SkipWithError("decode failed");
    }
    delete[] stream;
}
BENCHMARK(BM_DecodeAlone)->Unit(benchmark::kMillisecond);

}  // namespace
