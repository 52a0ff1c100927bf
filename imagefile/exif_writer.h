// The EXIF JPEG file writer of batch conversion.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/draw.h"
#include "platform/files.h"

// The header template of every converted file.
extern const std::uint8_t g_converted_file_header[404];

// Writes world as a JPEG file with an EXIF header and a 160 x 120 thumbnail to the file
// of spec (replaced atomically). Every failure is alerted once.
// 0, -108 out of memory, the encoder's error, or the file system's status.
OSErr save_gworld_as_tk850_exif(GWorldPtr world, const FSSpec* spec);
// Writes size bytes as the whole content of the file. 0, or -1 when it cannot be written.
OSErr hand_to_spec(const FSSpec* spec, const void* data, std::size_t size);
