#include "system/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/check.h"
#include "common/error.h"
#include "system/signals.h"

namespace gstboot {

namespace {

// The longest file name part kept in a temporary name, so that a target whose
// own name is near the file system's limit still gets a temporary beside it.
constexpr std::size_t KEEPNAME = 200;

std::string temppattern(const std::string& target) {
    std::size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.size() > KEEPNAME) base.resize(KEEPNAME);
    return dir + base + ".tmp-XXXXXX";
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(path_) {
    struct stat st;
    if (::stat(path_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) fail("create", EISDIR);
        // /dev/stdout and the like name a descriptor: replacing the file it
        // leads to would take the place of what the shell opened.
        if (!S_ISREG(st.st_mode) || path_.rfind("/dev/", 0) == 0 || path_.rfind("/proc/", 0) == 0) {
            opendirect();
            return;
        }
        // Replacing the file must not need less permission than overwriting it.
        if (::access(path_.c_str(), W_OK) != 0) fail("create", errno);
        struct stat lst;
        if (::lstat(path_.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
            char* real = ::realpath(path_.c_str(), nullptr);
            if (!real) fail("create", errno);
            target_ = real;
            std::free(real);
        }
        opentemp(target_, true, static_cast<unsigned>(st.st_mode & 07777));
        return;
    }
    if (errno != ENOENT) fail("create", errno);
    opentemp(target_, false, 0);
}

namespace {

// The descriptor a path such as /dev/stdout or /dev/fd/3 names, or -1.
int namedfd(const std::string& path) {
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

}  // namespace

void OutputFile::opendirect() {
    direct_ = true;
    // A descriptor is shared, not opened anew: opening /dev/stdout again
    // would truncate the file the shell redirected it to and write over the
    // console text from an offset of its own.
    const int fd = namedfd(path_);
    if (fd >= 0) {
        const int copy = ::dup(fd);
        if (copy < 0) fail("create", errno);
        file_ = ::fdopen(copy, "w");
        if (!file_) {
            const int err = errno;
            ::close(copy);
            fail("create", err);
        }
        return;
    }
    file_ = std::fopen(path_.c_str(), "w");
    if (!file_) fail("create", errno);
}

void OutputFile::opentemp(const std::string& target, bool exists, unsigned mode) {
    std::string pattern = temppattern(target);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd;
    {
        // Created and registered as one step: a signal in between would leave
        // a temporary file that nobody removes.
        SignalBlock block;
        fd = ::mkstemp(name.data());
        if (fd < 0) fail("create", errno);
        temp_ = name.data();
        slot_ = registertemp(temp_);
    }
    // mkstemp makes the file private; give it the mode of the file it
    // replaces, or the one a plain create would.
    if (!exists) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666u & ~static_cast<unsigned>(mask);
    }
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        int err = errno;
        ::close(fd);
        fail("create", err);
    }
    file_ = ::fdopen(fd, "w");
    if (!file_) {
        int err = errno;
        ::close(fd);
        fail("create", err);
    }
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    discard();
}

void OutputFile::discard() {
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        unregistertemp(slot_);
        slot_ = -1;
        temp_.clear();
    }
}

void OutputFile::write(const std::string& text) {
    if (!file_ || error_ != 0 || text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) error_ = errno ? errno : EIO;
}

void OutputFile::finish() {
    if (finished_) return;
    if (!file_) fail("write", error_ ? error_ : EBADF);
    if (error_ == 0 && std::fflush(file_) != 0) error_ = errno ? errno : EIO;
    if (error_ == 0 && std::ferror(file_)) error_ = EIO;
    if (error_ == 0 && !temp_.empty() && ::fsync(fileno(file_)) != 0) error_ = errno;
    int closed = std::fclose(file_);
    int closeerr = errno;
    file_ = nullptr;
    if (error_ == 0 && closed != 0) error_ = closeerr;
    if (error_ != 0) fail("write", error_);
    finished_ = true;
}

void OutputFile::install() {
    if (committed_) return;
    GSTBOOT_CHECK(finished_);
    if (!temp_.empty()) {
        SignalBlock block;
        if (std::rename(temp_.c_str(), target_.c_str()) != 0) fail("put in place", errno);
        unregistertemp(slot_);
        slot_ = -1;
        temp_.clear();
    }
    committed_ = true;
}

void OutputFile::commit() {
    finish();
    install();
}

void OutputFile::fail(const std::string& what, int err) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    discard();
    throw Error(ErrorKind::output, "gstboot: cannot " + what + " " + path_ + ": " + std::strerror(err));
}

}  // namespace gstboot
