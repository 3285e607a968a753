// Vector kernels of the missing-genotype MIC scorer. Each lane of a vector
// is one independent running sum or one pair, and its operations are the
// rounded IEEE double operations a scalar loop would do, in that order, so
// no result depends on the vector width chosen at run time.
#pragma once

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

// One locus of eight pairs (lane0 + l, j), l = 0..7.
struct LocusPairs {
    std::int32_t ni[8];          // typed individuals of each partner; 0 in unused lanes
    std::int32_t nj;             // typed individuals of population j
    const double* pall[8];       // running sums of 1 / (2 N) by matching copies
    int first, end;              // the locus's dense alleles
    int pitch;                   // of the lane tables, [dense * pitch + partner]
};

// The vector kernels, one set per instruction set; each lane does the
// rounded operations of a scalar loop in its order, so every set gives the
// same bits.
struct Kernels {
    // The engine's line sums (see kernels.h: every one of `rows` rows of
    // sums, `pitch` apart, continued over lines 0..n-1, `width` columns held
    // `stride` apart, each column in line order).
    void (*addlines)(double* accs, int rows, int pitch, const double* lines, int n, int width, int stride);
    // qnum[l] = num_l / F_l and qden[l] = den_l / F_l of each lane's pair at
    // the locus, or +0.0 where the locus does not enter the pair. The lane
    // tables give the partners' pair SSI (ssiT), own SSW (ssw0T), frequency
    // (pT) and matching copies (cntT) by dense allele; `sj` population j's
    // statistics.
    void (*locusterms)(const LocusPairs& c, int lane0, const double* ssiT, const double* ssw0T, const double* pT,
                       const std::int32_t* cntT, const AlleleStat* sj, double* qnum, double* qden);
};

// The kernels compiled for `isa` (the widest this build has at or below it).
Kernels kernelsfor(Isa isa);

}  // namespace missinglanes
}  // namespace gstboot
