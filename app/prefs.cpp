// The preference record, read once at start-up and written once at the end of the run.

#include "app/prefs.h"

#include <algorithm>
#include <cstring>

#include "imagewin/offscreen.h"
#include "platform/byte_order.h"
#include "platform/resfile.h"

PrefRecord pref;
std::string g_last_folder;

namespace {

constexpr std::int32_t kDefaultLmSize = 0, kDefaultLmRatio = 5, kDefaultSaveType = 0;
constexpr std::size_t kMaxPathBytes = 4096;  // longer than any path the system allows

void set_defaults() {
    pref = PrefRecord{};
    pref.lm_size = kDefaultLmSize;
    pref.lm_ratio = kDefaultLmRatio;
    pref.save_type = kDefaultSaveType;
}

// Word 1 indexes the ratio table and word 2 the file type table: a word out of range
// (a damaged or foreign file) falls back to its default instead of indexing past a table.
void repair_ranges() {
    if (pref.lm_size < 0 || pref.lm_size > 2) pref.lm_size = kDefaultLmSize;
    if (pref.lm_ratio < 0 || pref.lm_ratio > 11) pref.lm_ratio = kDefaultLmRatio;
    if (pref.save_type < 0 || pref.save_type > 2) pref.save_type = kDefaultSaveType;
}

// The record as stored: nine words, little-endian.
void record_to_bytes(std::uint8_t out[sizeof(PrefRecord)]) {
    std::int32_t words[9];
    std::memcpy(words, &pref, sizeof words);
    for (int i = 0; i < 9; ++i) put_u32le(out + 4 * i, std::uint32_t(words[i]));
}

void bytes_to_record(const std::uint8_t in[sizeof(PrefRecord)]) {
    std::int32_t words[9];
    for (int i = 0; i < 9; ++i) words[i] = std::int32_t(get_u32le(in + 4 * i));
    std::memcpy(&pref, words, sizeof words);
}

}  // namespace

OSErr GetFSSpec_inPreferencesFolder(const unsigned char* pname, FSSpec* out, bool /*shared*/) {
    // There is no all-users preferences folder to write on this system: both cases use
    // the user's configuration folder.
    std::string folder;
    const OSErr err = FindUserConfigFolder(&folder);
    if (err != noErr) return err;
    return FSMakeFSSpec(folder, std::string(reinterpret_cast<const char*>(pname + 1), pname[0]),
                        out);
}

OSErr file_open_pref_res_file(std::int16_t* ref_num, std::int16_t* previous) {
    *previous = CurResFile();
    unsigned char name[256];
    std::strcpy(reinterpret_cast<char*>(name), kPrefFileName);
    CtoPstr(reinterpret_cast<char*>(name));
    FSSpec spec;
    OSErr err = GetFSSpec_inPreferencesFolder(name, &spec, false);
    if (err != noErr && err != fnfErr) return err;
    err = FSpCreateResFile(&spec);
    if (err != noErr && err != dupFNErr) return err;
    *ref_num = FSpOpenResFile(&spec);
    if (*ref_num < 0) return -1;
    return noErr;
}

void opt_load() {
    set_defaults();
    std::uint8_t bytes[sizeof(PrefRecord)];
    record_to_bytes(bytes);
    file_load_res(kPrefResType, kPrefResID, nullptr, bytes, sizeof bytes);
    bytes_to_record(bytes);
    repair_ranges();
}

OSErr file_load_prefs() {
    std::int16_t ref, previous;
    g_last_folder.clear();
    if (file_open_pref_res_file(&ref, &previous) != noErr) {
        set_defaults();
        return noErr;
    }
    opt_load();
    std::vector<std::uint8_t> folder;
    if (file_load_res(kFolderResType, kPrefResID, &folder, nullptr, kMaxPathBytes))
        g_last_folder.assign(folder.begin(), folder.end());
    CloseResFile(ref);
    UseResFile(previous);
    return noErr;
}

OSErr file_save_prefs() {
    std::int16_t ref, previous;
    if (file_open_pref_res_file(&ref, &previous) != noErr) return noErr;
    std::uint8_t bytes[sizeof(PrefRecord)];
    record_to_bytes(bytes);
    file_save_res(kPrefResType, kPrefResID, nullptr, bytes, sizeof bytes);
    file_save_res(kFolderResType, kPrefResID, nullptr,
                  g_last_folder.empty() ? nullptr : g_last_folder.data(), g_last_folder.size());
    CloseResFile(ref);
    UseResFile(previous);
    return noErr;
}

bool file_load_res(OSType type, std::int16_t id, std::vector<std::uint8_t>* handle, void* ptr,
                   std::size_t max_size) {
    std::vector<std::uint8_t> data;
    if (!Get1Resource(type, id, &data)) return false;
    const std::size_t n = std::min(data.size(), max_size);
    if (handle)
        handle->assign(data.begin(), data.begin() + std::ptrdiff_t(n));
    else if (ptr)
        std::memcpy(ptr, data.data(), n);
    return true;
}

void file_save_res(OSType type, std::int16_t id, const std::vector<std::uint8_t>* handle,
                   const void* ptr, std::size_t size) {
    RemoveResource(type, id);
    if (handle)
        AddResource(type, id, handle->data(), handle->size());
    else if (ptr)
        AddResource(type, id, ptr, size);
}
