// JPEG encoding of an offscreen into memory.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/draw.h"
#include "platform/types.h"

// The whole offscreen as a baseline JPEG at quality 75, 4:2:2 sampling and JFIF density
// unit 1 with both densities 0, into *out. 0, -108, or the encoder's error.
OSErr gworld2jpegptr(GWorldPtr world, std::vector<std::uint8_t>* out);
