// The drawing tools: pen, line, rectangle, horizontal and vertical line, and eraser.
#pragma once

#include "platform/window.h"

// One gesture of the current tool from start (local) until the button is released; the
// document then counts as modified, even when nothing visible was drawn.
void iw_click_draw(WindowRef window, Point start);
