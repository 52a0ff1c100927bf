// Start-up, the main event loop and shut-down of the program.

#include "app/startup.h"

#include "app/commands.h"
#include "app/control_window.h"
#include "app/cursors.h"
#include "app/prefs.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "imagefile/file_conversion.h"
#include "imagefile/iw_open.h"
#include "imagewin/image_window.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/events.h"

IBNibRef g_nibRef = nullptr;

namespace {

CursHandle __load_cursor(std::int16_t id) {
    return GetCursor(id);
}

void __init_globals() {
    g_file_conversion_dialog_ptr = nullptr;
    g_tool_bar = nullptr;
    g_lm_win = nullptr;
    g_control_win = nullptr;
    g_draw_win = nullptr;
    g_live_monitor_now = false;
    g_fullscreen = nullptr;
    g_dp_cur_tool = FOUR_CC("HAND");
    g_dp_cur_line_type = FOUR_CC("LTY0");
    g_dp_cur_line_width = FOUR_CC("LNW3");
    g_dp_cur_e_size = FOUR_CC("TLE1");
    g_dp_cur_color = FOUR_CC("CP01");
    g_now_tracking_control_panel = false;
    g_untitled_counter = 1;
    g_now_camera_busy = 0;
}

void __idle_timer(void*) {
    __idle_camera();
}

void __load_cursors() {
    cross_cursor = __load_cursor(138);
    selection_cursor = __load_cursor(15);
    hand_cursor = __load_cursor(9);
    eraser_6x6 = __load_cursor(128);
    eraser_10x10 = __load_cursor(129);
    eraser_16x16 = __load_cursor(130);
    arrow_cursor = GetQDGlobalsArrow();
}

// The description "main", its menu bar and the toolbar window: 0 or the toolkit's error.
OSStatus __load_interface() {
    OSStatus err = CreateNibReference("main", &g_nibRef);
    if (err != noErr) return err;
    err = SetMenuBarFromNib(g_nibRef, "MenuBar");
    if (err == noErr) err = CreateWindowFromNib(g_nibRef, "toolbar", &g_tool_bar);
    if (err != noErr) {
        DisposeNibReference(g_nibRef);
        g_nibRef = nullptr;
    }
    return err;
}

}  // namespace

OSErr ae_opendoc(const AppleEvent* request, AppleEvent*, long) {
    AEDescList list;
    const OSErr err = AEGetParamDesc(request, keyDirectObject, typeAEList, &list);
    if (err != noErr) return err;
    long count = 0;
    if (AEGetAttributePtr(request, keyMissedKeywordAttr, typeWildCard) == errAEDescNotFound &&
        AECountItems(&list, &count) == noErr) {
        // A file that does not open, missing ones too, is named in one alert for them all.
        std::vector<FSSpec> files;
        for (long i = 1; i <= count; ++i) {
            FSSpec spec;
            if (AEGetNthFSSpec(&list, i, &spec) != noErr || g_file_conversion_dialog_ptr) continue;
            files.push_back(spec);
        }
        iw_open_files(files);
    }
    return AEDisposeDesc(&list);
}

int app_main(int argc, char** argv) {
    const int ended = InitToolbox(argc, argv);
    if (ended >= 0) return ended;
    __init_globals();
    init_file_converter();
    file_load_prefs();
    iw_init();
    __load_cursors();
    g_off_width = -1;
    g_off_height = -1;
    g_grab_off = nullptr;
    g_lm_off = nullptr;

    const OSStatus err = __load_interface();
    if (err != noErr) return err;
    MoveWindow(g_tool_bar, 16, 22, false);
    ShowWindow(g_tool_bar);

    g_my_win_event_handler_upp = my_win_event_handler;
    InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr, nullptr);
    InstallApplicationEventHandler(__my_mouse_move_handler, 2, __my_mouse_move_event, nullptr,
                                   nullptr);
    AEInstallEventHandler(kCoreEventClass, kAEOpenDocuments, ae_opendoc, 0);

    InstallEventLoopTimer(1.0, 0.05, __idle_timer, nullptr);
    tb_setup();
    RunApplicationEventLoop();

    close_camera();
    file_save_prefs();
    return 0;
}
