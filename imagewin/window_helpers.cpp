// Window helpers shared by the whole program: screen bounds, invalidation, immediate update.

#include "imagewin/window_helpers.h"

#include <algorithm>

void GetMainScreenBounds(Rect* out) {
    GetMainScreenRect(out);
    out->top = std::int16_t(out->top + GetMBarHeight());
}

void fit_on_screen(int* width, int* height) {
    Rect screen;
    GetMainScreenBounds(&screen);
    *width = std::min(*width, screen.right - screen.left - 8);
    *height = std::min(*height, screen.bottom - screen.top - 32);
}

void update_now(WindowRef window) {
    if (IsWindowUpdatePending(window)) SendWindowUpdateEvent(window);
}

void InvalRectPortRect(WindowRef window) {
    Rect bounds;
    GetWindowPortBounds(window, &bounds);
    InvalWindowRect(window, &bounds);
}

void inval_window(WindowRef window) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetPortWindowPort(window);
    InvalRectPortRect(window);
    SetGWorld(saved);
}

void SetPortDialog(DialogRef dialog) {
    SetPortWindowPort(GetDialogWindow(dialog));
}
