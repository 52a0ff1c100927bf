// File specifications, folder look-up and small file operations.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

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
struct FInfo {
    OSType fdType;     // JPEG, PICT, BMPf, or 0 for any other extension
    OSType fdCreator;  // always 0
};
// The file's information: 0, or -43 when there is no such file.
OSErr FSpGetFInfo(const FSSpec* spec, FInfo* out);
// The type code of a name by its extension, case ignored: .jpg/.jpeg JPEG, .pct/.pict PICT,
// .bmp BMPf; 0 for any other.
OSType FileTypeOfName(const std::string& name);
// The extensions, with their dots, that give the type code (BMP  counts as BMPf); none for 0.
std::vector<std::string> FileTypeExtensions(OSType type);
// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config; created when missing.
// 0, or -43 when it cannot be found or made.
OSErr FindUserConfigFolder(std::string* out);
// Writes size bytes to the file atomically: a temporary file in the same folder is
// written, flushed and renamed over the old one, so a failure leaves the old file whole.
// 0, or -1 on any failure.
OSErr WriteFileAtomically(const FSSpec* spec, const void* data, std::size_t size);
