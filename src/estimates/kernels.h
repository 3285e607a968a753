// The vector kernels of the scoring engine. Each lane of a vector is one
// independent running sum, and the operations of a lane are rounded IEEE
// double operations in the order a scalar loop would do them, so a result
// does not depend on the vector width. Several widths are built and the
// widest the processor has is chosen at run time.
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace gstboot {

// Partners of a population, padded to whole vectors of 8 lanes: the row
// length of the engine's by-allele tables, [dense allele * LP + partner].
constexpr int LP = (MAXPOP + 7) / 8 * 8;

typedef double v8d __attribute__((vector_size(64)));

// One carrier of an allele: an individual whose copies match it, kept in
// slot order.
struct Carrier {
    std::uint8_t m;         // matching copies, 1..w
    std::uint16_t pattern;  // bit c set: copy c matches
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
    v8d nk, ncm1, twf, niw, njw;
    const double* pall[8];  // running sums of 1/(N w), by matching copies
};

// A run of dense allele indices [first, end).
struct Range {
    int first, end;
};

// SSW continued over the carriers of one allele of one population: lane l
// is s[l] followed by the SSW term of every copy of every carrier in order
// (a[m] for a matching copy, b[m] for the others, m the carrier's matches).
// `s` holds `lanes` sums and room for up to 3 more, which are clobbered.
void continuelanesssw(double* s, int lanes, const Carrier* car, int ncar, const double* a, const double* b, int w);

// Every one of `count` rows of sums, held `pitch` apart in accs, continued
// over lines 0..n-1 of tm (`width` columns, a multiple of 8, held `stride`
// apart): acc[d] + tm[0][d] + tm[1][d] + ..., each column in line order.
void addlines(double* accs, int count, int pitch, const double* tm, int n, int width, int stride);

// Numerator and denominator sums of eight pairs over the alleles
// dense[first..end) of each range, in the order given; lane l reads column
// l of the [dense][LP] tables at lane0. The additions of each lane are
// those of the straightforward scoring, one allele after another.
// `sj` gives population j's frequency and matching copies by dense allele;
// the results go to numout[0..7] and denout[0..7].
void ratiolanes(const PairLanes& c, const Range* ranges, int nranges, int lane0, const double* ssiT,
                const double* sswT, const double* pT, const std::int32_t* cntT, const AlleleStat* sj, double* numout,
                double* denout);

}  // namespace gstboot
