// How much memory a run may count on, so that a study too large for it is
// refused before its tables are allocated rather than failing halfway.
#pragma once

#include <cstdint>

namespace gstboot {

// What bounds the memory of this process.
struct MemoryLimit {
    std::uint64_t bytes = 0;  // the smaller of the bounds below; 0: none known
    const char* what = "";    // which one: "the address-space limit (ulimit -v)" or "the physical memory"
    // Whether it bounds address space rather than memory in use: then what
    // is reserved counts too (thread stacks, the allocator's arenas).
    bool addressspace = false;
};

MemoryLimit memorylimit();

}  // namespace gstboot
