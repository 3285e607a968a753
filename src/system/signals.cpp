#include "system/signals.h"

#include <atomic>
#include <cstring>

#include "system/platform.h"

// The handler itself differs by system: posix/signals.cpp,
// windows/signals.cpp. Both end in removetemps().

namespace gstboot {

namespace {

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

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots without a lock");

}  // namespace

void removetemps() {
    for (Slot& s : slots) {
        if (s.used.load(std::memory_order_acquire)) platform::removefile(s.path);
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

}  // namespace gstboot
