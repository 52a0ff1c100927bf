// A fixture for the live monitor: a fresh simulated camera, the interface description open,
// the command handler installed, the preferences at their defaults and no live window yet.
#pragma once

#include "support/camera_fixture.h"

class LiveTest : public CameraTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    static OSStatus command(const char* code);  // the command sent as a menu item sends it
    static void start_live();                   // connects and starts the live picture
    static Rect content();                      // the live window's content rectangle
    // The pixel of the live window's port at (h, v), as 0x00RRGGBB.
    static std::uint32_t shown(int h, int v);
};
