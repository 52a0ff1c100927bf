// One redraw of the live monitor window as each live frame makes it, at the window's three
// sizes (256 x 192, 512 x 384 and 1,024 x 768 from a 1,024 x 768 picture); alone and with
// the flush that shows it.

#include <benchmark/benchmark.h>

#include "app/prefs.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "platform/events.h"
#include "simcam/simcam.h"

namespace {

// The live window shown at the size, over the simulated camera's first picture.
bool show_live_window(std::int32_t size) {
    InitToolbox(0, nullptr);
    if (!g_nibRef) CreateNibReference("main", &g_nibRef);
    create_offscreens_for_capture(1024, 768);
    const std::vector<std::uint8_t>& jpeg = simcam_picture_jpeg(0);
    if (!g_lm_off || DecompressJPEGImage(jpeg.data(), jpeg.size(), 1, g_lm_off) != 0) return false;
    pref.lm_size = size;
    if (!g_lm_win) create_and_show_lm_win();
    if (!g_lm_win) return false;
    ShowWindow(g_lm_win);
    setup_size_of_lm_win();
    return true;
}

void redraw(benchmark::State& state, bool flush) {
    if (!show_live_window(std::int32_t(state.range(0)))) {
        state.SkipWithError("no live window");
        return;
    }
    for (auto _ : state) {
        update_lm_window();
        if (flush) QDFlushPortBuffer(GetWindowPort(g_lm_win));
        benchmark::DoNotOptimize(GetWindowPort(g_lm_win)->pixels);
    }
}

void BM_LiveRedraw(benchmark::State& s) {
    redraw(s, false);
}
void BM_LiveRedrawAndFlush(benchmark::State& s) {
    redraw(s, true);
}

}  // namespace

BENCHMARK(BM_LiveRedraw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveRedrawAndFlush)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
