// The preference record and its storage as a resource in the preferences file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

// Nine 32-bit words, 36 bytes, stored little-endian.
struct PrefRecord {
    std::int32_t lm_size;      // live monitor window size: 0 quarter, 1 half, 2 full
    std::int32_t lm_ratio;     // live monitor view scale, index into dbl_ratio: 0..11
    std::int32_t save_type;    // file type for saving: 0 JPEG, 1 PICT, 2 BMPf
    std::int32_t reserved[6];  // always 0
};
static_assert(sizeof(PrefRecord) == 36);

extern PrefRecord pref;
// The folder of the file last chosen in a file dialog, where the next one starts; empty
// before the first. Kept beside the record, in a resource of its own.
extern std::string g_last_folder;

inline constexpr const char* kPrefFileName = "Orvilcast(KVT).pref";
inline constexpr OSType kPrefResType = FOUR_CC("PREF");
inline constexpr std::int16_t kPrefResID = 128;
inline constexpr OSType kFolderResType = FOUR_CC("FOLD");  // g_last_folder, ID kPrefResID

// 0; a file that cannot be read leaves the defaults 0, 5, 0 and no last folder.
OSErr file_load_prefs();
OSErr file_save_prefs();  // 0; a file that cannot be written is skipped silently
void opt_load();          // defaults, then the PREF 128 resource of the current file over them
// Opens (creating when missing) the preferences file as the current resource file.
// 0 or the file system's error.
OSErr file_open_pref_res_file(std::int16_t* ref_num, std::int16_t* previous);
// Where the length-prefixed name lies in the user's configuration folder:
// 0 when the file exists, -43 when it does not yet (both usable), or another error.
OSErr GetFSSpec_inPreferencesFolder(const unsigned char* pname, FSSpec* out, bool shared);
// Copies at most max_size bytes of resource (type, id) of the current resource file into
// the handle (resized to fit) or else the pointer. False when absent.
bool file_load_res(OSType type, std::int16_t id, std::vector<std::uint8_t>* handle, void* ptr,
                   std::size_t max_size);
// Replaces resource (type, id) of the current resource file by the handle's bytes or else
// size bytes from ptr; with neither, only removes it.
void file_save_res(OSType type, std::int16_t id, const std::vector<std::uint8_t>* handle,
                   const void* ptr, std::size_t size);
