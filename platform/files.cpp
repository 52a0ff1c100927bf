// File specifications, folder look-up and atomic file replacement on POSIX.

#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <tuple>

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

namespace {

OSErr __status_of(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR:
            return fnfErr;
        case EACCES:
        case EPERM:
            return permErr;
        case EROFS:
            return vLckdErr;
        case ENOSPC:
        case EDQUOT:
            return dskFulErr;
        case EISDIR:
            return notAFileErr;
        case ENAMETOOLONG:
            return bdNamErr;
        case ENOMEM:
            return memFullErr;
        default:
            return ioErr;
    }
}

std::string __folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The path a chain of symbolic links ends at; relative links count from their own folder.
std::string __resolve_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char target[4096];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || std::size_t(n) == sizeof target) break;
        std::string next(target, std::size_t(n));
        path = next[0] == '/' ? next : __folder_of(path) + "/" + next;
    }
    return path;
}

// A new empty file beside path under a hidden name; the umask applies to its mode.
int __create_temporary(const std::string& path, std::string* tmp) {
    static unsigned counter = 0;
    const std::string folder = __folder_of(path);
    const std::string name = path.substr(path.rfind('/') + 1).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%x.%x", unsigned(::getpid()), ++counter);
        *tmp = (folder == "/" ? "" : folder) + "/." + name + suffix;
        const int fd = ::open(tmp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool __write_all(int fd, const char* p, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

}  // namespace

std::string FileErrorText(OSErr err) {
    switch (err) {
        case fnfErr:
            return "No such file or directory";
        case permErr:
            return "Permission denied";
        case vLckdErr:
            return "Read-only file system";
        case dskFulErr:
            return "No space left on device";
        case notAFileErr:
            return "Is a directory";
        case bdNamErr:
            return "File name too long";
        case ioErr:
            return "Input/output error";
        case memFullErr:
            return "Not enough memory";
        default:
            return "error " + std::to_string(err);
    }
}

OSErr FSpReadFile(const FSSpec* spec, std::size_t at_most, std::size_t limit,
                  std::vector<std::uint8_t>* out) {
    out->clear();
    // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
    const int fd =
        ::open(FSpGetFullPath(spec).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return __status_of(errno);
    struct stat st;
    OSErr err = noErr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) err = fnfErr;
    const std::size_t size =
        err == noErr ? std::size_t(std::min<std::uintmax_t>(std::uintmax_t(st.st_size), at_most))
                     : 0;
    if (err == noErr && size > limit) err = memFullErr;
    if (err == noErr) {
        try {
            out->resize(size);
        } catch (const std::bad_alloc&) {
            err = memFullErr;
        }
    }
    std::size_t done = 0;
    while (err == noErr && done < out->size()) {
        const ssize_t n = ::read(fd, out->data() + done, out->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = __status_of(errno);
        if (n <= 0) break;
        done += std::size_t(n);
    }
    ::close(fd);
    out->resize(err == noErr ? done : 0);
    return err;
}

OSErr WriteFileAtomically(const FSSpec* spec, const void* data, std::size_t size) {
    const std::string path = __resolve_links(FSpGetFullPath(spec));
    std::string tmp;
    const int fd = __create_temporary(path, &tmp);
    if (fd < 0) return __status_of(errno);
    bool ok = __write_all(fd, static_cast<const char*>(data), size);
    struct stat old;
    if (ok && ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The owner can be kept only by a privileged user, the group only by a member of it.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            std::ignore = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    int errnum = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        errnum = errno;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        errnum = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return __status_of(errnum);
    }
    return noErr;
}
