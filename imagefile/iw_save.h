// Saving image documents as JPEG, PICT or BMP files, with the format popup of the save dialog.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"
#include "platform/types.h"
#include "platform/window.h"

// One format the save dialog offers.
struct ImageType {
    OSType type;            // file type written and exporter chosen
    const char* extension;  // put into the file name by the popup, with its dot
    const char* menu_name;  // the popup item's text
};
extern const ImageType image_types[3];  // JPEG, PICT, BMP, in popup order

inline constexpr OSType kCreatorCode = FOUR_CC("Ovc7");

// Writes the document, annotations laid over the picture; the dialog when save_as or when
// it has no file yet. 0 when saved and also when nothing was done (no document, dialog
// cancelled); otherwise the exporter's status, told to the user in one alert naming the
// file and the reason, the document and any old file unchanged.
OSErr iw_save(WindowRef window, bool save_as);
// The save dialog's event routine; user_data points to the format index in use. On start
// it selects that format; on a popup choice it switches the index and the name's extension;
// a name typed with an image extension switches the index and the popup to that format;
// on accept a name without one gets the format's.
void output_nav_event_handler(NavEventCallbackMessage selector, NavCBRec* params, void* user_data);
