// Editing image documents: one pen-stroke step as the mouse moves (drawing, the redraw of the
// changed area and the flush that shows it) on a 1,024 x 768 picture at ratios 1 and 4; and a
// quarter turn of a 6,000 x 4,000 document against copying its three layers once.

#include <benchmark/benchmark.h>

#include <vector>

#include "app/control_window.h"
#include "app/startup.h"
#include "imagewin/draw_tools.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "imagewin/offscreen.h"
#include "imagewin/rotate.h"
#include "imagewin/window_helpers.h"
#include "platform/events.h"
#include "platform/test_hooks.h"

namespace {

// A shown document whose three layers all hold pixels of their own, as after a capture and
// some drawing (a layer that is still blank costs nothing to draw or turn).
struct Document {
    WindowRef window = nullptr;
    Document(int width, int height, int zoom_index) {
        InitToolbox(0, nullptr);
        if (!g_nibRef) CreateNibReference("main", &g_nibRef);
        iw_init();
        window = iw_new(std::int16_t(width), std::int16_t(height), zoom_index);
        ShowWindow(window);
        IwRecord* rec = iw_record(window);
        for (GWorldPtr layer : {rec->img_off, rec->draw_off, rec->shape_off}) {
            SetGWorld(layer);
            PenSize(3, 3);
            MoveTo(10, 10);
            LineTo(std::int16_t(width - 100), std::int16_t(height - 100));
        }
        SetGWorld(nullptr);
    }
    ~Document() {
        iw_record(window)->modified = false;
        iw_close(window);
    }
};

constexpr int kSteps = 200;  // mouse moves in one benchmarked stroke

// A pen stroke of kSteps moves of a few pixels each, zigzagging across the middle of a
// 1,024 x 768 view scrolled to the middle of the picture; the time is per move.
void pen_step(benchmark::State& state, int zoom_index) {
    Document doc(1024, 768, zoom_index);
    SizeWindow(doc.window, 1024, 768, false);
    __adjust_iw_win(doc.window);
    IwRecord* rec = iw_record(doc.window);
    SetControlValue(rec->sc_h, GetControlMaximum(rec->sc_h) / 2);
    SetControlValue(rec->sc_v, GetControlMaximum(rec->sc_v) / 2);
    update_now(doc.window);
    g_dp_cur_tool = FOUR_CC("TL01");
    const Point o = GetWindowContentOrigin(doc.window);
    std::vector<MouseState> moves;
    for (int i = 0; i < kSteps; ++i)
        moves.push_back(
            {Point{std::int16_t(o.v + 300 + (i % 20) * 3), std::int16_t(o.h + 200 + i * 3)}, true});
    moves.push_back({moves.back().where, false});
    for (auto _ : state) {
        hooks_script_mouse(moves);
        iw_click_draw(doc.window, Point{300, 200});
    }
    state.counters["per_move"] =
        benchmark::Counter(double(state.iterations()) * kSteps,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PenStepRatio1(benchmark::State& s) {
    pen_step(s, 5);
}
void BM_PenStepRatio4(benchmark::State& s) {
    pen_step(s, 9);
}

void BM_Rotate90Of6000x4000(benchmark::State& state) {
    Document doc(6000, 4000, 0);
    for (auto _ : state) iw_rotate(doc.window, 90);
}

// What a turn must at least do: make three new layers of the same size and fill them.
void BM_CopyThreeLayersOf6000x4000(benchmark::State& state) {
    Document doc(6000, 4000, 0);
    IwRecord* rec = iw_record(doc.window);
    for (auto _ : state) {
        for (GWorldPtr* layer : {&rec->img_off, &rec->draw_off, &rec->shape_off}) {
            Rect bounds;
            GetPortBounds(*layer, &bounds);
            GWorldPtr copy = create_offscreen(32, bounds.right, bounds.bottom, true);
            CopyBits(*layer, copy, &bounds, &bounds, srcCopy, nullptr);
            DisposeGWorld(*layer);
            *layer = copy;
        }
    }
}

BENCHMARK(BM_PenStepRatio1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PenStepRatio4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90Of6000x4000)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_CopyThreeLayersOf6000x4000)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
