// The pointer shapes the program chooses among, and the choice by window and tool.

#include "app/cursors.h"

#include "app/control_window.h"
#include "imagewin/image_window.h"
#include "imagewin/iw_view.h"
#include "monitor/live_monitor.h"

CursHandle cross_cursor = nullptr;
CursHandle selection_cursor = nullptr;
CursHandle hand_cursor = nullptr;
CursHandle eraser_6x6 = nullptr;
CursHandle eraser_10x10 = nullptr;
CursHandle eraser_16x16 = nullptr;
const Cursor* arrow_cursor = nullptr;

const EventTypeSpec __my_mouse_move_event[2] = {{kEventClassMouse, kEventMouseMoved},
                                                {kEventClassMouse, kEventMouseUp}};

namespace {

// A cursor that could not be loaded shows as the arrow.
void __use(const Cursor* cursor) {
    if (!cursor) cursor = arrow_cursor;
    SetCursor(cursor ? cursor : GetQDGlobalsArrow());
}

// The cursor of the current tool over an image; null: leave the cursor as it is.
const CursHandle* __tool_cursor() {
    if (g_dp_cur_tool == FOUR_CC("HAND")) return &hand_cursor;
    if (g_dp_cur_tool == FOUR_CC("SELE")) return &selection_cursor;
    if (g_dp_cur_tool != FOUR_CC("TL06")) return &cross_cursor;
    if (g_dp_cur_e_size == FOUR_CC("TLE1")) return &eraser_6x6;
    if (g_dp_cur_e_size == FOUR_CC("TLE2")) return &eraser_10x10;
    if (g_dp_cur_e_size == FOUR_CC("TLE3")) return &eraser_16x16;
    return nullptr;
}

}  // namespace

void do_setup_my_cursor(Point where) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    WindowRef window = nullptr;
    WindowPartCode part = 0;
    if (FindWindowOfClass(&where, kDocumentWindowClass, &window, &part) != noErr ||
        window != GetFrontWindowOfClass(kDocumentWindowClass, true) || part != inContent) {
        __use(arrow_cursor);
    } else {
        SetPortWindowPort(window);
        Point local = where;
        GlobalToLocal(&local);
        if (FindControlUnderMouse(local, window)) {
            __use(arrow_cursor);
        } else if (front_window_is_iw()) {
            Rect picture;
            iw_view_area(window, &picture);
            if (!PtInRect(local, &picture))
                __use(arrow_cursor);
            else if (const CursHandle* c = __tool_cursor())
                __use(*c);
        } else if (g_lm_win && window == g_lm_win) {
            __use(hand_cursor);
        }
    }
    SetGWorld(saved);
}

OSStatus __my_mouse_move_handler(EventHandlerCallRef, EventRef event, void*) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    Point where{};
    if (GetEventClass(event) == kEventClassMouse && GetEventMouseLocation(event, &where) == noErr)
        do_setup_my_cursor(where);
    else
        __use(arrow_cursor);
    SetGWorld(saved);
    return eventNotHandledErr;
}
