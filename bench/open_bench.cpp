// Opening a 6000 x 4000 JPEG photograph into an image window (decode, window and first
// paint) against a plain libjpeg-turbo decode of the same file into a new buffer, timed
// turn about in the same run; and the peak memory of the open, measured in a child process
// that does nothing else.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "app/startup.h"
#include "imagefile/iw_open.h"
#include "imagewin/image_window.h"
#include "platform/codecs.h"
#include "platform/events.h"
#include "test_photo.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
constexpr double kPixelsMB = kWidth * 4.0 * kHeight / (1 << 20);

// A photograph-like picture (gradients with noise) written once as a JPEG file.
const FSSpec& photo() {
    static FSSpec spec;
    if (!spec.name.empty()) return spec;
    const char* tmp = std::getenv("TMPDIR");
    spec = FSSpec{tmp && *tmp ? tmp : "/tmp", "orvilcast_open_bench.jpg"};
    GWorldPtr g = make_test_photo(kWidth, kHeight, 12345, 15);
    GraphicsExportGWorldToFile(g, FOUR_CC("JPEG"), &spec);
    DisposeGWorld(g);
    return spec;
}

std::vector<std::uint8_t> file_bytes(const FSSpec& spec) {
    std::vector<std::uint8_t> data;
    if (std::FILE* f = std::fopen(FSpGetFullPath(&spec).c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        data.resize(std::size_t(std::ftell(f)));
        std::rewind(f);
        data.resize(std::fread(data.data(), 1, data.size(), f));
        std::fclose(f);
    }
    return data;
}

// The library alone: the file's bytes decoded as X, R, G, B into a new buffer.
void plain_decode(const std::vector<std::uint8_t>& data) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_XRGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t(cinfo.output_width) * 4;
    auto* pixels = static_cast<std::uint8_t*>(std::malloc(stride * cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        for (int i = 0; i < 16; ++i)
            rows[i] = pixels + stride * std::min<std::size_t>(cinfo.output_scanline + i,
                                                              cinfo.output_height - 1);
        jpeg_read_scanlines(&cinfo, rows, 16);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels[stride]);
    std::free(pixels);
}

// The document window of the photograph, shown and painted once.
WindowRef open_and_paint(const FSSpec& spec) {
    WindowRef w = iw_open(&spec);
    if (w) QDFlushPortBuffer(GetWindowPort(w));
    return w;
}

void prepare_toolbox() {
    InitToolbox(0, nullptr);
    if (!g_nibRef) CreateNibReference("main", &g_nibRef);
    iw_init();
}

// Runs first, before this process starts the toolkit: a child opens the photograph once
// and reports its peak resident memory.
void BM_OpenPeakMemory(benchmark::State& state) {
    const FSSpec& spec = photo();
    for (auto _ : state) {
        const pid_t child = fork();
        if (child == 0) {
            prepare_toolbox();
            _exit(open_and_paint(spec) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("open failed");
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024;
    state.counters["goal_MB"] = 3.3 * kPixelsMB + 80;
}

void BM_PlainDecode(benchmark::State& state) {
    const std::vector<std::uint8_t> data = file_bytes(photo());
    for (auto _ : state) plain_decode(data);
}

// Each open is followed, untimed, by a plain decode timed on its own clock: the ratio of
// the two compares them under the same load.
void BM_OpenAgainstPlainDecode(benchmark::State& state) {
    const FSSpec& spec = photo();
    const std::vector<std::uint8_t> data = file_bytes(spec);
    prepare_toolbox();
    double open_s = 0, decode_s = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        WindowRef w = open_and_paint(spec);
        const auto t1 = std::chrono::steady_clock::now();
        state.PauseTiming();
        if (!w) {
            state.SkipWithError("open failed");
            break;
        }
        iw_close(w);
        const auto t2 = std::chrono::steady_clock::now();
        plain_decode(data);
        const auto t3 = std::chrono::steady_clock::now();
        open_s += std::chrono::duration<double>(t1 - t0).count();
        decode_s += std::chrono::duration<double>(t3 - t2).count();
        state.ResumeTiming();
    }
    state.counters["decode_ms"] = 1000 * decode_s / double(state.iterations());
    state.counters["ratio"] = decode_s > 0 ? open_s / decode_s : 0;
    state.counters["goal_ratio"] = 1.5;
}

BENCHMARK(BM_OpenPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAgainstPlainDecode)->Unit(benchmark::kMillisecond);

}  // namespace
