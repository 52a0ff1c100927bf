// Offscreen buffers, rectangle fitting and string helpers shared by the whole program.
#pragma once

#include <cstdint>

#include "platform/draw.h"

// A new white offscreen of width x height, or null; tries once more with temporary memory.
GWorldPtr create_offscreen(std::int16_t depth, std::int16_t width, std::int16_t height,
                           bool keep_local);
// inner becomes the largest rectangle of its proportions that fits outer, centred in it.
void shrink_and_centering_rect(const Rect* outer, Rect* inner);
// inner keeps its size and is centred in outer (an odd pixel goes right and down).
void centering_rect(const Rect* outer, Rect* inner);
// Erases the port's bounds in its background colour.
void erase_port_rect(CGrafPtr port);
// Zero-terminated to length-prefixed in place (at most 255 characters kept), and back.
void CtoPstr(char* s);
void PtoCstr(unsigned char* s);
