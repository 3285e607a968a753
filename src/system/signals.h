// Cleanup on a fatal signal.
//
// A run interrupted by SIGINT, SIGTERM, SIGHUP or SIGPIPE must not leave a
// half-written temporary file beside its target. Files that are being written
// register their temporary paths here; the handler removes them and then lets
// the signal take its default action, so the exit status is the conventional
// one (130 for SIGINT, 143 for SIGTERM, ...).
#pragma once

#include <csignal>
#include <string>

namespace gstboot {

// Installs the handler for the signals above. Idempotent. A signal that was
// ignored when the program started (nohup, a parent's SIG_IGN) stays ignored.
void installsignalhandlers();

// Most temporary paths registered at once, and the longest path accepted
// (bytes, without the terminating zero).
constexpr int MAXTEMPS = 8;
constexpr std::size_t MAXTEMPPATH = 4095;

// Registers a temporary path for removal on a signal. Returns a slot number
// for unregistertemp, or -1 when the path is too long or every slot is in use
// (the file is still written; only the cleanup on a signal is lost).
int registertemp(const std::string& path);

// Forgets a slot; -1 is accepted and does nothing.
void unregistertemp(int slot);

// Blocks the handled signals for its lifetime, so that creating a file and
// registering it (or renaming it and forgetting it) happen as one step.
class SignalBlock {
public:
    SignalBlock();
    ~SignalBlock();
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t saved_;
};

}  // namespace gstboot
