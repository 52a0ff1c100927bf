// Batch conversion of a mixed folder (7 BMP 3000 x 2000, 7 JPEG 640 x 480, 6 PICT
// 1000 x 700) through do_convert_file, against ImageMagick converting the same folder one
// file after another with "-resize 2592x1944> -quality 75". Reports the time per folder, the
// processor time it took (the children's for ImageMagick) and the conversion's peak
// resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagefile/file_conversion.h"
#include "imagewin/offscreen.h"
#include "platform/codecs.h"
#include "test_photo.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::temp_directory_path() / "orvilcast-convert-bench";

void write_picture(const fs::path& path, int w, int h, unsigned seed) {
    GWorldPtr g = make_test_photo(w, h, seed);
    std::vector<std::uint8_t> bytes;
    const std::string ext = path.extension().string();
    if (ext == ".bmp") {
        WriteBMPImage(g, &bytes);
    } else if (ext == ".pct") {
        WritePICTImage(g, &bytes);
    } else {
        constexpr JPEGEncodeOptions options = {90, false, 1, 72, 72};
        CompressJPEGImage(g, &options, &bytes);
    }
    DisposeGWorld(g);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The source folder, made once per run.
const std::vector<fs::path>& sources() {
    static std::vector<fs::path> files;
    if (!files.empty()) return files;
    fs::remove_all(kRoot);
    fs::create_directories(kRoot / "in");
    for (int i = 0; i < 7; ++i)
        files.push_back(kRoot / "in" / ("bmp" + std::to_string(i) + ".bmp"));
    for (int i = 0; i < 7; ++i)
        files.push_back(kRoot / "in" / ("jpg" + std::to_string(i) + ".jpg"));
    for (int i = 0; i < 6; ++i)
        files.push_back(kRoot / "in" / ("pict" + std::to_string(i) + ".pct"));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string ext = files[i].extension().string();
        const int w = ext == ".bmp" ? 3000 : ext == ".jpg" ? 640 : 1000;
        const int h = ext == ".bmp" ? 2000 : ext == ".jpg" ? 480 : 700;
        write_picture(files[i], w, h, unsigned(i + 1));
    }
    return files;
}

fs::path fresh_folder(const char* name) {
    const fs::path out = kRoot / name;
    fs::remove_all(out);
    fs::create_directories(out);
    return out;
}

// The process's peak resident memory in kB since the last reset.
long peak_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

void reset_peak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Processor time used so far by this process, or by its finished children, in ms.
double cpu_ms(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000);
}

void BM_ConvertFolder(benchmark::State& state) {
    init_file_converter();  // as the program's start-up does
    const auto& files = sources();
    long peak = 0;
    const double cpu_start = cpu_ms(RUSAGE_SELF);
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path out = fresh_folder("ours");
        const FSSpec destination{out.string(), ""};
        reset_peak();
        state.ResumeTiming();
        for (const fs::path& f : files) {
            const FSSpec source{f.parent_path().string(), f.filename().string()};
            if (do_convert_file(&source, &destination, true) != noErr)
                state.SkipWithError("conversion failed");
        }
        state.PauseTiming();
        peak = std::max(peak, peak_kb());
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = double(peak) / 1024;
    state.counters["cpu_ms"] = (cpu_ms(RUSAGE_SELF) - cpu_start) / double(state.iterations());
}
BENCHMARK(BM_ConvertFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ImageMagickFolder(benchmark::State& state) {
    const auto& files = sources();
    const double cpu_start = cpu_ms(RUSAGE_CHILDREN);
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path out = fresh_folder("magick");
        state.ResumeTiming();
        int n = 0;
        for (const fs::path& f : files) {
            const std::string command = "/usr/bin/convert " + f.string() +
                                        " -resize '2592x1944>' -quality 75 " +
                                        (out / ("out" + std::to_string(++n) + ".jpg")).string();
            if (std::system(command.c_str()) != 0) state.SkipWithError("ImageMagick failed");
        }
    }
    state.counters["cpu_ms"] = (cpu_ms(RUSAGE_CHILDREN) - cpu_start) / double(state.iterations());
}
BENCHMARK(BM_ImageMagickFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
