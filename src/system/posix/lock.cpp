// The POSIX side of takelock and droplock (platform.h).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/platform.h"

namespace gstboot {
namespace platform {

namespace {

bool sameinode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Opens the lock file, creating it when missing. An existing one is opened
// without O_CREAT: in a sticky folder Linux refuses O_CREAT on another
// user's file (protected_regular) even when it exists. Read-only where
// writing is not allowed: flock needs neither.
int openlock(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

int takelock(const std::string& path, std::intptr_t& handle) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = openlock(path);
        if (fd < 0) return errno;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno == EWOULDBLOCK ? EAGAIN : errno;
            ::close(fd);
            return err;
        }
        // Its holder may have removed the file between our open and our
        // lock: a lock on a file that no longer has the name is no lock.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && sameinode(held, named)) {
            handle = fd;
            return 0;
        }
        ::close(fd);
    }
    return EAGAIN;
}

void droplock(const std::string& path, std::intptr_t handle) {
    const int fd = static_cast<int>(handle);
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && sameinode(held, named)) {
        ::unlink(path.c_str());
    }
    ::close(fd);
}

}  // namespace platform
}  // namespace gstboot
