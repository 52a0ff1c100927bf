// One redraw of an image window as each scroll step makes it: a 1,024 x 768 picture in a
// 1,024 x 768 view, scrolled to the middle, at ratios 1, 2/3 and 4; alone and with the
// flush that shows it.

#include <benchmark/benchmark.h>

#include "app/startup.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "platform/events.h"

namespace {

struct ShownDocument {
    WindowRef window = nullptr;
    explicit ShownDocument(int zoom_index) {
        InitToolbox(0, nullptr);
        if (!g_nibRef) CreateNibReference("main", &g_nibRef);
        iw_init();
        window = iw_new(1024, 768, zoom_index);
        ShowWindow(window);
        SizeWindow(window, 1024, 768, false);
        __adjust_iw_win(window);
        IwRecord* rec = iw_record(window);
        SetControlValue(rec->sc_h, GetControlMaximum(rec->sc_h) / 2);
        SetControlValue(rec->sc_v, GetControlMaximum(rec->sc_v) / 2);
    }
    ~ShownDocument() {
        iw_record(window)->modified = false;
        iw_close(window);
    }
};

void redraw(benchmark::State& state, int zoom_index, bool flush) {
    ShownDocument doc(zoom_index);
    for (auto _ : state) {
        iw_draw(doc.window);
        if (flush) QDFlushPortBuffer(GetWindowPort(doc.window));
        benchmark::DoNotOptimize(GetWindowPort(doc.window)->pixels);
    }
}

void BM_RedrawRatio1(benchmark::State& s) {
    redraw(s, 5, false);
}
void BM_RedrawRatio2_3(benchmark::State& s) {
    redraw(s, 4, false);
}
void BM_RedrawRatio4(benchmark::State& s) {
    redraw(s, 9, false);
}
void BM_RedrawAndFlushRatio1(benchmark::State& s) {
    redraw(s, 5, true);
}
void BM_RedrawAndFlushRatio2_3(benchmark::State& s) {
    redraw(s, 4, true);
}
void BM_RedrawAndFlushRatio4(benchmark::State& s) {
    redraw(s, 9, true);
}

BENCHMARK(BM_RedrawRatio1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRatio2_3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRatio4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAndFlushRatio1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAndFlushRatio2_3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAndFlushRatio4)->Unit(benchmark::kMillisecond);

}  // namespace
