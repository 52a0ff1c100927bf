// Opening image files into image windows, and the type of image a file holds.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"
#include "platform/window.h"

// Lets the user choose one file among those of the type codes (JPEG, PICT, BMPf, BMP  by
// their extensions; all files when count is 0), the length-prefixed prompt shown when not
// null. True when exactly one file was chosen; it is stored in *out.
bool get_load_file(FSSpec* out, std::int16_t count, const OSType* types,
                   const unsigned char* prompt);
// The file's image type by its content (JPEG, PICT, BMPf, TIFF, GIFf, PNGf, PDF ), else by
// its name; 0 when no importer reads it.
OSType get_ostype_of_file(const FSSpec* spec);
// A new shown image window at 100% holding the JPEG, PICT or BMP file, without unsaved
// changes; null when the file is of another kind or unreadable, or after the memory alert.
WindowRef iw_open(const FSSpec* spec);
// Opens each file as iw_open does; the files that do not open are named in one alert, each
// with the reason in plain words.
void iw_open_files(const std::vector<FSSpec>& specs);
