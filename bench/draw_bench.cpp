// Compositing the three layers of an image window into its port, as every scroll step does.

#include <benchmark/benchmark.h>

#include "imagewin/offscreen.h"

namespace {

struct Layers {
    GWorldPtr image, drawing, shape, port;
    Layers() {
        image = create_offscreen(32, 1024, 768, true);
        drawing = create_offscreen(32, 1024, 768, true);
        shape = create_offscreen(32, 1024, 768, true);
        port = create_offscreen(32, 1024, 768, true);
        const RGBColor grey{0x8888, 0x8888, 0x8888};
        for (GWorldPtr g : {drawing, shape}) {
            SetGWorld(g);
            RGBBackColor(&grey);
            erase_port_rect(g);
            PenSize(3, 3);
            MoveTo(10, 10);
            LineTo(1000, 700);
        }
        SetGWorld(port);
        RGBBackColor(&grey);
    }
    ~Layers() {
        SetGWorld(nullptr);
        for (GWorldPtr g : {image, drawing, shape, port}) DisposeGWorld(g);
    }
};

// Copies the three layers at ratio r, scrolled to the middle of the picture.
void composite(benchmark::State& state, double r) {
    Layers l;
    Rect src, dst;
    const int w = int(1024 / r), h = int(768 / r);
    SetRect(&src, (1024 - w) / 2, (768 - h) / 2, (1024 - w) / 2 + w, (768 - h) / 2 + h);
    SetRect(&dst, 0, 0, 1024, 768);
    for (auto _ : state) {
        CopyBits(l.image, l.port, &src, &dst, srcCopy, nullptr);
        CopyBits(l.drawing, l.port, &src, &dst, transparent, nullptr);
        CopyBits(l.shape, l.port, &src, &dst, transparent, nullptr);
        benchmark::DoNotOptimize(l.port->pixels);
    }
}

void BM_CompositeThreeLayersRatio1(benchmark::State& s) {
    composite(s, 1.0);
}
void BM_CompositeThreeLayersRatio2_5(benchmark::State& s) {
    composite(s, 2.5);
}

BENCHMARK(BM_CompositeThreeLayersRatio1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeThreeLayersRatio2_5)->Unit(benchmark::kMillisecond);

}  // namespace
