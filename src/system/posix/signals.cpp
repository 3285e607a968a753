// The POSIX side of signals.h: the handler and the signal mask.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "system/platform.h"
#include "system/signals.h"

namespace gstboot {

namespace {

constexpr int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// One more piece of the signal cleanup's state (see signals.cpp).
std::atomic<bool> installed{false};

extern "C" void onsignal(int sig) {
    int saved = errno;
    removetemps();
    // Die of the same signal, so the parent sees how the run ended.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    errno = saved;
    _exit(128 + sig);  // not reached unless the default action was ignored
}

}  // namespace

void installsignalhandlers() {
    if (installed.exchange(true)) return;
    for (int sig : HANDLED) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = onsignal;
        sigemptyset(&sa.sa_mask);
        for (int other : HANDLED) sigaddset(&sa.sa_mask, other);
        sa.sa_flags = SA_RESTART;
        sigaction(sig, &sa, nullptr);
    }
}

SignalBlock::SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : HANDLED) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

SignalBlock::~SignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace gstboot
