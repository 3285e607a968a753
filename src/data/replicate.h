// A bootstrap replicate described by where its genotypes come from, rather
// than by copies of them: slot s of population p holds individual
// mhcsrc[p][s] (MHC) and micsrc[p][s] (MIC) of the data as read, and
// replicate locus l is locus rl[l] of the data.
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace gstboot {

struct ReplicateIndex {
    std::int16_t mhcsrc[MAXPOP][MAXIND];
    std::int16_t micsrc[MAXPOP][MAXIND];
    std::int32_t rl[MAXLOCI];
};

}  // namespace gstboot
