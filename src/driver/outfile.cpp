#include "driver/outfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/error.h"

namespace gstboot {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    struct stat st;
    bool direct = false;
    if (::stat(path_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) fail("create", EISDIR);
        direct = !S_ISREG(st.st_mode);
    }
    if (direct) {
        file_ = std::fopen(path_.c_str(), "w");
        if (!file_) fail("create", errno);
        return;
    }
    std::string pattern = path_ + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) fail("create", errno);
    temp_ = name.data();
    // mkstemp makes the file private; give it the mode a plain create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "w");
    if (!file_) {
        int err = errno;
        ::close(fd);
        fail("create", err);
    }
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void OutputFile::write(const std::string& text) {
    if (error_ != 0 || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) error_ = errno ? errno : EIO;
}

void OutputFile::commit() {
    if (error_ == 0 && std::fflush(file_) != 0) error_ = errno;
    if (error_ == 0 && !temp_.empty() && ::fsync(fileno(file_)) != 0) error_ = errno;
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (error_ == 0 && closed != 0) error_ = errno;
    if (error_ != 0) fail("write", error_);
    if (!temp_.empty() && std::rename(temp_.c_str(), path_.c_str()) != 0) fail("write", errno);
    committed_ = true;
}

void OutputFile::fail(const std::string& what, int err) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    throw Error(EXIT_INPUT, "gstboot: cannot " + what + " " + path_ + ": " + std::strerror(err));
}

}  // namespace gstboot
