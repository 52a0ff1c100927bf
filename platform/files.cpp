// File specifications, folder look-up and atomic file replacement on POSIX.

#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

std::string FSpGetFullPath(const FSSpec* spec) {
    return spec->folder + "/" + spec->name;
}

bool FSpExists(const FSSpec* spec) {
    struct stat st;
    return ::stat(FSpGetFullPath(spec).c_str(), &st) == 0;
}

OSErr FSMakeFSSpec(const std::string& folder, const std::string& name, FSSpec* out) {
    out->folder = folder;
    out->name = name;
    return FSpExists(out) ? noErr : fnfErr;
}

namespace {

struct ExtensionType {
    const char* extension;
    OSType type;
};
constexpr ExtensionType kExtensionTypes[] = {
    {".jpg", FOUR_CC("JPEG")},  {".jpeg", FOUR_CC("JPEG")}, {".pct", FOUR_CC("PICT")},
    {".pict", FOUR_CC("PICT")}, {".bmp", FOUR_CC("BMPf")},
};

}  // namespace

OSType FileTypeOfName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 0;
    for (const ExtensionType& e : kExtensionTypes)
        if (::strcasecmp(name.c_str() + dot, e.extension) == 0) return e.type;
    return 0;
}

std::vector<std::string> FileTypeExtensions(OSType type) {
    if (type == FOUR_CC("BMP ")) type = FOUR_CC("BMPf");
    std::vector<std::string> out;
    for (const ExtensionType& e : kExtensionTypes)
        if (type != 0 && e.type == type) out.emplace_back(e.extension);
    return out;
}

OSErr FSpGetFInfo(const FSSpec* spec, FInfo* out) {
    struct stat st;
    if (::stat(FSpGetFullPath(spec).c_str(), &st) != 0) return fnfErr;
    out->fdType = FileTypeOfName(spec->name);
    out->fdCreator = 0;
    out->fdFlags = spec->name.starts_with('.') ? kIsInvisible : 0;
    return noErr;
}

OSErr FSpGetCatInfo(const FSSpec* spec, bool* is_folder) {
    struct stat st;
    if (::stat(FSpGetFullPath(spec).c_str(), &st) != 0) return fnfErr;
    *is_folder = S_ISDIR(st.st_mode);
    return noErr;
}

OSErr FSpGetFolderItems(const std::string& folder, std::vector<CatItem>* out) {
    out->clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return fnfErr;
    const int fd = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, 0) != 0) continue;
        if (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode))
            out->push_back(CatItem{name, S_ISDIR(st.st_mode)});
    }
    ::closedir(dir);
    return noErr;
}

OSErr FSpCreate(const FSSpec* spec) {
    const int fd = ::open(FSpGetFullPath(spec).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return errno == EEXIST ? dupFNErr : -1;
    ::close(fd);
    return noErr;
}

OSErr FSpDelete(const FSSpec* spec) {
    if (::unlink(FSpGetFullPath(spec).c_str()) == 0) return noErr;
    return errno == ENOENT ? fnfErr : -1;
}

// mkdir -p with private permissions for the folders it has to make.
static bool make_folders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

OSErr FindUserConfigFolder(std::string* out) {
    std::string folder;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') return fnfErr;
        folder = std::string(home) + "/.config";
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!make_folders(folder)) return fnfErr;
    *out = folder;
    return noErr;
}

OSErr WriteFileAtomically(const FSSpec* spec, const void* data, std::size_t size) {
    std::string tmp = spec->folder + "/." + spec->name + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return -1;
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += std::size_t(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), FSpGetFullPath(spec).c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return -1;
    }
    return noErr;
}
