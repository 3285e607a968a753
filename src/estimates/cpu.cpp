#include "estimates/cpu.h"

namespace gstboot {

Isa widestisa() {
#if !defined(GSTBOOT_DISPATCH)
    return Isa::baseline;
#else
    // The compiler's run-time check also asks the operating system whether
    // it saves the registers of the wider sets.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return Isa::avx512;
    if (__builtin_cpu_supports("avx2")) return Isa::avx2;
    return Isa::baseline;
#endif
}

}  // namespace gstboot
