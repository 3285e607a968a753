// Cleanup on a fatal signal.
//
// A run interrupted by SIGINT, SIGTERM, SIGHUP or SIGPIPE must not leave a
// half-written temporary file beside its target. Files that are being written
// register their temporary paths here; the handler removes them and then lets
// the signal take its default action, so the exit status is the conventional
// one (130 for SIGINT, 143 for SIGTERM, ...).
//
// Windows has no such signals: the handler is a console control handler,
// called on its own thread for Ctrl-C, Ctrl-Break and the closing of the
// console window; it removes the temporaries and ends the process with
// status 130 whichever of the three it was. A Ctrl-C the parent disabled
// (a process group started without it) stays disabled, which is the nearest
// thing to an ignored signal. A broken pipe is an ordinary write error there
// and is reported as one.
#pragma once

#include <csignal>
#include <string>

namespace gstboot {

// Installs the handler for the signals above. Idempotent. A signal that was
// ignored when the program started (nohup, a parent's SIG_IGN) stays ignored.
void installsignalhandlers();

// Most temporary paths registered at once, and the longest path accepted
// (bytes, without the terminating zero).
constexpr int MAXTEMPS = 16;  // a temporary file and a lock file per output
constexpr std::size_t MAXTEMPPATH = 4095;

// Registers a temporary path for removal on a signal. Returns a slot number
// for unregistertemp, or -1 when the path is too long or every slot is in use
// (the file is still written; only the cleanup on a signal is lost).
int registertemp(const std::string& path);

// Forgets a slot; -1 is accepted and does nothing.
void unregistertemp(int slot);

// Blocks the handled signals for its lifetime, so that creating a file and
// registering it (or renaming it and forgetting it) happen as one step.
// Windows: holds a recursive lock that the console handler also takes, so
// the handler waits for the step to end; blocks may nest on both systems.
class SignalBlock {
public:
    SignalBlock();
    ~SignalBlock();
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
#ifndef _WIN32
    sigset_t saved_;  // the mask to restore
#endif
};

}  // namespace gstboot
