// A fresh camera link in front of a fresh simulated camera, with a fake tick clock,
// recorded alerts and beeps, and captured standard output.
#pragma once

#include <cstdint>

#include "platform/window.h"
#include "support/toolbox.h"

class CameraTest : public ToolboxTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    static void connect();                // opens the connection, which must work
    static void run_posted();             // runs what is waiting in the event loop
    static void idle(int calls);          // timer calls, 3 ticks (0.05 s) apart
    static WindowRef show_live_window();  // a shown window as the live window

    static std::uint32_t ticks() { return now; }  // the tick source while a test runs
    static inline std::uint32_t now = 1000;       // the tick clock; only ever moves forward
};
