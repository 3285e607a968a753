// A request to stop a run early, as an embedding host (an interpreter's
// interrupt key) makes it.
#pragma once

#include <functional>

#include "common/error.h"

namespace gstboot {

// Asked whether the run should stop: only ever by the thread that started
// the run, between its own units of work and a few times a second while it
// waits for workers, so that it may call into a host that is not thread-safe.
// True stops the run: the workers finish the unit they hold and are joined,
// and the run throws stoppederror().
using StopCheck = std::function<bool()>;

inline bool stopasked(const StopCheck* stop) { return stop && *stop && (*stop)(); }

inline Error stoppederror() { return Error(ErrorKind::system, "gstboot: interrupted"); }

}  // namespace gstboot
