// Batch conversion of image files into camera-style EXIF JPEG files.

#include "imagefile/file_conversion.h"

DialogRef g_file_conversion_dialog_ptr = nullptr;
