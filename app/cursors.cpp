// The pointer shapes the program chooses among, loaded at start-up.

#include "app/cursors.h"

CursHandle cross_cursor = nullptr;
CursHandle selection_cursor = nullptr;
CursHandle hand_cursor = nullptr;
CursHandle eraser_6x6 = nullptr;
CursHandle eraser_10x10 = nullptr;
CursHandle eraser_16x16 = nullptr;
const Cursor* arrow_cursor = nullptr;
