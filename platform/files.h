// File specifications, folder look-up and small file operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// Status codes of file operations, from the system's error numbers.
constexpr OSErr dskFulErr = -34;      // no space left on the disk
constexpr OSErr ioErr = -36;          // the file could not be read or written
constexpr OSErr bdNamErr = -37;       // the name is too long
constexpr OSErr vLckdErr = -46;       // the disk is read-only
constexpr OSErr permErr = -54;        // permission denied
constexpr OSErr notAFileErr = -1302;  // a folder stands where a file was meant

// A file named by its folder and its name; the name has no length limit.
struct FSSpec {
    std::string folder;  // absolute folder path, without a trailing slash
    std::string name;    // the file's name within the folder
};

std::string FSpGetFullPath(const FSSpec* spec);
// A specification for name in folder: 0 when the file exists, -43 when it does not yet.
OSErr FSMakeFSSpec(const std::string& folder, const std::string& name, FSSpec* out);
bool FSpExists(const FSSpec* spec);
// Finder information. Linux keeps no type codes: the type follows from the name's extension.
constexpr std::uint16_t kIsInvisible = 0x4000;
struct FInfo {
    OSType fdType;          // JPEG, PICT, BMPf, or 0 for any other extension
    OSType fdCreator;       // always 0
    std::uint16_t fdFlags;  // kIsInvisible for a name that begins with a dot
};
// The file's information: 0, or -43 when there is no such file.
OSErr FSpGetFInfo(const FSSpec* spec, FInfo* out);
// Whether the item is a folder. 0, or -43 when there is no such item.
OSErr FSpGetCatInfo(const FSSpec* spec, bool* is_folder);
// One item directly inside a folder.
struct CatItem {
    std::string name;
    bool is_folder;
};
// The regular files and the folders directly inside the folder, in no particular order;
// other kinds of item (devices, pipes, sockets) are left out. 0, or -43 when the folder
// cannot be read.
OSErr FSpGetFolderItems(const std::string& folder, std::vector<CatItem>* out);
// Makes a new empty file; a file that exists already is never opened. 0, -48 when the name
// is taken, or -1 when the file cannot be made.
OSErr FSpCreate(const FSSpec* spec);
// 0, or -43 when there is no such file, or -1 when it cannot be deleted.
OSErr FSpDelete(const FSSpec* spec);
// The type code of a name by its extension, case ignored: .jpg/.jpeg JPEG, .pct/.pict PICT,
// .bmp BMPf; 0 for any other.
OSType FileTypeOfName(const std::string& name);
// The extensions, with their dots, that give the type code (BMP  counts as BMPf); none for 0.
std::vector<std::string> FileTypeExtensions(OSType type);
// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config; created when missing.
// 0, or -43 when it cannot be found or made.
OSErr FindUserConfigFolder(std::string* out);
// The status in plain words, as the system words it: "Permission denied", "No space left
// on device", ...; "Not enough memory" for -108; "error N" for a status of no file operation.
std::string FileErrorText(OSErr err);
// Reads a regular file, opened without blocking: its first at_most bytes, or all of it when
// shorter. 0; fnfErr when no regular file is there (a pipe, device or folder reads as
// missing); memFullErr when more than limit bytes would be read or memory runs out; or the
// status of the failing read.
OSErr FSpReadFile(const FSSpec* spec, std::size_t at_most, std::size_t limit,
                  std::vector<std::uint8_t>* out);
// Writes size bytes to the file atomically: a temporary file in the same folder is
// written, flushed and renamed over the old one, so a failure leaves the old file whole.
// A replaced file keeps its permission bits, and its owner and group where allowed; a new
// file gets 0666 less the umask. A symbolic link is kept: its target is replaced, in the
// target's folder. 0, or the status of the failing step.
OSErr WriteFileAtomically(const FSSpec* spec, const void* data, std::size_t size);
