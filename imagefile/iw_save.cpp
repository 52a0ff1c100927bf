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

// The format whose extension ends the name (.jpg .jpeg .pct .pict .bmp, any case), or -1.
int __format_of_name(const std::string& name) {
    const OSType type = FileTypeOfName(name);
    for (int i = 0; i < 3; ++i)
        if (type != 0 && image_types[i].type == type) return i;
    return -1;
}

// The name with the format's extension in place of any image extension it has.
std::string __named_for(const std::string& name, int index) {
    if (__format_of_name(name) == index) return name;
    const std::string base = __format_of_name(name) < 0 ? name : name.substr(0, name.rfind('.'));
    return base + image_types[index].extension;
}

// Asks where to save and in which format, starting where the document's file lies (with
// its name) or else in the last folder used. The name says the format: an image extension
// typed chooses it, and a name without one gets the format's before the dialog accepts it.
// True with the file chosen; the format confirmed becomes the preferred one.
bool __ask_save_file(const IwRecord* rec, FSSpec* spec) {
    std::int32_t index = pref.save_type;
    NavDialogOptions options;
    for (int i = 0; i < 3; ++i) options.popupExtension.push_back(__menu_item(i));
    const bool in_file = rec->has_spec && !rec->spec.folder.empty();
    options.location = in_file ? rec->spec.folder : g_last_folder;
    options.saveFileName = __named_for(in_file ? rec->spec.name : "Image", index);
    options.message = " Name your file :";
    if (NavPutFile(&options, image_types[index].type, output_nav_event_handler, &index, spec) !=
        noErr)
        return false;
    pref.save_type = index;
    g_last_folder = spec->folder;
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
        if (!__ask_save_file(rec, &spec)) return noErr;
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
    if (selector == kNavCBAccept) {
        // The name written is settled before the dialog accepts it, so that the dialog asks
        // about replacing an existing file under that name and not the one typed.
        std::string name;
        NavCustomControl(params->context, kNavCtlGetEditFileName, &name);
        std::string written = __named_for(name, *index);
        if (written != name) NavCustomControl(params->context, kNavCtlSetEditFileName, &written);
        return;
    }
    if (selector == kNavCBNameChanged) {
        // A name typed with an image extension chooses that format; the popup follows.
        std::string name;
        NavCustomControl(params->context, kNavCtlGetEditFileName, &name);
        const int named = __format_of_name(name);
        if (named < 0 || named == *index) return;
        *index = named;
        NavMenuItemSpec item = __menu_item(named);
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
