// A bootstrap replicate described by where its genotypes come from, rather
// than by copies of them: slot s of population p holds individual
// mhcsrc[p][s] (MHC) and micsrc[p][s] (MIC) of the data as read, and
// replicate locus l is locus rl[l] of the data.
#pragma once

#include <cstdint>

#include "data/dataset.h"
#include "data/limits.h"

namespace gstboot {

struct ReplicateIndex {
    std::int16_t mhcsrc[MAXPOP][MAXIND];
    std::int16_t micsrc[MAXPOP][MAXIND];
    std::int32_t rl[MAXLOCI];
};

// A replicate written out: genotypes of the layout of the data as read, and
// the presence table of the codes that occur in it.
struct Replicate {
    MhcArray rmhc;
    MicArray rmic;
    Presence present;
};

// The replicate that is the data as read: every slot its own individual,
// every locus itself.
void identityreplicate(const DataSet& ds, ReplicateIndex& rep);

// Writes out the replicate `index` describes: slot s of population p takes
// the copies of its source individual, replicate locus l its source locus;
// `present` marks exactly the codes that occur (MISSING never).
void materialize(const DataSet& ds, const ReplicateIndex& index, Replicate& rep);

}  // namespace gstboot
