// The POSIX side of platform.h and files.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "system/files.h"
#include "system/platform.h"

namespace gstboot {

std::FILE* openfile(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    struct stat st;
    if (file && ::fstat(::fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

long long regularsize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

namespace platform {

int descriptoralias(const std::string& path) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string p = prefix;
        if (path.rfind(p, 0) != 0 || path.size() == p.size() || path.size() > p.size() + 4) continue;
        if (path.find_first_not_of("0123456789", p.size()) != std::string::npos) continue;
        return std::atoi(path.c_str() + p.size());
    }
    return -1;
}

namespace {

std::string folderof(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether the file system refuses to remove or replace the file (immutable
// or append-only, as chattr sets them); a file that cannot be opened to ask
// is left to the rename.
bool pinned(const std::string& path) {
#if defined(__linux__) && defined(FS_IOC_GETFLAGS)
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    const bool got = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return got && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#elif defined(UF_IMMUTABLE)
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_flags & (UF_IMMUTABLE | SF_IMMUTABLE | UF_APPEND | SF_APPEND)) != 0;
#else
    (void)path;
    return false;
#endif
}

// Whether a rename may take the place of the existing file `file`
// (status `st`) in its folder: the checks the system makes only at the
// rename, made before any work.
int replaceable(const std::string& file, const struct stat& st) {
    const std::string folder = folderof(file);
    struct stat fst;
    if (::stat(folder.c_str(), &fst) != 0) return errno;
    // In a sticky folder (/tmp) only the file's owner, the folder's owner
    // or root may replace a file.
    const uid_t me = ::geteuid();
    if ((fst.st_mode & S_ISVTX) && me != 0 && st.st_uid != me && fst.st_uid != me) return EPERM;
    if (pinned(file) || pinned(folder)) return EPERM;
    return 0;
}

}  // namespace

std::string linkend(const std::string& path) {
    std::string at = path;
    // As many links as the system follows before it gives up (ELOOP).
    for (int hop = 0; hop < 40; ++hop) {
        struct stat lst;
        if (::lstat(at.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return at;
        std::vector<char> buffer(static_cast<std::size_t>(lst.st_size > 0 ? lst.st_size : 255) + 2);
        const ssize_t n = ::readlink(at.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0 || static_cast<std::size_t>(n) >= buffer.size() - 1) return at;
        const std::string to(buffer.data(), static_cast<std::size_t>(n));
        at = (to.empty() || to[0] == '/') ? to : folderof(at) + "/" + to;
    }
    return at;
}

int examine(const std::string& path, OutputTarget& out) {
    out = OutputTarget();
    out.target = path;
    // Writing there is writing to what the shell opened; replacing the file
    // behind it would take the place of that.
    if (descriptoralias(path) >= 0) {
        out.kind = OutputTarget::Kind::direct;
        return 0;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno;
        // A dangling link stays a link: the file is created where it leads.
        out.target = linkend(path);
        // The mode a plain create would give.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        out.mode = 0666u & ~static_cast<unsigned>(mask);
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        out.kind = OutputTarget::Kind::folder;
        return 0;
    }
    // What the file is decides, not where its name lies: /dev/shm and
    // /proc/self/cwd hold regular files that must be replaced like any other.
    if (!S_ISREG(st.st_mode)) {
        out.kind = OutputTarget::Kind::direct;
        return 0;
    }
    // Replacing the file must not need less permission than overwriting it.
    if (::access(path.c_str(), W_OK) != 0) {
        const int err = errno;
        if (err == EPERM) out.kind = OutputTarget::Kind::regular;  // immutable
        return err;
    }
    out.kind = OutputTarget::Kind::regular;
    out.mode = static_cast<unsigned>(st.st_mode & 07777);
    out.owner = static_cast<long long>(st.st_uid);
    out.group = static_cast<long long>(st.st_gid);
    struct stat lst;
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) return errno;
        out.target = real;
        std::free(real);
    }
    return replaceable(out.target, st);
}

std::FILE* opendirect(const std::string& path) {
    // A descriptor is shared, not opened anew: opening /dev/stdout again
    // would truncate the file the shell redirected it to and write over the
    // console text from an offset of its own.
    const int fd = descriptoralias(path);
    if (fd < 0) return std::fopen(path.c_str(), "wb");
    const int copy = ::dup(fd);
    if (copy < 0) return nullptr;
    std::FILE* file = ::fdopen(copy, "wb");
    if (!file) {
        const int err = errno;
        ::close(copy);
        errno = err;
    }
    return file;
}

std::FILE* createunique(const std::string& pattern, const OutputTarget& like, std::string& name) {
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) return nullptr;
    // The owner first: changing it may clear the set-user and set-group bits
    // that the mode then restores. Where the process may not give the
    // owner, it may still give a group of its own; otherwise the file is
    // the process's, as a plain create would make it.
    if (like.owner >= 0 && ::fchown(fd, static_cast<uid_t>(like.owner), static_cast<gid_t>(like.group)) != 0) {
        (void)!::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(like.group));
    }
    // mkstemp makes the file private; it gets the mode of the file it
    // replaces, or the one a plain create would.
    std::FILE* file = ::fchmod(fd, static_cast<mode_t>(like.mode)) == 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        const int err = errno;
        ::close(fd);
        ::unlink(buffer.data());
        errno = err;
        return nullptr;
    }
    name = buffer.data();
    return file;
}

int syncfile(std::FILE* file) { return ::fsync(::fileno(file)) == 0 ? 0 : errno; }

int replacefile(const std::string& temp, const std::string& target) {
    return std::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

void removefile(const char* path) { ::unlink(path); }

std::size_t namestart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace platform

}  // namespace gstboot
