// The error alert, the movable modal dialog loop and dialog item accessors.

#include "app/dialog_utils.h"

#include "platform/dialogs.h"

OSErr show_error_alert(const char* title, const char* message) {
    return RunNoteAlert(title, message);
}
