// The error alert, the movable modal dialog loop and dialog item accessors.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"
#include "platform/types.h"

// Title of every error alert the user sees.
inline constexpr const char* kErrorAlertTitle = "Sorry, error occured.";
// The message of the error alert when memory for a picture or a document runs out.
inline constexpr const char* kMemoryAlertMessage = "The memory is insufficient to execute work.";

OSErr show_error_alert(const char* title, const char* message);  // 0, or the toolkit's error

// Waits for the next item the user activates in the dialog and stores its number in *item:
// an item the dialog reports, 1 for Return or Enter, or -1 once the dialog has been redrawn
// after being uncovered. Keys: with numeric_only only digits, backspace, arrows and tab are
// typed; a full stop only into decimal_item (-1: wherever letters are allowed); a refused
// key beeps. Shift-tab moves backwards through the edit items of type 144, wrapping round.
// When event is given it receives the event that ended the wait, in dialog coordinates.
void movable_model(DialogRef dialog, std::int16_t* item, EventRecord* event, bool numeric_only,
                   std::int32_t decimal_item);

void du_get_rect(DialogRef dialog, std::int16_t item, Rect* out);  // the item's rectangle
// Sets the item's text from a length-prefixed string.
void du_set_str(DialogRef dialog, std::int16_t item, const unsigned char* pstr);
// Sets the item's text from a zero-terminated string; at most 255 characters are kept.
void du_set_cstr(DialogRef dialog, std::int16_t item, const char* cstr);
ControlRef du_get_ctl(DialogRef dialog, std::int16_t item);  // the item's control, or null
