// The pointer shapes the program chooses among, loaded at start-up.
#pragma once

#include "platform/window.h"

// Each null when its image could not be loaded: the arrow is then used instead.
extern CursHandle cross_cursor;      // drawing tools
extern CursHandle selection_cursor;  // selection tool
extern CursHandle hand_cursor;       // hand tool, and over the live monitor
extern CursHandle eraser_6x6;        // eraser, small
extern CursHandle eraser_10x10;      // eraser, medium
extern CursHandle eraser_16x16;      // eraser, large
extern const Cursor* arrow_cursor;   // the standard arrow
