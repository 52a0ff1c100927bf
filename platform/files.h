// File specifications, folder look-up and small file operations.
#pragma once

#include <string>

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
// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config; created when missing.
// 0, or -43 when it cannot be found or made.
OSErr FindUserConfigFolder(std::string* out);
// Writes size bytes to the file atomically: a temporary file in the same folder is
// written, flushed and renamed over the old one, so a failure leaves the old file whole.
// 0, or -1 on any failure.
OSErr WriteFileAtomically(const FSSpec* spec, const void* data, std::size_t size);
