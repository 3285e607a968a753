// A check for states that must not happen. It stays on in Release builds:
// a wrong result printed with confidence is worse than a stopped run.
#pragma once

#include <string>

#include "common/error.h"

namespace gstboot {

[[noreturn]] inline void internalfault(const char* file, int line, const char* what) {
    throw Error(ErrorKind::internal, std::string("gstboot: internal error at ") + file + ":" + std::to_string(line) +
                                         ": " + what + " (please report this)");
}

}  // namespace gstboot

#define GSTBOOT_CHECK(cond) \
    ((cond) ? static_cast<void>(0) : ::gstboot::internalfault(__FILE__, __LINE__, "check failed: " #cond))
