// Vector kernels of the missing-genotype MIC scorer. Each lane of a vector
// is one independent running sum or one pair, and its operations are the
// rounded IEEE double operations a scalar loop would do, in that order, so
// no result depends on the vector width chosen at run time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "estimates/isa.h"

namespace gstboot {
namespace missinglanes {

// One allele at one locus in one population of one replicate, over the
// individuals typed there.
struct AlleleStat {
    double p;            // frequency among the typed copies
    double ssw0;         // SSW of its individuals alone (exact: a multiple of 1/4)
    std::int32_t count;  // matching copies
    std::int32_t ncar;   // typed individuals carrying it (with their draws)
};

// The loci of one chunk for eight pairs (lane0 + l, j), l = 0..lanes-1.
struct ChunkPairs {
    int lanes;                    // partners in use, 1..8
    int lane0;                    // the first partner
    int j;                        // population j
    int nloci;                    // loci of the chunk
    const int* loci;              // [u]: the source locus (where its terms go)
    const int* first;             // [u]: its first column; its columns run to first + ncodes
    const int* ncodes;            // [L]: codes of source locus L
    const std::int32_t* typedT;   // [u * pitch + p]: typed individuals of population p
    int pitch;                    // of the lane tables, [column * pitch + partner]
    const double* recip;          // recip[recipat[t] + c]: running sums of 1/t by matching copies
    const std::size_t* recipat;
    const double* zeros;          // the table of unused lanes
    const std::int32_t* rank;     // [L]: where source locus L's terms go
};

// The vector kernels, one set per instruction set; each lane does the
// rounded operations of a scalar loop in its order, so every set gives the
// same bits.
struct Kernels {
    // The engine's line sums (see kernels.h: every one of `rows` rows of
    // sums, `pitch` apart, continued over lines 0..n-1, `width` columns held
    // `stride` apart, each column in line order).
    void (*addlines)(double* accs, int rows, int pitch, const double* lines, int n, int width, int stride);
    // For every locus u of the chunk, num_l / F_l and den_l / F_l of each
    // lane's pair into table[rank[loci[u]] * 16 + lane] and [... + 8 + lane], or
    // +0.0 where the locus does not enter the pair. The lane tables give the
    // partners' pair SSI (ssiT), own SSW (ssw0T), frequency (pT) and
    // matching copies (cntT) by column; `sj` population j's statistics.
    void (*chunkterms)(const ChunkPairs& c, const double* ssiT, const double* ssw0T, const double* pT,
                       const std::int32_t* cntT, const AlleleStat* sj, double* table);
};

// The kernels compiled for `isa` (the widest this build has at or below it).
Kernels kernelsfor(Isa isa);

}  // namespace missinglanes
}  // namespace gstboot
