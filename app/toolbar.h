// The toolbar window and the refresh that keeps toolbar, status text and menus up to date.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/window.h"

// One control of the toolbar window.
struct TbEntry {
    OSType signature;   // always TBAR
    std::int32_t id;    // 1..15; with signature, the control's identifier
    bool has_value;     // the control shows a value
    bool enabled;       // the control can be used
    std::int8_t value;  // the value shown, when has_value
};

inline constexpr int kTbCount = 15;
extern TbEntry tb[kTbCount];  // the toolbar table, in control order
extern WindowRef g_tool_bar;  // the toolbar window, none before start-up

inline constexpr const char* kCameraReadyText = "Camera:Ready";
inline constexpr const char* kCameraNotFoundText = "Camera:Not found.";

// Brings toolbar, camera status text and menus up to date with the program's state. Hides
// the control window while the camera is not active.
void tb_setup();
