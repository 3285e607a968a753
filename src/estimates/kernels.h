// The vector kernels of the scoring engine. Each lane of a vector is one
// independent running sum, and the operations of a lane are rounded IEEE
// double operations in the order a scalar loop would do them, so a result
// does not depend on the vector width. A set of kernels is built for each
// instruction set and one is chosen at run time (see isa.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "estimates/isa.h"

namespace gstboot {

// The engine's by-allele tables hold one row per dense allele of one lane
// per population, padded to whole groups of 8 lanes: [dense * pitch + p].
inline int lanepitch(int npop) { return (npop + 7) / 8 * 8; }

// One carrier of an allele: an individual whose copies match it, kept in
// slot order.
struct Carrier {
    std::uint8_t m;         // matching copies, 1..w
    std::uint64_t pattern;  // bit c set: copy c matches
};

// One allele in one population of one replicate.
struct AlleleStat {
    double p;     // population frequency
    double ssw0;  // SSW of its individuals alone, from 0.0 (dyadic rows only)
    std::int32_t count;  // matching copies
    std::int32_t first;  // first carrier in Work::carriers
    std::int32_t ncar;   // carriers
};

// The constants of eight pairs (i, j) of one data set, one lane each, as the
// per-allele functions form them from the two sample sizes.
struct PairLanes {
    alignas(64) double nk[8];
    alignas(64) double ncm1[8];
    alignas(64) double twf[8];
    alignas(64) double niw[8];
    alignas(64) double njw[8];
    const double* pall[8];  // running sums of 1/(N w), by matching copies
    int pitch;              // of the by-allele tables (see lanepitch)
};

// A run of dense allele indices [first, end).
struct Range {
    int first, end;
};

// The loci of one chunk for eight pairs (lane0 + l, j), l < lanes, scored
// with missing genotypes (every sample size is that of the typed
// individuals, at each locus its own).
struct ChunkPairs {
    int lanes;                   // partners in use, 1..8
    int lane0;                   // the first partner
    int j;                       // population j
    int nloci;                   // loci of the chunk
    const int* loci;             // [u]: the source locus
    const int* first;            // [u]: its first column
    const int* ncodes;           // [L]: codes of source locus L, its columns
    const std::int32_t* rank;    // [L]: where source locus L's terms go
    const std::int32_t* typedT;  // [u * pitch + p]: typed individuals of population p
    int pitch;                   // of the lane tables, [column * pitch + partner]
    const double* recip;         // recip[recipat[t] + c]: running sums of 1/t by matching copies
    const std::size_t* recipat;
    const double* zeros;         // the table of unused lanes
};

// One instruction set's kernels.
struct Kernels {
    // SSW continued over the carriers of one allele of one population: lane
    // l is s[l] followed by the SSW term of every copy of every carrier in
    // order (a[m] for a matching copy, b[m] for the others, m the carrier's
    // matches). `s` has room for `lanes` rounded up to a multiple of 8;
    // the lanes past `lanes` are clobbered.
    void (*continuelanesssw)(double* s, int lanes, const Carrier* car, int ncar, const double* a, const double* b,
                             int w);

    // Every one of `count` rows of sums, held `pitch` apart in accs,
    // continued over lines 0..n-1 of tm (`width` columns, a multiple of 8,
    // held `stride` apart): acc[d] + tm[0][d] + tm[1][d] + ..., each column
    // in line order.
    void (*addlines)(double* accs, int count, int pitch, const double* tm, int n, int width, int stride);

    // Numerator and denominator sums of the first `lanes` (1..8) of eight
    // pairs over the alleles dense[first..end) of each range, in the order
    // given; lane l reads column l of the [dense][c.pitch] tables at lane0. The
    // additions of each lane are those of the straightforward scoring, one
    // allele after another. `sj` gives population j's frequency and
    // matching copies by dense allele; the results go to numout[0..7] and
    // denout[0..7], of which lanes past `lanes` hold whatever was computed there.
    void (*ratiolanes)(const PairLanes& c, int lanes, const Range* ranges, int nranges, int lane0,
                       const double* ssiT, const double* sswT, const double* pT, const std::int32_t* cntT,
                       const AlleleStat* sj, double* numout, double* denout);

    // For every locus u of the chunk, num_l / F_l and den_l / F_l of each
    // lane's pair (see pairmissing.h) into table[rank[loci[u]] * 16 + lane]
    // and [... + 8 + lane], or +0.0 where the locus does not enter the
    // pair: the pair constants of the locus's typed sample sizes, then the
    // sums of ratiolanes over its columns. The tables are ratiolanes's.
    void (*chunkterms)(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,
                       const std::int32_t* cntT, const AlleleStat* sj, double* table);

    // The same loci without a missing genotype, for the estimate pooled
    // over every allele: each allele's two terms, the ones ratiolanes adds
    // to its numerator and denominator, into table[(rank[loci[u]] + d) * 16
    // + lane] and [... + 8 + lane] for the locus's d-th allele.
    void (*chunkalleles)(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,
                         const std::int32_t* cntT, const AlleleStat* sj, double* table);
};

// The kernels of an instruction set; the set must be one this build holds
// and the processor runs (as chosenisa() returns).
const Kernels& kernelsfor(Isa isa);

}  // namespace gstboot
