#include "estimates/isa.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/error.h"
#include "estimates/cpu.h"

namespace gstboot {

namespace {

struct Named {
    const char* name;
    Isa isa;
};

// The values GSTBOOT_ISA accepts on this platform, widest first.
#if defined(__x86_64__)
constexpr Named ACCEPTED[] = {{"avx512", Isa::avx512}, {"avx2", Isa::avx2}, {"baseline", Isa::baseline}};
#elif defined(__aarch64__)
// NEON is aarch64's baseline: both names mean the one kernel set there is.
constexpr Named ACCEPTED[] = {{"neon", Isa::baseline}, {"baseline", Isa::baseline}};
#else
constexpr Named ACCEPTED[] = {{"baseline", Isa::baseline}};
#endif

}  // namespace

const char* isaname(Isa isa) {
    switch (isa) {
        case Isa::avx512: return "avx512";
        case Isa::avx2: return "avx2";
        case Isa::baseline: break;
    }
#if defined(__aarch64__)
    return "neon";
#else
    return "baseline";
#endif
}

Isa capisa(const char* value, Isa widest) {
    if (value == nullptr || *value == '\0') return widest;
    for (const Named& n : ACCEPTED) {
        if (std::strcmp(value, n.name) == 0) return n.isa < widest ? n.isa : widest;
    }
    std::string list;
    for (const Named& n : ACCEPTED) list += std::string(list.empty() ? "" : ", ") + n.name;
    throw Error(ErrorKind::usage, "gstboot: GSTBOOT_ISA is '" + std::string(value) + "', not one of " + list +
                                " (or empty for the widest the processor has)");
}

Isa chosenisa() { return capisa(std::getenv("GSTBOOT_ISA"), widestisa()); }

const char* kernelname() { return isaname(chosenisa()); }

}  // namespace gstboot
