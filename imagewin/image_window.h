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

// The grey that counts as transparent in the drawing and shape layers.
extern const RGBColor __g_rgb_back;
extern std::int32_t g_untitled_counter;  // the number of the next capture's title, from 1

void iw_init();  // once at start-up: the window handler and the scroll bars' action routine
// A hidden, untitled document of width x height at the zoom index, its image layer white and
// its other layers transparent grey; null after the memory alert when the record, a layer or
// the window cannot be made.
WindowRef iw_new(std::int16_t width, std::int16_t height, std::int32_t zoom_index);
// A shown document "Untitled n" holding the last captured picture, at the scale that
// matches the live window's size setting; null when there is no picture, or after the
// memory alert (the number is then not used up).
WindowRef iw_captrue();
// Titles the window with the document's name and its view scale ("scan 50.0%").
void iw_set_window_title(WindowRef window);
// Closes the document, first asking whether to save its unsaved changes. True when closed;
// false when kept: the question could not be asked, was cancelled, or the save failed or
// was cancelled.
bool iw_close(WindowRef window);
// Closes the live monitor window and every image window, front to back. False as soon as
// one image window stays open.
bool try_to_close_all_windows();
// The handler of each image window (user_data is the window): 0, or for presses and
// activation what the next handler returned.
OSStatus iw_event_handler(EventHandlerCallRef next, EventRef event, void* user_data);

IwRecord* iw_record(WindowRef window);  // the window's image document, or null
// The window is still open and still holds the record: a gesture checks this after each
// wait, since the window may have been closed meanwhile.
bool iw_still_open(WindowRef window, const IwRecord* record);
bool is_iw(WindowRef window);  // a window whose reference constant is an image document
bool front_window_is_iw();     // the frontmost visible document window is an image window
