// Batch conversion of image files into camera-style EXIF JPEG files named IMAG0001.JPG
// onward, with its dialog and its progress dialog.

#include "imagefile/file_conversion.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "imagefile/exif_writer.h"
#include "imagefile/iw_open.h"
#include "imagewin/offscreen.h"
#include "imagewin/window_helpers.h"
#include "platform/codecs.h"
#include "platform/events.h"

FSSpec g_spec[3];
bool g_spec_avail[3];
std::int32_t g_radio = 3;
DialogRef g_file_conversion_dialog_ptr = nullptr;
DialogRef g_progress = nullptr;
ControlRef g_bar = nullptr;
std::int32_t g_total_files = 0;
std::int32_t g_conveted_files = 0;

namespace {

constexpr std::int16_t kConversionDialog = 128;
constexpr std::int16_t kProgressDialog = 129;
constexpr std::int32_t kSingleFile = 3;
constexpr std::int32_t kFolder = 6;
constexpr std::size_t kMaxFiles = 10000;
constexpr int kMaxCanvasWidth = 2592;
constexpr int kMaxCanvasHeight = 1944;
constexpr int kKeptBlock = 32 << 20;  // blocks up to this size come from the heap
constexpr int kKeptHeap = 96 << 20;   // free heap kept rather than given back

// Set when a conversion was refused for a reason that holds for every file still to come
// (the destination), so that a folder run ends after its one alert.
bool __g_destination_refused = false;
// Sources of the current folder run that could not be read; they are not alerted one by one.
int __g_unreadable = 0;

OSErr __refuse_destination(const char* message) {
    show_error_alert(kErrorAlertTitle, message);
    __g_destination_refused = true;
    return -1;
}

bool __convertible(OSType type) {
    return type == FOUR_CC("BMPf") || type == FOUR_CC("BMP ") || type == FOUR_CC("JPEG") ||
           type == FOUR_CC("PICT");
}

// The folder an item of a specification stands for: an empty name names the folder itself.
std::string __path_of(const FSSpec* spec) {
    return spec->name.empty() ? spec->folder : FSpGetFullPath(spec);
}

std::string __name_of(int n) {
    char name[24];
    std::snprintf(name, sizeof name, "IMAG%04d.JPG", n);
    return name;
}

bool __exists(const std::string& folder, int n) {
    FSSpec spec;
    return FSMakeFSSpec(folder, __name_of(n), &spec) != fnfErr;
}

// The number of a name "IMAG%04d.JPG", else 0.
int __number_of(const std::string& name) {
    if (name.size() != 12 || !name.starts_with("IMAG") || !name.ends_with(".JPG")) return 0;
    int n = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// The name one past the highest number present; gaps below it are never filled. The
// folder's listing gives the numbers worth asking about, highest first, instead of asking
// for each of the 9998 names.
bool __output_name(const std::string& folder, FSSpec* out) {
    std::vector<CatItem> items;
    FSpGetFolderItems(folder, &items);
    std::vector<int> numbers;
    for (const CatItem& item : items)
        if (const int n = __number_of(item.name); n >= 1 && n <= 9998) numbers.push_back(n);
    std::sort(numbers.rbegin(), numbers.rend());
    int next = 0;
    for (std::size_t i = 0; i < numbers.size() && next == 0; ++i)
        if (__exists(folder, numbers[i]) && !__exists(folder, numbers[i] + 1))
            next = numbers[i] + 1;
    if (next == 0) {
        if (__exists(folder, 1)) return false;
        next = 1;
    }
    FSMakeFSSpec(folder, __name_of(next), out);
    return true;
}

// The source decoded as a picture with its pixel size: 0 or the importer's status.
OSErr __read_source(const FSSpec* source, PicHandle* pic, std::int16_t* width,
                    std::int16_t* height) {
    *pic = nullptr;
    GraphicsImportComponent gi = nullptr;
    OSErr err = GetGraphicsImporterForFile(source, &gi);
    if (err != noErr) return err;
    err = GraphicsImportGetAsPicture(gi, pic);
    if (err == noErr) err = GraphicsImportGetImageSize(gi, width, height);
    CloseGraphicsImporter(gi);
    if (err != noErr && *pic) {
        KillPicture(*pic);
        *pic = nullptr;
    }
    return err;
}

// The picture drawn on black on its canvas; null when memory is short.
GWorldPtr __make_canvas(PicHandle pic, std::int16_t width, std::int16_t height) {
    Rect bounds, place;
    conversion_canvas(width, height, &bounds, &place);
    GWorldPtr canvas = create_offscreen(32, bounds.right, bounds.bottom, true);
    if (!canvas) return nullptr;
    SetGWorld(canvas);
    ForeColor(blackColor);
    PaintRect(&bounds);
    DrawPicture(pic, &place);
    return canvas;
}

OSErr __unreadable(bool quiet, OSErr err) {
    if (quiet)
        ++__g_unreadable;
    else
        show_error_alert(kErrorAlertTitle, "The file was not able to be read.");
    return err;
}

OSErr __convert(const FSSpec* source, const FSSpec* destination, bool quiet) {
    // Files of other kinds are passed over in a folder; one file chosen alone is told.
    if (!__convertible(get_ostype_of_file(source))) return quiet ? -1 : __unreadable(quiet, -1);
    std::string folder;
    bool is_folder = false;
    if (FSpGetDirectoryID(destination, &folder, &is_folder) != noErr)
        return __refuse_destination(
            "Information on the directory is not obtained at the output destination.");
    if (__exists(folder, 9999))
        return __refuse_destination("File already exists in the output folder.");
    FSSpec output;
    if (!__output_name(folder, &output))
        return __refuse_destination("The generation error of the output file occurred.");

    CGrafPtr saved;
    GetGWorld(&saved);
    PicHandle pic = nullptr;
    std::int16_t width = 0, height = 0;
    OSErr err = __read_source(source, &pic, &width, &height);
    if (err != noErr) return __unreadable(quiet, err);
    GWorldPtr canvas = __make_canvas(pic, width, height);
    KillPicture(pic);
    SetGWorld(saved);
    if (!canvas) {
        show_error_alert(kErrorAlertTitle, "The memory is insufficient to execute work.");
        return memFullErr;
    }

    // Made exclusively: a file that appeared under the name since the look-up is never
    // overwritten, and the next conversion takes the next number.
    err = FSpCreate(&output);
    if (err != noErr) {
        DisposeGWorld(canvas);
        show_error_alert(kErrorAlertTitle, "The output file generation error occurred.");
        if (err != dupFNErr) __g_destination_refused = true;
        return err;
    }
    err = save_gworld_as_tk850_exif(canvas, &output);
    DisposeGWorld(canvas);
    if (err != noErr) FSpDelete(&output);
    return err;
}

// ---- Progress dialog ----

void __show_cur_progress() {
    if (!g_progress) return;
    SetControlValue(g_bar, std::int16_t(g_conveted_files));
    char text[48];
    std::snprintf(text, sizeof text, "%ld / %ld", long(g_conveted_files), long(g_total_files));
    du_set_cstr(g_progress, 4, text);
    DrawDialog(g_progress);
    QDFlushPortBuffer(GetWindowPort(GetDialogWindow(g_progress)));
}

void __open_progress_dialog(std::int32_t total) {
    if (g_progress) return;
    g_total_files = total;
    g_conveted_files = 0;
    if (GetNewDialog(kProgressDialog, &g_progress) != noErr) {
        g_progress = nullptr;
        return;
    }
    g_bar = du_get_ctl(g_progress, 5);
    SetControlMaximum(g_bar, std::int16_t(total));
    SetControlMinimum(g_bar, 0);
    SetControlValue(g_bar, 0);
    ShowWindow(GetDialogWindow(g_progress));
    __show_cur_progress();
}

void __close_progress_dialog() {
    if (!g_progress) return;
    Delay(30);  // the final count stays visible for half a second
    DisposeDialog(g_progress);
    g_progress = nullptr;
    g_bar = nullptr;
}

// ---- Conversion dialog ----

void __show_path(int slot, std::int16_t item) {
    DialogRef dialog = g_file_conversion_dialog_ptr;
    if (!g_spec_avail[slot]) {
        static constexpr unsigned char kEmpty[] = {0};
        du_set_str(dialog, item, kEmpty);
        return;
    }
    Rect r;
    du_get_rect(dialog, item, &r);
    const std::string path =
        TruncDialogItemText(dialog, item, FSpGetFullPath(&g_spec[slot]), r.right - r.left - 16);
    du_set_cstr(dialog, item, path.c_str());
}

bool __can_convert() {
    return g_spec_avail[2] &&
           ((g_radio == kSingleFile && g_spec_avail[0]) || (g_radio == kFolder && g_spec_avail[1]));
}

void __convert_single_file() {
    __open_progress_dialog(1);
    do_convert_file(&g_spec[0], &g_spec[2], false);
    __close_progress_dialog();
}

// The progress dialog's stop button was hit: the events waiting are read, none waited for.
bool __stop_requested() {
    bool stop = false;
    EventRecord event;
    while (WaitNextEvent(everyEvent, &event, 0)) {
        DialogRef hit = nullptr;
        std::int16_t item = 0;
        if (IsDialogEvent(&event) && DialogSelect(&event, &hit, &item) && hit == g_progress &&
            item == 1)
            stop = true;
    }
    return stop;
}

// The events that came during each file are read after it, so that the stop button ends
// the run there.
void __convert_folder() {
    const std::vector<FSSpec> list = get_file_list(&g_spec[1], false);
    __open_progress_dialog(std::int32_t(list.size()));
    __g_destination_refused = false;
    __g_unreadable = 0;
    for (const FSSpec& file : list) {
        do_convert_file(&file, &g_spec[2], true);
        if (__g_destination_refused || __stop_requested()) break;
    }
    __close_progress_dialog();
    if (__g_unreadable > 0) show_error_alert(kErrorAlertTitle, "The file was not able to be read.");
}

void __choose_source_file() {
    const OSType types[] = {FOUR_CC("JPEG"), FOUR_CC("BMPf"), FOUR_CC("PICT"), FOUR_CC("BMP "), 0};
    if (!get_load_file(&g_spec[0], std::int16_t(std::size(types)), types, nullptr)) return;
    g_spec_avail[0] = true;
    g_radio = kSingleFile;
}

void __choose_folder(int slot) {
    if (!ChooseFolder(&g_spec[slot])) return;
    g_spec_avail[slot] = true;
    if (slot == 1) g_radio = kFolder;
}

// Sets the radio buttons, the paths and the convert button from the slots and the mode.
void __setup_dialog(DialogRef dialog) {
    SetPortDialog(dialog);
    SetCursor(GetQDGlobalsArrow());
    SetControlValue(du_get_ctl(dialog, 3), g_radio == kSingleFile);
    SetControlValue(du_get_ctl(dialog, 6), g_radio == kFolder);
    __show_path(0, 4);
    __show_path(1, 7);
    __show_path(2, 9);
    HiliteControl(du_get_ctl(dialog, 1), __can_convert() ? 0 : 255);
}

void __frame(const Rect* r, const RGBColor* colour) {
    RGBForeColor(colour);
    FrameRect(r);
}

}  // namespace

void init_file_converter() {
    for (bool& avail : g_spec_avail) avail = false;
    g_radio = kSingleFile;
    // The large blocks of one conversion (the file read, its decoded picture, the canvas:
    // some 70 MB for the largest) stay with the allocator between the files of a run instead
    // of being mapped and cleared anew for each; a run gives them back when it ends.
    mallopt(M_MMAP_THRESHOLD, kKeptBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptHeap);
}

void do_file_conversion() {
    if (g_file_conversion_dialog_ptr) return;
    CGrafPtr saved;
    GetGWorld(&saved);
    if (GetNewDialog(kConversionDialog, &g_file_conversion_dialog_ptr) != noErr) {
        g_file_conversion_dialog_ptr = nullptr;
        return;
    }
    DialogRef dialog = g_file_conversion_dialog_ptr;
    ShowWindow(GetDialogWindow(dialog));
    du_draw_group_frame_opt(dialog);
    std::int16_t item = 0;
    while (item != 2) {
        __setup_dialog(dialog);
        movable_model(dialog, &item, nullptr, false, 2);
        switch (item) {
            case -1:
                du_draw_group_frame_opt(dialog);
                break;
            case 1:
                // Return reaches here even while the button is disabled.
                if (!__can_convert()) break;
                if (g_radio == kSingleFile)
                    __convert_single_file();
                else
                    __convert_folder();
                malloc_trim(0);
                break;
            case 3:
                g_radio = kSingleFile;
                break;
            case 5:
                __choose_source_file();
                break;
            case 6:
                g_radio = kFolder;
                break;
            case 8:
                __choose_folder(1);
                break;
            case 10:
                __choose_folder(2);
                break;
            default:
                break;
        }
    }
    DisposeDialog(dialog);
    g_file_conversion_dialog_ptr = nullptr;
    SetGWorld(saved);
}

OSErr do_convert_file(const FSSpec* source, const FSSpec* destination, bool quiet) {
    const OSErr result = __convert(source, destination, quiet);
    if (g_progress) {
        ++g_conveted_files;
        __show_cur_progress();
    }
    return result;
}

std::vector<FSSpec> get_file_list(const FSSpec* folder, bool folders) {
    bool is_folder = false;
    std::vector<CatItem> items;
    const std::string path = __path_of(folder);
    if (FSpGetCatInfo(folder, &is_folder) != noErr || !is_folder ||
        FSpGetFolderItems(path, &items) != noErr)
        return {*folder};
    std::vector<FSSpec> list;
    for (const CatItem& item : items) {
        if (item.is_folder != folders) continue;
        FSSpec spec{path, item.name};
        FInfo info{};
        if (FSpGetFInfo(&spec, &info) != noErr || (info.fdFlags & kIsInvisible)) continue;
        list.push_back(spec);
    }
    // The folder's own order is arbitrary here: sorting the whole listing before keeping the
    // first 10000 makes a large folder's run the same every time.
    std::stable_sort(list.begin(), list.end(), [](const FSSpec& a, const FSSpec& b) {
        return std::strcmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    if (list.size() > kMaxFiles) list.resize(kMaxFiles);
    return list;
}

OSErr FSpGetDirectoryID(const FSSpec* spec, std::string* directory, bool* is_folder) {
    const OSErr err = FSpGetCatInfo(spec, is_folder);
    if (err != noErr) return err;
    *directory = *is_folder ? __path_of(spec) : spec->folder;
    return noErr;
}

bool ChooseFolder(FSSpec* out) {
    return NavChooseFolder(g_last_folder, out) == noErr;
}

void conversion_canvas(std::int16_t width, std::int16_t height, Rect* canvas, Rect* picture) {
    int drawn_width = width, drawn_height = height;
    if (width > kMaxCanvasWidth || height > kMaxCanvasHeight) {
        const double s =
            std::min(double(kMaxCanvasWidth) / width, double(kMaxCanvasHeight) / height);
        // A very thin picture keeps at least one row or column.
        drawn_width = std::max(1, int(width * s));
        drawn_height = std::max(1, int(height * s));
        SetRect(canvas, 0, 0, kMaxCanvasWidth, kMaxCanvasHeight);
    } else {
        SetRect(canvas, 0, 0, (width + 15) / 16 * 16, (height + 7) / 8 * 8);
    }
    SetRect(picture, 0, 0, drawn_width, drawn_height);
    centering_rect(canvas, picture);
}

void du_draw_group_frame_opt(DialogRef dialog) {
    CGrafPtr saved;
    GetGWorld(&saved);
    CGrafPtr port = GetWindowPort(GetDialogWindow(dialog));
    SetGWorld(port);
    // The items are widgets drawn over the port, so the frames never cover a control or a
    // text and need no clipping around them.
    RGBColor fore;
    GetForeColor(&fore);
    const Point pen_size = port->pen_size;
    const Pattern pen_pat = port->pen_pat;
    PenNormal();
    constexpr RGBColor white = {0xFFFF, 0xFFFF, 0xFFFF};
    constexpr RGBColor grey = {0x8080, 0x8080, 0x8080};
    for (std::int16_t item : {12, 14}) {
        Rect r;
        du_get_rect(dialog, item, &r);
        RGBForeColor(&white);
        MoveTo(r.left + 1, r.top + 1);
        LineTo(r.left + 1, r.bottom - 3);
        MoveTo(r.left + 1, r.top + 1);
        LineTo(r.right - 3, r.top + 1);
        MoveTo(r.left, r.bottom);
        LineTo(r.right, r.bottom);
        MoveTo(r.right, r.top);
        LineTo(r.right, r.bottom);
        __frame(&r, &grey);
    }
    for (std::int16_t item : {4, 7, 9}) {
        Rect r;
        du_get_rect(dialog, item, &r);
        SetRect(&r, r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
        __frame(&r, &grey);
    }
    RGBForeColor(&fore);
    PenSize(pen_size.h, pen_size.v);
    PenPat(&pen_pat);
    QDFlushPortBuffer(port);
    SetGWorld(saved);
}
