// The event loop's nested runs and timers, and documents given at start.

#include <filesystem>

#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

class Events : public ToolboxTest {};

struct Nested {
    int outer = -1, inner = -1;  // what the two nested runs returned
    int calls = 0;
};

void quit_nested(void*) {
    QuitCurrentEventLoop();
}

// A second wait nested in the first; its quit ends it alone, then it ends the first.
void wait_inside_the_wait(void* data) {
    InstallEventLoopTimer(0.0, 1000.0, quit_nested, nullptr);
    static_cast<Nested*>(data)->inner = RunCurrentEventLoop(0.5);
    QuitCurrentEventLoop();
}

// Waits inside its own call, as a transfer does.
void wait_in_timer(void* data) {
    auto* n = static_cast<Nested*>(data);
    if (++n->calls > 1) {
        QuitApplicationEventLoop();
        return;
    }
    InstallEventLoopTimer(0.0, 1000.0, wait_inside_the_wait, n);
    n->outer = RunCurrentEventLoop(30.0);
}

// Each quit ends the innermost run only; the timer fires again once its run has ended.
TEST_F(Events, NestedRunsInsideATimerEndInnermostFirst) {
    Nested n;
    InstallEventLoopTimer(0.0, 0.001, wait_in_timer, &n);
    RunApplicationEventLoop();
    EXPECT_EQ(n.inner, 0);
    EXPECT_EQ(n.outer, 0);
    EXPECT_EQ(n.calls, 2);
}

// A quit with no nested run is ignored: a run with no time left still times out.
TEST_F(Events, ARunWithNoTimeLeftTimesOutAndARepeatingTimerWaitsItsFirstDelayOnceThenItsPeriod) {
    QuitCurrentEventLoop();
    EXPECT_EQ(RunCurrentEventLoop(0.0), 1);
    InstallEventLoopTimer(0.0, 0.05, quit_nested, nullptr);
    ASSERT_EQ(hooks_timers().size(), 1u);
    EXPECT_EQ(hooks_timers()[0].next_ms, 0);
    EXPECT_EQ(RunCurrentEventLoop(30.0), 0);
    EXPECT_EQ(hooks_timers()[0].next_ms, 50);
}

struct Opened {
    std::vector<FSSpec> files;
    OSErr missed = 0;
    long ref_con = 0;
};
Opened g_opened;

OSErr open_documents(const AppleEvent* request, AppleEvent*, long ref_con) {
    g_opened.ref_con = ref_con;
    AEDescList list;
    if (AEGetParamDesc(request, keyDirectObject, typeAEList, &list) != noErr) return -1;
    g_opened.missed = AEGetAttributePtr(request, keyMissedKeywordAttr, typeWildCard);
    long count = 0;
    AECountItems(&list, &count);
    for (long i = 1; i <= count + 1; ++i) {
        FSSpec spec;
        if (AEGetNthFSSpec(&list, i, &spec) == noErr) g_opened.files.push_back(spec);
    }
    QuitCurrentEventLoop();
    return AEDisposeDesc(&list);
}

// A fresh program started as `orvilcast -style fusion /data/pictures/a.jpg b.bmp`: Qt takes
// its own option, and each file named arrives once, with its folder, once the loop runs.
[[noreturn]] void start_with_qt_options() {
    TempDir runtime;  // the program's socket folder, so that no other program is found
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    char prog[] = "orvilcast", style[] = "-style", fusion[] = "fusion",
         a[] = "/data/pictures/a.jpg", b[] = "b.bmp";
    char* argv[] = {prog, style, fusion, a, b, nullptr};
    if (InitToolbox(5, argv) != -1) std::_Exit(2);
    bool ok =
        AEInstallEventHandler(kCoreEventClass, FOUR_CC("oapp"), open_documents, 0) == paramErr &&
        AEInstallEventHandler(kCoreEventClass, kAEOpenDocuments, open_documents, 7) == noErr;
    ok = ok && g_opened.files.empty() && RunCurrentEventLoop(30.0) == 0;
    const auto& f = g_opened.files;
    ok = ok && f.size() == 2 && f[0].folder == "/data/pictures" && f[0].name == "a.jpg" &&
         f[1].folder == std::filesystem::current_path().string() && f[1].name == "b.bmp" &&
         g_opened.missed == errAEDescNotFound && g_opened.ref_con == 7;
    std::filesystem::remove_all(runtime.path());  // _Exit runs no destructor
    std::_Exit(ok ? 0 : 1);
}

TEST(CommandLine, QtOptionsAreTakenOutAndEachFileArrivesOnceWhenTheLoopRuns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(start_with_qt_options(), testing::ExitedWithCode(0), "");
}

}  // namespace
