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

// `target` with its name clipped to KEEPNAME bytes, between `before` and
// `after`.
std::string beside(const std::string& target, const char* before, const char* after) {
    const std::size_t start = platform::namestart(target);
    std::string base = target.substr(start);
    if (base.size() > KEEPNAME) base.resize(KEEPNAME);
    return target.substr(0, start) + before + base + after;
}

std::string temppattern(const std::string& target) { return beside(target, "", ".tmp-XXXXXX"); }

}  // namespace

std::string lockpath(const std::string& target) { return beside(target, ".", ".gstboot-lock"); }

namespace {

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(path_) {
    platform::OutputTarget what;
    if (const int err = platform::examine(path_, what)) {
        fail(what.kind == platform::OutputTarget::Kind::regular ? "replace" : "create", err);
    }
    switch (what.kind) {
        case platform::OutputTarget::Kind::folder: fail("create", EISDIR);
        case platform::OutputTarget::Kind::direct: opendirect(); return;
        case platform::OutputTarget::Kind::regular:
        case platform::OutputTarget::Kind::absent: break;
    }
    target_ = what.target;
    lock();
    opentemp(target_, what);
}

void OutputFile::lock() {
    // Taken and registered as one step, like the temporary file: a signal
    // removes the lock file of a run it ends.
    SignalBlock block;
    const std::string path = lockpath(target_);
    std::intptr_t handle = 0;
    const int err = platform::takelock(path, handle);
    if (err == EAGAIN) {
        throw Error(ErrorKind::output, "gstboot: cannot create " + path_ +
                                           ": another run is writing it (it holds " + path +
                                           "); wait for that run to end, or choose another file");
    }
    if (err != 0) fail("create", err);
    lock_ = path;
    lockhandle_ = handle;
    lockslot_ = registertemp(lock_);
}

void OutputFile::release() {
    if (lock_.empty()) return;
    SignalBlock block;
    unregistertemp(lockslot_);
    lockslot_ = -1;
    platform::droplock(lock_, lockhandle_);
    lock_.clear();
}

void OutputFile::opendirect() {
    direct_ = true;
    file_ = platform::opendirect(path_);
    if (!file_) fail("create", errno);
}

void OutputFile::opentemp(const std::string& target, const platform::OutputTarget& like) {
    // Created and registered as one step: a signal in between would leave
    // a temporary file that nobody removes.
    SignalBlock block;
    file_ = platform::createunique(temppattern(target), like, temp_);
    if (!file_) fail("create", errno);
    slot_ = registertemp(temp_);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    discard();
    release();
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
    release();
}

void OutputFile::fail(const std::string& what, int err) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    discard();
    release();
    throw Error(ErrorKind::output, "gstboot: cannot " + what + " " + path_ + ": " + std::strerror(err));
}

}  // namespace gstboot
