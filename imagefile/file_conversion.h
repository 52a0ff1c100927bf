// Batch conversion of image files into camera-style EXIF JPEG files named IMAG0001.JPG
// onward, with its dialog and its progress dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/types.h"
#include "platform/window.h"

// Slot 0 the source file, slot 1 the source folder, slot 2 the destination folder.
extern FSSpec g_spec[3];
extern bool g_spec_avail[3];  // slot i has been chosen
extern std::int32_t g_radio;  // source mode: 3 one file, 6 a folder (the radio buttons' items)
// The conversion dialog while it is open; while set, commands and opened documents are refused.
extern DialogRef g_file_conversion_dialog_ptr;
extern DialogRef g_progress;           // the progress dialog while a run goes on, else null
extern ControlRef g_bar;               // its progress bar
extern std::int32_t g_total_files;     // files of the current run
extern std::int32_t g_conveted_files;  // files of the current run handled so far

// Clears the three slots and sets the mode to one file. Once, at start-up.
void init_file_converter();
// Runs the conversion dialog until the user closes it; nothing when it is open already.
void do_file_conversion();
// Converts one JPEG, PICT or BMP file into the next numbered EXIF JPEG file of the
// destination folder. With quiet, an unreadable source is not alerted. 0; -1 for a file of
// another kind (no alert) or a naming failure; -108 when memory is short; else the failing
// call's status. A failed conversion leaves no output file.
OSErr do_convert_file(const FSSpec* source, const FSSpec* destination, bool quiet);
// The files (folders when folders is set) directly inside the folder, visible ones only, in
// ascending byte order of their names, at most 10000. A file, or an item that cannot be
// looked up, gives a list of itself.
std::vector<FSSpec> get_file_list(const FSSpec* folder, bool folders);
// The folder a specification stands for: the folder itself, or the one holding a file.
// 0, or -43 when the item cannot be looked up.
OSErr FSpGetDirectoryID(const FSSpec* spec, std::string* directory, bool* is_folder);
bool ChooseFolder(FSSpec* out);  // true when the user chose one folder, stored in *out
// The canvas a width x height picture is converted onto, and the rectangle the picture is
// drawn into: pictures up to 2592 x 1944 keep their size on a canvas rounded up to 16 x 8,
// larger ones are scaled onto exactly 2592 x 1944; the picture is centred.
void conversion_canvas(std::int16_t width, std::int16_t height, Rect* canvas, Rect* picture);
// Draws the etched group frames of the conversion dialog's items 12 and 14 and the frames
// of its path items 4, 7 and 9.
void du_draw_group_frame_opt(DialogRef dialog);
