// Resource files: blocks of bytes kept by (type, ID) in one small file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

// Creates an empty resource file: 0, -48 when it exists already, or -1.
OSErr FSpCreateResFile(const FSSpec* spec);
// Opens the file's resources for reading and writing and makes it the current resource
// file. The reference number (> 0), or -1 when the file cannot be read. A file whose
// contents are damaged opens with no resources.
std::int16_t FSpOpenResFile(const FSSpec* spec);
// Writes the file back when a resource changed (atomically), then forgets it. 0 or -1.
OSErr CloseResFile(std::int16_t ref_num);
std::int16_t CurResFile();  // 0 when no resource file is current
void UseResFile(std::int16_t ref_num);

// The bytes of resource (type, id) of the current file only; false when absent.
bool Get1Resource(OSType type, std::int16_t id, std::vector<std::uint8_t>* out);
void RemoveResource(OSType type, std::int16_t id);  // of the current file; absent is fine
// Adds a resource to the current file (after any of the same type and id was removed).
void AddResource(OSType type, std::int16_t id, const void* data, std::size_t size);
