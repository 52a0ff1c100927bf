// The selection in an image document: dragging it, clearing it, zooming to it and erasing
// the annotations in it.
#pragma once

#include "platform/window.h"

// The selection tool: while the button is held the selection follows the mouse from start
// (local), clamped to the picture; a click without movement leaves none.
void iw_click_selection(WindowRef window, Point start);
// Removes the document's selection, redrawing the window at once; nothing without one.
void __clear_selection(WindowRef window);
// The front image window's selection fills its view, centred, at a ratio of 1/16 to 16.
void iw_zoom_to_selected_area();
// Makes the annotations transparent again in the selection, or in the whole picture when
// whole is set; the picture itself is never touched.
void iw_erase_area(WindowRef window, bool whole);
