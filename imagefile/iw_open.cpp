// Opening image files into image windows, and the type of image a file holds.

#include "imagefile/iw_open.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "imagewin/image_window.h"
#include "platform/codecs.h"
#include "platform/dialogs.h"
#include "platform/window.h"

namespace {

struct MimeType {
    const char* mime;
    OSType type;
};
// Searched in order; iw_open reads only the first three kinds.
constexpr MimeType kMimeTypes[] = {
    {"image/x-bmp", FOUR_CC("BMPf")},     {"image/pict", FOUR_CC("PICT")},
    {"image/jpeg", FOUR_CC("JPEG")},      {"image/tiff", FOUR_CC("TIFF")},
    {"image/gif", FOUR_CC("GIFf")},       {"image/png", FOUR_CC("PNGf")},
    {"application/pdf", FOUR_CC("PDF ")},
};
constexpr int kOpenableMimeTypes = 3;

// The importer's MIME text among the first rows of the table decides; the name otherwise.
OSType __type_of(const FSSpec* spec, GraphicsImportComponent gi, int rows) {
    FInfo info{};
    OSType type = FSpGetFInfo(spec, &info) == noErr ? info.fdType : 0;
    const char* mime = GraphicsImportGetMIMEType(gi);
    for (int i = 0; i < rows; ++i) {
        if (std::strcmp(mime, kMimeTypes[i].mime) == 0) {
            type = kMimeTypes[i].type;
            break;
        }
    }
    return type;
}

bool __openable(OSType type) {
    return type == FOUR_CC("BMPf") || type == FOUR_CC("BMP ") || type == FOUR_CC("JPEG") ||
           type == FOUR_CC("PICT");
}

}  // namespace

bool get_load_file(FSSpec* out, std::int16_t count, const OSType* types,
                   const unsigned char* prompt) {
    SetCursor(GetQDGlobalsArrow());
    std::vector<std::string> extensions;
    for (int i = 0; i < count; ++i)
        for (const std::string& e : FileTypeExtensions(types[i]))
            if (std::find(extensions.begin(), extensions.end(), e) == extensions.end())
                extensions.push_back(e);
    std::string message;
    if (prompt) message.assign(reinterpret_cast<const char*>(prompt + 1), prompt[0]);
    std::vector<FSSpec> chosen;
    if (NavChooseFile(prompt ? message.c_str() : nullptr, extensions, g_last_folder, &chosen) !=
            noErr ||
        chosen.size() != 1)
        return false;
    *out = chosen.front();
    g_last_folder = out->folder;
    return true;
}

OSType get_ostype_of_file(const FSSpec* spec) {
    GraphicsImportComponent gi = nullptr;
    if (GetGraphicsImporterForFile(spec, &gi) != noErr) return 0;
    const OSType type = __type_of(spec, gi, int(std::size(kMimeTypes)));
    CloseGraphicsImporter(gi);
    return type;
}

namespace {

// Why a file did not open, in plain words.
std::string __reason(OSErr err) {
    if (err == noCodecErr) return "Only JPEG, PICT and BMP pictures can be opened";
    if (err == codecErr) return "The picture is damaged or too large";
    if (err == memFullErr) return "The picture is too large to open";
    return FileErrorText(err);
}

// The file as a new image window, or null with the status that stopped it in *err; 0 there
// when the document could not be made, which has shown its own alert.
WindowRef __open(const FSSpec* spec, OSErr* err) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    GraphicsImportComponent gi = nullptr;
    *err = GetGraphicsImporterForFile(spec, &gi);
    if (*err != noErr) return nullptr;
    const OSType type = __type_of(spec, gi, kOpenableMimeTypes);
    std::int16_t width = 0, height = 0;
    WindowRef window = nullptr;
    // The picture is decoded straight into the new document's image layer.
    *err = __openable(type) ? GraphicsImportGetImageSize(gi, &width, &height) : noCodecErr;
    if (*err == noErr) window = iw_new(width, height, 5);
    IwRecord* rec = iw_record(window);
    if (rec) GraphicsImportSetGWorld(gi, rec->img_off);
    if (rec && (*err = GraphicsImportDraw(gi)) != noErr) {
        rec->modified = false;
        iw_close(window);
        window = nullptr;
    }
    CloseGraphicsImporter(gi);
    if (window) {
        rec->has_spec = true;
        rec->modified = false;
        rec->file_type = type;
        rec->spec = *spec;
        iw_set_window_title(window);
        ShowWindow(window);
    }
    SetGWorld(saved);
    return window;
}

}  // namespace

WindowRef iw_open(const FSSpec* spec) {
    OSErr err = noErr;
    return __open(spec, &err);
}

void iw_open_files(const std::vector<FSSpec>& specs) {
    constexpr std::size_t kListed = 10;  // an alert taller than the screen helps nobody
    std::vector<std::pair<std::string, std::string>> failed;  // name, reason
    for (const FSSpec& spec : specs) {
        OSErr err = noErr;
        if (!__open(&spec, &err) && err != noErr) failed.emplace_back(spec.name, __reason(err));
    }
    if (failed.empty()) return;
    std::string message;
    if (failed.size() == 1) {
        message =
            "The file \"" + failed[0].first + "\" could not be opened: " + failed[0].second + ".";
    } else {
        message = "These files could not be opened:";
        for (std::size_t i = 0; i < failed.size() && i < kListed; ++i)
            message += "\n\"" + failed[i].first + "\": " + failed[i].second + ".";
        if (failed.size() > kListed)
            message += "\nand " + std::to_string(failed.size() - kListed) + " more.";
    }
    show_error_alert(kErrorAlertTitle, message.c_str());
}
