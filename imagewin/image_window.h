// The image document record and the image window that shows it.
#pragma once

#include <cstdint>

#include "platform/draw.h"
#include "platform/files.h"
#include "platform/types.h"
#include "platform/window.h"

inline constexpr OSType kIwSignature = FOUR_CC("IwWi");

// One image document, kept in its window's reference constant.
struct IwRecord {
    OSType sig;               // always kIwSignature: identifies the record
    bool has_spec;            // tied to a file (opened, or saved once)
    bool modified;            // unsaved changes
    OSType file_type;         // file type used by save: JPEG, PICT or BMPf
    FSSpec spec;              // the file, or for a capture its "Untitled %ld" name
    GWorldPtr img_off;        // the picture layer
    GWorldPtr draw_off;       // the annotation layer, same size
    GWorldPtr shape_off;      // the shape being dragged, same size; scratch when saving
    Rect img_rect;            // {0, 0, height, width} in picture pixels
    Rect sel_rect;            // the selection in picture pixels; all zero for none
    std::int32_t zoom_index;  // 0..11 into dbl_ratio, 12: zoom_ratio is the ratio
    double zoom_ratio;        // window pixels per picture pixel when zoom_index is 12
    ControlRef sc_h;          // horizontal scroll bar
    ControlRef sc_v;          // vertical scroll bar
};

bool is_iw(WindowRef window);  // a window whose reference constant is an image document
bool front_window_is_iw();     // the frontmost visible document window is an image window
