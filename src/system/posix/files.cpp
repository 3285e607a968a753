// The POSIX side of platform.h and files.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (::access(path.c_str(), W_OK) != 0) return errno;
    out.kind = OutputTarget::Kind::regular;
    out.mode = static_cast<unsigned>(st.st_mode & 07777);
    struct stat lst;
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) return errno;
        out.target = real;
        std::free(real);
    }
    return 0;
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

std::FILE* createunique(const std::string& pattern, unsigned mode, std::string& name) {
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) return nullptr;
    // mkstemp makes the file private; it gets the mode of the file it
    // replaces, or the one a plain create would.
    std::FILE* file = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 ? ::fdopen(fd, "wb") : nullptr;
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
