// Start-up with no camera, the first refresh, quitting, and a missing interface description.

#include <QFile>
#include <fstream>

#include "app/control_window.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "imagewin/image_window.h"
#include "platform/resfile.h"
#include "support/temp_dir.h"
#include "support/toolbox.h"

namespace {

// What the first turn of the event loop finds, taken before the test quits the program.
struct FirstTurn {
    bool ran = false;
    std::string status;
    bool toolbar_visible = false;
    Point toolbar_origin{};
    bool lm_checked[3] = {};
};

class Startup : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        pref = PrefRecord{};
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
    int run(void (*during)(void*) = nullptr) {
        during_ = during;
        InstallEventLoopTimer(0.0, 1000.0, &Startup::first_turn, this);
        char name[] = "orvilcast";
        char* argv[] = {name, nullptr};
        return app_main(1, argv);
    }
    static void first_turn(void* self) {
        auto* t = static_cast<Startup*>(self);
        FirstTurn& f = t->seen_;
        f.ran = true;
        const ControlID status{FOUR_CC("TBAR"), 15};
        ControlRef text = nullptr;
        if (GetControlByID(g_tool_bar, &status, &text) == noErr) f.status = GetControlText(text);
        f.toolbar_visible = IsWindowVisible(g_tool_bar);
        f.toolbar_origin = GetWindowContentOrigin(g_tool_bar);
        const OSType sizes[] = {FOUR_CC("LM1 "), FOUR_CC("LM2 "), FOUR_CC("LM3 ")};
        for (int i = 0; i < 3; ++i) {
            MenuRef m = nullptr;
            MenuItemIndex item = 0;
            if (GetIndMenuItemWithCommandID(nullptr, sizes[i], 1, &m, &item) == noErr)
                f.lm_checked[i] = IsMenuItemChecked(m, item);
        }
        if (t->during_) t->during_(t);
        ProcessHICommand(FOUR_CC("quit"));
    }
    bool stored_record_exists() const {
        FSSpec spec{dir_.path(), kPrefFileName};
        if (!FSpExists(&spec)) return false;
        const std::int16_t ref = FSpOpenResFile(&spec);
        std::vector<std::uint8_t> bytes;
        const bool found = ref > 0 && Get1Resource(kPrefResType, kPrefResID, &bytes);
        if (ref > 0) CloseResFile(ref);
        return found;
    }

    TempDir dir_;
    FirstTurn seen_;
    void (*during_)(void*) = nullptr;
};

// The first turn of the loop after a start-up with no camera and no document.
TEST_F(Startup, WithoutCameraOrWindowTheCameraDocumentAndViewCommandsAreDisabled) {
    static std::vector<std::string> enabled;
    static bool open_enabled = false;
    enabled.clear();
    ASSERT_EQ(run([](void*) {
                  const char* codes[] = {"clos", "save", "svas", "R180", "R90R", "R90L", "FSCR",
                                         "ZIN ", "ZOUT", "BFIT", "ZSEL", "ASIZ", "CAPT", "RCON"};
                  for (const char* c : codes) {
                      if (IsMenuCommandEnabled(nullptr, code_of(c))) enabled.push_back(c);
                  }
                  open_enabled = IsMenuCommandEnabled(nullptr, FOUR_CC("open"));
              }),
              0);
    ASSERT_TRUE(seen_.ran);
    EXPECT_EQ(seen_.status, "Camera:Not found.");
    EXPECT_TRUE(seen_.toolbar_visible);
    EXPECT_EQ(seen_.toolbar_origin.h, 16);
    EXPECT_EQ(seen_.toolbar_origin.v, 22);
    EXPECT_TRUE(enabled.empty()) << enabled.front();
    EXPECT_TRUE(open_enabled);
}

TEST_F(Startup, StoredLiveMonitorSizeOneChecksOnlyTheHalfSizeItem) {
    pref.lm_size = 1;
    pref.lm_ratio = 5;
    file_save_prefs();
    pref = PrefRecord{};
    ASSERT_EQ(run(), 0);
    EXPECT_FALSE(seen_.lm_checked[0]);
    EXPECT_TRUE(seen_.lm_checked[1]);
    EXPECT_FALSE(seen_.lm_checked[2]);
}

TEST_F(Startup, IdleRoutineRunsEveryTwentiethOfASecondAfterTheFirstSecond) {
    static std::vector<TimerSchedule> timers;
    ASSERT_EQ(run([](void*) { timers = hooks_timers(); }), 0);
    ASSERT_EQ(timers.size(), 2u);  // the test's own first-turn timer, then the idle timer
    EXPECT_EQ(timers[1].next_ms, 1000);
    EXPECT_EQ(timers[1].period_ms, 50);
}

TEST_F(Startup, CancelledQuitKeepsTheLoopRunningAndTheNextQuitWritesThePreferences) {
    static bool turned_after_cancel;
    turned_after_cancel = false;
    ASSERT_EQ(run([](void*) {
                  pref.lm_size = 2;
                  ShowWindow(iw_new(8, 8, 5));  // a changed document: quitting asks about it
                  hooks_answer_save_changes(kNavAskSaveChangesCancel);
                  hooks_answer_save_changes(kNavAskSaveChangesDontSave);
                  InstallEventLoopTimer(
                      0.0, 1000.0,
                      [](void*) {
                          turned_after_cancel = true;
                          ProcessHICommand(FOUR_CC("quit"));
                      },
                      nullptr);
              }),
              0);
    EXPECT_TRUE(turned_after_cancel);
    EXPECT_EQ(hooks_nav_record().save_changes, 2);
    pref = PrefRecord{};
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 2);
}

// A description folder holding only the forms named.
void make_description(const std::string& root, std::initializer_list<const char*> forms) {
    std::filesystem::create_directories(root + "/main");
    for (const char* form : forms) {
        QFile source(QStringLiteral(":/ui/main/%1.ui").arg(form));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        std::ofstream(root + "/main/" + form + ".ui") << source.readAll().toStdString();
    }
}

struct MissingCase {
    const char* name;
    bool make_folder;
    std::initializer_list<const char*> forms;
    OSStatus expected;
};

TEST_F(Startup, MissingDescriptionMenuBarOrToolbarReturnsTheErrorAndWritesNothing) {
    const MissingCase cases[] = {
        {"no description", false, {}, kIBCarbonRuntimeCantFindNibFile},
        {"no menu bar", true, {"toolbar"}, kIBCarbonRuntimeCantFindObject},
        {"no toolbar", true, {"MenuBar"}, kIBCarbonRuntimeCantFindObject},
    };
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = dir_.file(c.name);
        if (c.make_folder) make_description(root, c.forms);
        hooks_set_description_root(root.c_str());
        seen_ = FirstTurn{};
        EXPECT_EQ(run(), c.expected);
        EXPECT_FALSE(seen_.ran);
        EXPECT_FALSE(stored_record_exists());
        EXPECT_EQ(GetFrontWindowOfClass(kFloatingWindowClass, false), nullptr);
        hooks_reset_toolbox();
    }
}

}  // namespace
