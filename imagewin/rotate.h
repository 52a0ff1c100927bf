// Quarter and half turns of an image document, all three layers alike.
#pragma once

#include "platform/window.h"

// Turns the document by 90 (clockwise), 180 or 270 (counter-clockwise) degrees; another
// angle does nothing. When the turned layers cannot all be made the document stays as it
// was and the memory alert is shown.
void iw_rotate(WindowRef window, int angle);
