// Resource files in a small container of our own.
//
// Layout, every word little-endian:
//   "OVRF"                      4 bytes, identifies the file
//   count                       u32, number of resources
//   count times:
//     type                      u32, four-character code
//     id                        i16
//     reserved                  u16, 0
//     length                    u32, number of data bytes
//     data                      length bytes
// A file that breaks this layout anywhere (wrong tag, a count or length beyond the end,
// bytes left over) reads as a file without resources.

#include "platform/resfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/byte_order.h"

namespace {

struct Resource {
    OSType type;
    std::int16_t id;
    std::vector<std::uint8_t> data;
};

struct OpenFile {
    std::int16_t ref_num;
    FSSpec spec;
    std::vector<Resource> resources;
    bool changed;
};

std::vector<OpenFile> g_files;
std::int16_t g_current = 0;
std::int16_t g_next_ref = 1;
constexpr char kTag[4] = {'O', 'V', 'R', 'F'};
constexpr std::size_t kMaxFileSize = 16u << 20;  // far above anything the program stores

OpenFile* find_file(std::int16_t ref) {
    for (OpenFile& f : g_files)
        if (f.ref_num == ref) return &f;
    return nullptr;
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    put_u32le(out.data() + out.size() - 4, v);
}

bool parse(const std::vector<std::uint8_t>& bytes, std::vector<Resource>* out) {
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kTag, 4) != 0) return false;
    const std::uint32_t count = get_u32le(&bytes[4]);
    std::size_t pos = 8;
    std::vector<Resource> list;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - pos < 12) return false;
        Resource r;
        r.type = get_u32le(&bytes[pos]);
        r.id = std::int16_t(get_u16le(&bytes[pos + 4]));
        const std::uint32_t length = get_u32le(&bytes[pos + 8]);
        pos += 12;
        if (bytes.size() - pos < length) return false;
        r.data.assign(bytes.begin() + std::ptrdiff_t(pos),
                      bytes.begin() + std::ptrdiff_t(pos + length));
        pos += length;
        list.push_back(std::move(r));
    }
    if (pos != bytes.size()) return false;
    *out = std::move(list);
    return true;
}

std::vector<std::uint8_t> serialise(const std::vector<Resource>& list) {
    std::vector<std::uint8_t> out(kTag, kTag + 4);
    put_u32(out, std::uint32_t(list.size()));
    for (const Resource& r : list) {
        put_u32(out, r.type);
        put_u32(out, std::uint16_t(r.id));  // the id, then the reserved half-word 0
        put_u32(out, std::uint32_t(r.data.size()));
        out.insert(out.end(), r.data.begin(), r.data.end());
    }
    return out;
}

}  // namespace

OSErr FSpCreateResFile(const FSSpec* spec) {
    const std::string path = FSpGetFullPath(spec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return errno == EEXIST ? dupFNErr : OSErr(-1);
    const std::vector<std::uint8_t> empty = serialise({});
    const bool ok = ::write(fd, empty.data(), empty.size()) == ssize_t(empty.size());
    ::close(fd);
    if (!ok) {
        ::unlink(path.c_str());
        return -1;
    }
    return noErr;
}

std::int16_t FSpOpenResFile(const FSSpec* spec) {
    std::vector<std::uint8_t> bytes;
    const OSErr err = FSpReadFile(spec, kMaxFileSize + 1, kMaxFileSize + 1, &bytes);
    if (err != noErr && err != memFullErr) return -1;
    OpenFile f{g_next_ref++, *spec, {}, false};
    if (bytes.size() > kMaxFileSize || !parse(bytes, &f.resources)) f.resources.clear();
    g_files.push_back(std::move(f));
    g_current = g_files.back().ref_num;
    return g_current;
}

OSErr CloseResFile(std::int16_t ref_num) {
    OpenFile* f = find_file(ref_num);
    if (!f) return -1;
    OSErr err = noErr;
    if (f->changed) {
        const std::vector<std::uint8_t> bytes = serialise(f->resources);
        err = WriteFileAtomically(&f->spec, bytes.data(), bytes.size());
    }
    g_files.erase(g_files.begin() + (f - g_files.data()));
    if (g_current == ref_num) g_current = 0;
    return err;
}

std::int16_t CurResFile() {
    return g_current;
}
void UseResFile(std::int16_t ref_num) {
    g_current = ref_num;
}

bool Get1Resource(OSType type, std::int16_t id, std::vector<std::uint8_t>* out) {
    const OpenFile* f = find_file(g_current);
    if (!f) return false;
    for (const Resource& r : f->resources) {
        if (r.type == type && r.id == id) {
            *out = r.data;
            return true;
        }
    }
    return false;
}

void RemoveResource(OSType type, std::int16_t id) {
    OpenFile* f = find_file(g_current);
    if (!f) return;
    const auto gone =
        std::remove_if(f->resources.begin(), f->resources.end(),
                       [&](const Resource& r) { return r.type == type && r.id == id; });
    if (gone != f->resources.end()) {
        f->resources.erase(gone, f->resources.end());
        f->changed = true;
    }
}

void AddResource(OSType type, std::int16_t id, const void* data, std::size_t size) {
    OpenFile* f = find_file(g_current);
    if (!f) return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    f->resources.push_back(Resource{type, id, std::vector<std::uint8_t>(p, p + size)});
    f->changed = true;
}
