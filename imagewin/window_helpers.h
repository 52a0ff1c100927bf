// Window helpers shared by the whole program: screen bounds, invalidation, immediate update.
#pragma once

#include "platform/dialogs.h"
#include "platform/window.h"

void GetMainScreenBounds(Rect* out);  // the main screen less the menu bar band at its top
// Reduces a window's content size to what fits within GetMainScreenBounds with its frame.
void fit_on_screen(int* width, int* height);
void update_now(WindowRef window);         // draws the window's pending invalid area at once
void InvalRectPortRect(WindowRef window);  // invalidates the window's whole port
// The same with the window's port current for the call; the previous port is restored.
void inval_window(WindowRef window);
void SetPortDialog(DialogRef dialog);  // makes the dialog window's port current
