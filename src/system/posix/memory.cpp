#include "system/memory.h"

#include <sys/resource.h>
#include <unistd.h>

namespace gstboot {

MemoryLimit memorylimit() {
    MemoryLimit limit;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pagesize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pagesize > 0) {
        limit.bytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pagesize);
        limit.what = "the physical memory";
    }
    struct rlimit as {};
    if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
        const auto bytes = static_cast<std::uint64_t>(as.rlim_cur);
        if (limit.bytes == 0 || bytes < limit.bytes) {
            limit.bytes = bytes;
            limit.what = "the address-space limit (ulimit -v)";
            limit.addressspace = true;
        }
    }
    return limit;
}

}  // namespace gstboot
