// One live frame through the whole camera link at zero transfer latency (command block,
// response, chunks, assembly, decode into the capture offscreen, copy into the live
// offscreen) against decoding the same stream alone.

#include <benchmark/benchmark.h>

#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "imagewin/offscreen.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "platform/events.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "simcam/simcam.h"

namespace {

// A shown live window, so that every frame is also copied into the live offscreen.
void show_live_window() {
    InitToolbox(0, nullptr);
    const char* form =
        "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"live\"><property "
        "name=\"geometry\"><rect><x>0</x><y>0</y><width>320</width><height>240</height>"
        "</rect></property></widget></ui>";
    if (!g_lm_win) hooks_new_window_from_form(form, &g_lm_win);
    if (g_lm_win) ShowWindow(g_lm_win);  // closing the camera after a run hides it
}

void BM_FramePath(benchmark::State& state) {
    show_live_window();
    simcam_reset();
    simcam_set_body(simcam_picture_body(0));
    if (init_camera() != 0) {
        state.SkipWithError("the simulated camera did not open");
        return;
    }
    live_monoitor_start();
    if (do_grab_image() != 1 || !g_lm_off || !IsWindowVisible(g_lm_win)) {
        state.SkipWithError("no frame reached the live offscreen");
        return;
    }
    for (auto _ : state) {
        if (do_grab_image() != 1) state.SkipWithError("a frame failed");
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    live_monitor_end();
    close_camera();
}
BENCHMARK(BM_FramePath)->Unit(benchmark::kMillisecond);

void BM_DecodeAlone(benchmark::State& state) {
    std::vector<std::uint8_t> body = simcam_picture_body(0);
    std::size_t length = 0;
    std::uint8_t* stream =
        assemble_jpeg_stream(body.data(), std::uint32_t(body.size()), 1024, 768, &length);
    GWorldPtr world = create_offscreen(32, 1024, 768, false);
    for (auto _ : state) {
        if (DecompressJPEGImage(stream, length, 1, world) != 0)
            state.SkipWithError("decode failed");
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    DisposeGWorld(world);
    delete[] stream;
}
BENCHMARK(BM_DecodeAlone)->Unit(benchmark::kMillisecond);

}  // namespace
