#include "system/memory.h"

#include <windows.h>

namespace gstboot {

MemoryLimit memorylimit() {
    MemoryLimit limit;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return limit;
    limit.bytes = status.ullTotalPhys;
    limit.what = "the physical memory";
    if (status.ullTotalVirtual < limit.bytes) {
        limit.bytes = status.ullTotalVirtual;
        limit.what = "the address space";
        limit.addressspace = true;
    }
    return limit;
}

}  // namespace gstboot
