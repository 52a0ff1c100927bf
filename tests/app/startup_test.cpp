// Start-up with no camera, quitting, and a missing interface description.

#include <QFile>
#include <fstream>
#include <functional>

#include "app/prefs.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

class Startup : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        // The program keeps its interface description to the end of the process; each run
        // here is one such process.
        if (g_nibRef) DisposeNibReference(g_nibRef);
        g_nibRef = nullptr;
        ToolboxTest::TearDown();
    }
    // Runs the program; on its first loop turn `during` runs, then the program is quit.
    int run(std::function<void()> during) {
        during_ = std::move(during);
        InstallEventLoopTimer(
            0.0, 1000.0,
            [](void* during) {
                (*static_cast<std::function<void()>*>(during))();
                ProcessHICommand(FOUR_CC("quit"));
            },
            &during_);
        char name[] = "orvilcast";
        char* argv[] = {name, nullptr};
        return app_main(1, argv);
    }
    TempDir dir_;
    std::function<void()> during_;
};

// One run: the first turn finds the program as started; the preferences are read at the start
// and written at the end.
TEST_F(Startup, FirstTurnShowsTheToolbarAndTheIdleTimerAndQuittingWritesThePreferences) {
    pref.lm_size = 1;
    file_save_prefs();
    pref = PrefRecord{};
    ASSERT_EQ(run([] {
                  EXPECT_EQ(pref.lm_size, 1);
                  EXPECT_TRUE(IsWindowVisible(g_tool_bar));
                  EXPECT_EQ(GetWindowContentOrigin(g_tool_bar).h, 16);
                  EXPECT_EQ(GetWindowContentOrigin(g_tool_bar).v, 22);
                  const std::vector<TimerSchedule> timers = hooks_timers();
                  ASSERT_EQ(timers.size(), 2u);  // this test's own timer, then the idle timer
                  EXPECT_EQ(timers[1].next_ms, 1000);
                  EXPECT_EQ(timers[1].period_ms, 50);
                  pref.lm_size = 2;
              }),
              0);
    pref = PrefRecord{};
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 2);
}

TEST_F(Startup, MissingDescriptionMenuBarOrToolbarReturnsTheErrorAndWritesNothing) {
    // No description; a description without its menu bar; one without its toolbar.
    const std::pair<std::vector<const char*>, OSStatus> cases[] = {
        {{}, kIBCarbonRuntimeCantFindNibFile},
        {{"toolbar"}, kIBCarbonRuntimeCantFindObject},
        {{"MenuBar"}, kIBCarbonRuntimeCantFindObject},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& [forms, expected] = cases[i];
        const std::string root = dir_.file(std::to_string(i));
        for (const char* form : forms) {
            std::filesystem::create_directories(root + "/main");
            QFile source(QStringLiteral(":/ui/main/%1.ui").arg(form));
            ASSERT_TRUE(source.open(QIODevice::ReadOnly));
            std::ofstream(root + "/main/" + form + ".ui") << source.readAll().toStdString();
        }
        hooks_set_description_root(root.c_str());
        EXPECT_EQ(run([] { ADD_FAILURE() << "the loop ran"; }), expected);
        EXPECT_EQ(std::filesystem::file_size(dir_.file(kPrefFileName)), 8u)
            << "no resource written";
        hooks_reset_toolbox();
    }
}

}  // namespace
