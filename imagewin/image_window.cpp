// The image document record and the image window that shows it.

#include "imagewin/image_window.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/control_window.h"
#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "imagefile/iw_save.h"
#include "imagewin/draw_tools.h"
#include "imagewin/iw_view.h"
#include "imagewin/offscreen.h"
#include "imagewin/selection.h"
#include "imagewin/window_helpers.h"
#include "monitor/live_monitor.h"

const RGBColor __g_rgb_back = {0x8888, 0x8888, 0x8888};
std::int32_t g_untitled_counter = 1;

namespace {

EventHandlerProcPtr __g_iw_event_handler_upp = nullptr;
ControlActionProcPtr __g_scroll_upp = nullptr;

const EventTypeSpec __g_iw_envets[8] = {
    {kEventClassWindow, kEventWindowClosed},      {kEventClassWindow, kEventWindowClose},
    {kEventClassWindow, kEventWindowActivated},   {kEventClassWindow, kEventWindowDeactivated},
    {kEventClassWindow, kEventWindowDrawContent}, {kEventClassWindow, kEventWindowBoundsChanged},
    {kEventClassMouse, kEventMouseWheelMoved},    {kEventClassMouse, kEventMouseDown},
};

// The record and whatever layers it holds.
void __dispose_record(IwRecord* rec) {
    for (GWorldPtr layer : {rec->img_off, rec->draw_off, rec->shape_off})
        if (layer) DisposeGWorld(layer);
    delete rec;
}

// Makes the three layers; the drawing and shape layers start transparent grey.
bool __make_layers(IwRecord* rec, std::int16_t width, std::int16_t height) {
    rec->img_off = create_offscreen(32, width, height, true);
    if (rec->img_off) rec->draw_off = create_offscreen(32, width, height, true);
    if (rec->draw_off) rec->shape_off = create_offscreen(32, width, height, true);
    if (!rec->shape_off) return false;
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    for (GWorldPtr layer : {rec->draw_off, rec->shape_off}) {
        SetGWorld(layer);
        RGBBackColor(&__g_rgb_back);
        erase_port_rect(layer);
    }
    SetGWorld(saved);
    return true;
}

// The window from the description "IW" with its handler and scroll bars, or null.
WindowRef __make_window(IwRecord* rec) {
    WindowRef window = nullptr;
    if (!g_nibRef || CreateWindowFromNib(g_nibRef, "IW", &window) != noErr) return nullptr;
    const ControlID v_id{FOUR_CC("LIVE"), 0}, h_id{FOUR_CC("LIVE"), 1};
    if (GetControlByID(window, &v_id, &rec->sc_v) != noErr ||
        GetControlByID(window, &h_id, &rec->sc_h) != noErr) {
        DisposeWindow(window);
        return nullptr;
    }
    if (__g_iw_event_handler_upp)
        InstallWindowEventHandler(window, __g_iw_event_handler_upp, 8, __g_iw_envets, window,
                                  nullptr);
    SetControlAction(rec->sc_v, __g_scroll_upp);
    SetControlAction(rec->sc_h, __g_scroll_upp);
    SetWRefCon(window, rec);
    return window;
}

void __wheel(WindowRef window, EventRef event) {
    IwRecord* rec = iw_record(window);
    std::uint16_t axis = 0;
    std::int32_t delta = 0;
    if (!rec || GetEventWheel(event, &axis, &delta) != noErr) return;
    ControlRef bar = axis == 0 ? rec->sc_h : axis == 1 ? rec->sc_v : nullptr;
    if (!bar || !IsControlVisible(bar)) return;
    SetControlValue(bar, GetControlValue(bar) - delta);
    iw_draw(window);
    QDFlushPortBuffer(GetWindowPort(window));
}

OSStatus __mouse_down(WindowRef window, EventHandlerCallRef next, EventRef event) {
    const OSStatus result = CallNextEventHandler(next, event);
    if (result != eventNotHandledErr) return result;
    Point where;
    if (!is_iw(window) || GetEventMouseLocation(event, &where) != noErr) return result;
    SetPortWindowPort(window);
    GlobalToLocal(&where);
    if (g_dp_cur_tool == FOUR_CC("HAND")) {
        iw_click_scroll(window, where);
        return result;
    }
    __clear_selection(window);
    if (g_dp_cur_tool == FOUR_CC("SELE"))
        iw_click_selection(window, where);
    else
        iw_click_draw(window, where);
    return result;
}

}  // namespace

void iw_init() {
    __g_iw_event_handler_upp = iw_event_handler;
    __g_scroll_upp = im_live_action_proc;
}

WindowRef iw_new(std::int16_t width, std::int16_t height, std::int32_t zoom_index) {
    auto* rec = new (std::nothrow) IwRecord{};
    WindowRef window = nullptr;
    if (rec) {
        rec->sig = kIwSignature;
        rec->has_spec = false;
        rec->modified = true;
        rec->file_type = image_types[std::clamp(pref.save_type, 0, 2)].type;
        if (__make_layers(rec, width, height)) window = __make_window(rec);
    }
    if (!window) {
        show_error_alert(kErrorAlertTitle, kMemoryAlertMessage);
        if (rec) __dispose_record(rec);
        return nullptr;
    }
    SetRect(&rec->sel_rect, 0, 0, 0, 0);
    SetRect(&rec->img_rect, 0, 0, width, height);
    rec->zoom_index = zoom_index;

    const double r = iw_view_ratio(rec);
    int w = int(width * r) + 15, h = int(height * r) + 15;
    fit_on_screen(&w, &h);
    SizeWindow(window, std::int16_t(w), std::int16_t(h), false);
    InvalRectPortRect(window);
    __adjust_iw_win(window);
    return window;
}

WindowRef iw_captrue() {
    if (!g_grab_off) return nullptr;
    const std::int32_t zoom_index = pref.lm_size == 0 ? 2 : pref.lm_size == 1 ? 3 : 5;
    WindowRef window = iw_new(std::int16_t(g_off_width), std::int16_t(g_off_height), zoom_index);
    if (!window) return nullptr;
    IwRecord* rec = iw_record(window);
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetGWorld(rec->img_off);
    CopyBits(g_grab_off, rec->img_off, &rec->img_rect, &rec->img_rect, srcCopy, nullptr);
    char name[32];
    std::snprintf(name, sizeof name, "Untitled %ld", long(g_untitled_counter++));
    rec->spec.name = name;
    iw_set_window_title(window);
    ShowWindow(window);
    SetGWorld(saved);
    return window;
}

void iw_set_window_title(WindowRef window) {
    const IwRecord* rec = iw_record(window);
    if (!rec) return;
    const char* name = rec->spec.name.c_str();
    const double r = iw_view_ratio(rec);
    char title[256];
    switch (rec->zoom_index) {
        case 0:
            std::snprintf(title, sizeof title, "%s 6.25%%", name);
            break;
        case 1:
            std::snprintf(title, sizeof title, "%s 12.5%%", name);
            break;
        case 4:
            std::snprintf(title, sizeof title, "%s 66.7%%", name);
            break;
        case 12:
            std::snprintf(title, sizeof title,
                          r < 0.1   ? "%s %.2f%%"
                          : r < 1.0 ? "%s %.1f%%"
                                    : "%s %.0f%%",
                          name, r * 100);
            break;
        default:
            std::snprintf(title, sizeof title, "%s %ld%%", name, long(r * 100));
            break;
    }
    SetWindowTitle(window, title);
    // A small picture's window widens to show its title; the picture keeps its place at the
    // top left, on the background.
    Rect port;
    GetWindowPortBounds(window, &port);
    int width = GetWindowTitleWidth(window), height = port.bottom;
    fit_on_screen(&width, &height);
    if (width > port.right) {
        SizeWindow(window, std::int16_t(width), port.bottom, true);
        __adjust_iw_win(window);
    }
}

bool iw_close(WindowRef window) {
    IwRecord* rec = iw_record(window);
    if (!rec) return false;
    if (rec->modified) {
        NavAskSaveChangesResult answer = kNavAskSaveChangesCancel;
        if (NavAskSaveChanges(rec->spec.name.c_str(), &answer) != noErr ||
            answer == kNavAskSaveChangesCancel)
            return false;
        // A save whose file dialog was cancelled reports success but leaves the changes:
        // the document stays open rather than lose them.
        if (answer == kNavAskSaveChangesSave && (iw_save(window, false) != noErr || rec->modified))
            return false;
    }
    SetWRefCon(window, nullptr);
    __dispose_record(rec);
    DisposeWindow(window);
    return true;
}

bool try_to_close_all_windows() {
    WindowRef window = GetFrontWindowOfClass(kDocumentWindowClass, true);
    while (window) {
        WindowRef next = GetNextWindowOfClass(window, kDocumentWindowClass, true);
        if (window == g_lm_win) {
            DisposeWindow(window);
        } else if (GetWRefCon(window) && !iw_close(window)) {
            return false;
        }
        window = next;
    }
    return true;
}

OSStatus iw_event_handler(EventHandlerCallRef next, EventRef event, void* user_data) {
    auto* window = static_cast<WindowRef>(user_data);
    const OSType event_class = GetEventClass(event);
    const std::uint32_t kind = GetEventKind(event);
    if (event_class == kEventClassMouse) {
        if (kind == kEventMouseDown) return __mouse_down(window, next, event);
        if (kind == kEventMouseWheelMoved) __wheel(window, event);
        return noErr;
    }
    switch (kind) {
        case kEventWindowDrawContent:
            iw_draw(window);
            break;
        case kEventWindowActivated:
        case kEventWindowDeactivated: {
            const OSStatus result = CallNextEventHandler(next, event);
            tb_setup();
            return result;
        }
        case kEventWindowBoundsChanged:
            __adjust_iw_win(window);
            InvalRectPortRect(window);
            break;
        case kEventWindowClose:
            iw_close(window);
            break;
        case kEventWindowClosed:
            tb_setup();
            break;
        default:
            break;
    }
    return noErr;
}

IwRecord* iw_record(WindowRef window) {
    return is_iw(window) ? static_cast<IwRecord*>(GetWRefCon(window)) : nullptr;
}

bool iw_still_open(WindowRef window, const IwRecord* record) {
    // Compares references only: a closed window's may no longer be read.
    for (WindowRef w = GetFrontWindowOfClass(kDocumentWindowClass, false); w;
         w = GetNextWindowOfClass(w, kDocumentWindowClass, false))
        if (w == window) return GetWRefCon(w) == record;
    return false;
}

bool is_iw(WindowRef window) {
    if (!window) return false;
    const auto* record = static_cast<const IwRecord*>(GetWRefCon(window));
    return record && record->sig == kIwSignature;
}

bool front_window_is_iw() {
    return is_iw(GetFrontWindowOfClass(kDocumentWindowClass, true));
}
