// Batch conversion of image files into camera-style EXIF JPEG files.
#pragma once

#include "platform/dialogs.h"

// The conversion dialog while it is open; while set, commands and opened documents are refused.
extern DialogRef g_file_conversion_dialog_ptr;
