#include "system/signals.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace gstboot {

namespace {

constexpr int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The one piece of global mutable state of the program. A signal handler
// receives nothing but the signal number, so the paths it must remove can only
// reach it through static storage; and since it may not allocate or take a
// lock, that storage is a fixed array. A slot's path is written completely
// before `used` is set (and `used` cleared before the slot is reused), with
// signals blocked around both, so the handler never sees a path half written.
struct Slot {
    std::atomic<int> used{0};
    char path[MAXTEMPPATH + 1];
};
Slot slots[MAXTEMPS];
std::atomic<bool> installed{false};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots without a lock");

extern "C" void onsignal(int sig) {
    int saved = errno;
    for (Slot& s : slots) {
        if (s.used.load(std::memory_order_acquire)) ::unlink(s.path);
    }
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

int registertemp(const std::string& path) {
    if (path.size() > MAXTEMPPATH || path.find('\0') != std::string::npos) return -1;
    SignalBlock block;
    for (int k = 0; k < MAXTEMPS; ++k) {
        Slot& s = slots[k];
        if (s.used.load(std::memory_order_relaxed)) continue;
        std::memcpy(s.path, path.c_str(), path.size() + 1);
        s.used.store(1, std::memory_order_release);
        return k;
    }
    return -1;
}

void unregistertemp(int slot) {
    if (slot < 0 || slot >= MAXTEMPS) return;
    SignalBlock block;
    slots[slot].used.store(0, std::memory_order_release);
}

SignalBlock::SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : HANDLED) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

SignalBlock::~SignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace gstboot
