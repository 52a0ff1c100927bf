// Start-up of the program up to the first turn of its event loop, on the offscreen platform.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "platform/events.h"
#include "platform/test_hooks.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point g_started;
double g_seconds = 0;

void first_turn(void*) {
    g_seconds = std::chrono::duration<double>(Clock::now() - g_started).count();
    ProcessHICommand(FOUR_CC("quit"));
}

// One run: the application object (made on the first run only), preferences, cursors,
// interface, handlers and the first refresh, until the loop turns once; then quit.
double one_run() {
    g_started = Clock::now();
    InitToolbox(0, nullptr);
    InstallEventLoopTimer(0.0, 1000.0, first_turn, nullptr);
    char name[] = "orvilcast";
    char* argv[] = {name, nullptr};
    app_main(1, argv);
    const double seconds = g_seconds;
    hooks_reset_toolbox();
    return seconds;
}

void prepare() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string config = std::filesystem::temp_directory_path() / "orvilcast-bench-config";
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

// The first start-up of the process, which also makes the application object.
void BM_StartupFirst(benchmark::State& state) {
    prepare();
    for (auto _ : state) state.SetIterationTime(one_run());
}
BENCHMARK(BM_StartupFirst)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Later start-ups in the same process: everything but the application object.
void BM_StartupAgain(benchmark::State& state) {
    prepare();
    for (auto _ : state) state.SetIterationTime(one_run());
}
BENCHMARK(BM_StartupAgain)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
