// Saving image documents as JPEG, PICT or BMP files, with the format popup of the save dialog.

#include "imagefile/iw_save.h"

#include <string>

#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "imagewin/image_window.h"
#include "platform/codecs.h"

const ImageType image_types[3] = {
    {FOUR_CC("JPEG"), ".jpg", "JPEG"},
    {FOUR_CC("PICT"), ".pct", "PICT"},
    {FOUR_CC("BMPf"), ".bmp", "BMP"},
};

namespace {

NavMenuItemSpec __menu_item(int index) {
    return NavMenuItemSpec{0, kCreatorCode, image_types[index].type, image_types[index].menu_name};
}

// Asks where to save and in which format. True with the file chosen; the format confirmed
// becomes the preferred one.
bool __ask_save_file(FSSpec* spec) {
    std::int32_t index = pref.save_type;
    NavDialogOptions options;
    for (int i = 0; i < 3; ++i) options.popupExtension.push_back(__menu_item(i));
    options.saveFileName = "Image";
    options.message = " Name your file :";
    if (NavPutFile(&options, image_types[index].type, output_nav_event_handler, &index, spec) !=
        noErr)
        return false;
    pref.save_type = index;
    return true;
}

// The picture with the annotations over it, in the shape layer.
void __composite(IwRecord* rec) {
    Rect bounds;
    GetPortBounds(rec->shape_off, &bounds);
    SetGWorld(rec->shape_off);
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits(rec->img_off, rec->shape_off, &bounds, &bounds, srcCopy, nullptr);
    RGBBackColor(&__g_rgb_back);
    CopyBits(rec->draw_off, rec->shape_off, &bounds, &bounds, transparent, nullptr);
}

}  // namespace

OSErr iw_save(WindowRef window, bool save_as) {
    IwRecord* rec = iw_record(window);
    if (!rec) return noErr;
    if (!save_as && !rec->has_spec) save_as = true;
    FSSpec spec = rec->spec;
    OSType type = rec->file_type;
    if (save_as) {
        if (!__ask_save_file(&spec)) return noErr;
        type = image_types[pref.save_type].type;
    }

    // The exporter replaces an existing file only once the new one is written whole, so the
    // old file is never removed first.
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    __composite(rec);
    const OSErr err = GraphicsExportGWorldToFile(rec->shape_off, type, &spec);
    Rect bounds;
    GetPortBounds(rec->shape_off, &bounds);
    EraseRect(&bounds);
    SetGWorld(saved);
    if (err != noErr) {
        const std::string message =
            "The file \"" + spec.name + "\" could not be saved: " + FileErrorText(err) + ".";
        show_error_alert(kErrorAlertTitle, message.c_str());
        return err;
    }

    rec->spec = spec;
    rec->file_type = type;
    iw_set_window_title(window);
    rec->has_spec = true;
    rec->modified = false;
    return noErr;
}

void output_nav_event_handler(NavEventCallbackMessage selector, NavCBRec* params, void* user_data) {
    auto* index = static_cast<std::int32_t*>(user_data);
    if (selector == kNavCBStart) {
        NavMenuItemSpec item = __menu_item(*index);
        NavCustomControl(params->context, kNavCtlSelectCustomType, &item);
        return;
    }
    if (selector != kNavCBPopupMenuSelect || !params->menu_item) return;
    int chosen = 0;
    while (chosen < 3 && image_types[chosen].type != params->menu_item->menuType) ++chosen;
    if (chosen == 3 || chosen == *index) return;
    std::string name;
    NavCustomControl(params->context, kNavCtlGetEditFileName, &name);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name = name.substr(0, dot) + image_types[chosen].extension;
        NavCustomControl(params->context, kNavCtlSetEditFileName, &name);
    }
    *index = chosen;
}
