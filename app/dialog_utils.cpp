// The error alert, the movable modal dialog loop and dialog item accessors.

#include "app/dialog_utils.h"

#include <string>

#include "imagewin/window_helpers.h"
#include "platform/events.h"

namespace {

constexpr std::int16_t kReachableEditItem = kEditTextDialogItem | kItemDisableBit;
constexpr std::uint32_t kWaitTicks = 60;  // how long one wait for an event may last

bool __is_return(std::uint8_t c) {
    return c == 13 || c == 3;
}

// Accepted in any field: backspace, the arrows and the digits.
bool __always_typed(std::uint8_t c) {
    return c == 8 || (c >= 28 && c <= 31) || (c >= '0' && c <= '9');
}

// Gives the focus to the edit item before the focused one, wrapping round to the last.
void __focus_previous_edit(DialogRef dialog) {
    const std::int16_t focus = GetDialogKeyboardFocusItem(dialog);
    for (std::int16_t i = std::int16_t(focus - 1); i >= 1; --i) {
        if (GetDialogItemType(dialog, i) == kReachableEditItem) {
            SelectDialogItemText(dialog, i, 0, 1000);
            return;
        }
    }
    for (std::int16_t i = CountDITL(dialog); i > focus; --i) {
        if (GetDialogItemType(dialog, i) == kReachableEditItem) {
            SelectDialogItemText(dialog, i, 0, 1000);
            return;
        }
    }
}

}  // namespace

OSErr show_error_alert(const char* title, const char* message) {
    return RunNoteAlert(title, message);
}

void movable_model(DialogRef dialog, std::int16_t* item_out, EventRecord* event_out,
                   bool numeric_only, std::int32_t decimal_item) {
    std::int16_t item = 0;
    EventRecord ev{};
    while (item == 0) {
        WaitNextEvent(everyEvent, &ev, kWaitTicks);
        DialogRef hit = nullptr;
        const bool is_key = ev.what == keyDown || ev.what == autoKey;
        const auto c = std::uint8_t(ev.message & charCodeMask);
        if (ev.what == nullEvent) {
            if (IsDialogEvent(&ev)) DialogSelect(&ev, &hit, &item);
        } else if (ev.what == updateEvt) {
            if (reinterpret_cast<WindowRef>(ev.message) == GetDialogWindow(dialog)) {
                DrawDialog(dialog);
                item = -1;
            } else if (IsDialogEvent(&ev)) {
                DialogSelect(&ev, &hit, &item);
            }
        } else if (!IsDialogEvent(&ev)) {
            if (is_key && __is_return(c)) item = 1;
        } else {
            if (is_key) {
                bool accepted = true;
                if (__is_return(c)) {
                    item = 1;
                } else if (c == 9) {
                    if (ev.modifiers & shiftKey) {
                        __focus_previous_edit(dialog);
                        ev.what = nullEvent;
                    }
                } else if (c == '.') {
                    accepted = decimal_item != -1
                                   ? GetDialogKeyboardFocusItem(dialog) == decimal_item
                                   : !numeric_only;
                } else if (!__always_typed(c)) {
                    accepted = !numeric_only;
                }
                if (!accepted) {
                    ev.what = nullEvent;
                    SysBeep(1);
                }
            }
            if (item == 0 && ev.what != nullEvent) DialogSelect(&ev, &hit, &item);
        }
    }
    *item_out = item;
    SetPortDialog(dialog);
    if (event_out) {
        *event_out = ev;
        GlobalToLocal(&event_out->where);
    }
}

void du_get_rect(DialogRef dialog, std::int16_t item, Rect* out) {
    GetDialogItemRect(dialog, item, out);
}

void du_set_str(DialogRef dialog, std::int16_t item, const unsigned char* pstr) {
    const std::string text(reinterpret_cast<const char*>(pstr + 1), pstr[0]);
    SetDialogItemText(dialog, item, text.c_str());
}

void du_set_cstr(DialogRef dialog, std::int16_t item, const char* cstr) {
    const std::string text(cstr, std::char_traits<char>::length(cstr) < 255
                                     ? std::char_traits<char>::length(cstr)
                                     : 255);
    SetDialogItemText(dialog, item, text.c_str());
}

ControlRef du_get_ctl(DialogRef dialog, std::int16_t item) {
    ControlRef control = nullptr;
    GetDialogItemAsControl(dialog, item, &control);
    return control;
}
