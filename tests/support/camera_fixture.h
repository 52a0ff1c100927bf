// A fresh camera link in front of a fresh simulated camera, with a fake tick clock,
// recorded alerts and beeps, and captured standard output.
#pragma once

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>

#include "app/control_window.h"
#include "camera/capture.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "simcam/simcam.h"
#include "support/toolbox.h"

class CameraTest : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        now += 10000;
        hooks_set_tick_source(&CameraTest::ticks);
        simcam_reset();
        g_now_camera_busy = 0;
        g_now_tracking_control_panel = false;
        g_end_fullscreen_request = false;
        hooks_capture_stdout(true);
    }

    void TearDown() override {
        // Failure messages went to the captured output too: show it all.
        std::vector<std::string> printed = hooks_stdout_lines();
        hooks_capture_stdout(false);
        if (HasFailure())
            for (const std::string& line : printed) std::fprintf(stderr, "%s\n", line.c_str());
        close_camera();
        run_posted();
        // The camera link keeps its offscreens for the whole run; a test is one run.
        for (GWorldPtr* off : {&g_grab_off, &g_lm_off}) {
            DisposeGWorld(*off);
            *off = nullptr;
        }
        g_lm_win = nullptr;
        g_lm_sc_v = g_lm_sc_h = nullptr;
        hooks_set_tick_source(nullptr);
        ToolboxTest::TearDown();
    }

    // Opens the connection, which must work.
    static void connect() {
        ASSERT_EQ(init_camera(), 0);
        simcam_clear_record();
    }

    // Runs what is waiting in the event loop.
    static void run_posted() { QCoreApplication::processEvents(); }

    // Timer calls, 3 ticks (0.05 s) apart.
    static void idle(int calls) {
        for (int i = 0; i < calls; ++i) {
            __idle_camera();
            run_posted();
            now += 3;
        }
    }

    // A shown window as the live window.
    static WindowRef show_live_window() {
        EXPECT_EQ(hooks_new_window_from_form(document_form(320, 240).c_str(), &g_lm_win), noErr);
        ShowWindow(g_lm_win);
        return g_lm_win;
    }

    static std::uint32_t ticks() { return now; }  // the tick source while a test runs
    static inline std::uint32_t now = 1000;       // the tick clock; only ever moves forward
};
