#include "system/outfile.h"

#include <cerrno>
#include <cstring>

#include "common/check.h"
#include "common/error.h"
#include "system/platform.h"
#include "system/signals.h"

namespace gstboot {

namespace {

// The longest file name part kept in a temporary name, so that a target whose
// own name is near the file system's limit still gets a temporary beside it.
constexpr std::size_t KEEPNAME = 200;

std::string temppattern(const std::string& target) {
    const std::size_t start = platform::namestart(target);
    std::string base = target.substr(start);
    if (base.size() > KEEPNAME) base.resize(KEEPNAME);
    return target.substr(0, start) + base + ".tmp-XXXXXX";
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(path_) {
    platform::OutputTarget what;
    if (const int err = platform::examine(path_, what)) fail("create", err);
    switch (what.kind) {
        case platform::OutputTarget::Kind::folder: fail("create", EISDIR);
        case platform::OutputTarget::Kind::direct: opendirect(); return;
        case platform::OutputTarget::Kind::regular:
        case platform::OutputTarget::Kind::absent: break;
    }
    target_ = what.target;
    opentemp(target_, what.mode);
}

void OutputFile::opendirect() {
    direct_ = true;
    file_ = platform::opendirect(path_);
    if (!file_) fail("create", errno);
}

void OutputFile::opentemp(const std::string& target, unsigned mode) {
    // Created and registered as one step: a signal in between would leave
    // a temporary file that nobody removes.
    SignalBlock block;
    file_ = platform::createunique(temppattern(target), mode, temp_);
    if (!file_) fail("create", errno);
    slot_ = registertemp(temp_);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    discard();
}

void OutputFile::discard() {
    if (!temp_.empty()) {
        platform::removefile(temp_.c_str());
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
    if (error_ == 0 && !temp_.empty()) error_ = platform::syncfile(file_);
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
        if (const int err = platform::replacefile(temp_, target_)) fail("put in place", err);
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
