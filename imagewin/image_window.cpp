// The image document record and the image window that shows it.

#include "imagewin/image_window.h"

bool is_iw(WindowRef window) {
    if (!window) return false;
    const auto* record = static_cast<const IwRecord*>(GetWRefCon(window));
    return record && record->sig == kIwSignature;
}

bool front_window_is_iw() {
    return is_iw(GetFrontWindowOfClass(kDocumentWindowClass, true));
}
