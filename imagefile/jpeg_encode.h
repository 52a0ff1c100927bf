// JPEG encoding of an offscreen: to a file, to memory, and a file read back into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/draw.h"
#include "platform/types.h"

// The whole offscreen as a baseline JPEG at quality 75, 4:2:2 sampling and JFIF density
// unit 1 with both densities 0, written to path (replaced). The file is opened only after
// the encoding succeeded, and removed again when it cannot be written whole.
// 0, -108 when the file cannot be opened or memory is short, -36 when it cannot be
// written, or the encoder's error.
OSErr gworld2jpegfile(GWorldPtr world, const char* path);
// The same encoding into *out. 0, -108, or the encoder's error.
OSErr gworld2jpegptr(GWorldPtr world, std::vector<std::uint8_t>* out);
// The file's bytes in a new block (free it with std::free) of *size bytes, or null when
// the file is missing, empty, unreadable or too big for memory. A file that could be
// opened is deleted before returning.
std::uint8_t* tmpfile_to_ptr(const char* path, std::size_t* size);
