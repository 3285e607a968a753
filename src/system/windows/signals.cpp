// The Windows side of signals.h: a console control handler and a lock.
#include "system/windows/api.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "system/platform.h"
#include "system/signals.h"

namespace gstboot {

namespace {

// One more piece of the signal cleanup's state (see signals.cpp). The
// handler runs on a thread of its own while the program goes on, so it
// cannot be held off as a POSIX signal is; it takes this lock instead, which
// SignalBlock holds. Recursive, because blocks nest (registertemp inside the
// creation's block).
std::recursive_mutex& cleanuplock() {
    static std::recursive_mutex lock;
    return lock;
}
std::atomic<bool> installed{false};

// The status a shell gives a run ended by Ctrl-C, whatever the event, so
// that scripts see one value on every system.
constexpr int INTERRUPTED = 130;

BOOL WINAPI onconsole(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT: break;
        default: return FALSE;  // the next handler, or the default action
    }
    // Held until the process ends: nothing is created or renamed after the
    // removal.
    cleanuplock().lock();
    removetemps();
    std::_Exit(INTERRUPTED);
}

}  // namespace

void installsignalhandlers() {
    if (installed.exchange(true)) return;
    cleanuplock();  // made now, not first in the handler
    SetConsoleCtrlHandler(onconsole, TRUE);
}

SignalBlock::SignalBlock() { cleanuplock().lock(); }

SignalBlock::~SignalBlock() { cleanuplock().unlock(); }

}  // namespace gstboot
