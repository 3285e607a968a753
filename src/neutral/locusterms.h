// The program's estimate of one locus of a pair, taken from allele counts
// and genotypes instead of copy by copy, with the same bits as gstnum and
// gstden (k = 2) summed over the alleles in ascending code order:
// - a frequency is a running sum of one reciprocal, so it depends only on
//   how many copies match: tables indexed by count give p(i) and P;
// - SSP needs only the frequencies;
// - a non-carrier adds 0.0 to SSW (its copies and x are all 0), so SSW is
//   continued over carriers only, copy by copy in their order;
// - SSI takes a term from every individual, in individual order: all
//   alleles side by side, one vector line per individual, each lane adding
//   its own terms in the plain order.
// The tests hold it to gstnum/gstden bit for bit.
#pragma once

#include <cstdint>
#include <vector>

namespace gstboot {

// One locus of a pair: alleles numbered 0..alleles-1 (at most 65536, in
// ascending code order), `copies` per individual, n[0] individuals of the first population
// and n[1] of the second, each population's copies individual by
// individual.
struct LocusGenotypes {
    int alleles = 0;
    int copies = 0;
    int n[2] = {0, 0};
    std::vector<std::uint16_t> copy[2];
};

// Scratch reused from call to call, so that a call allocates nothing once
// it has grown to the sizes in use.
struct LocusScratch {
    std::vector<int> count[2];
    std::vector<double> freq[2], total, ssi, ssw, idle, reciprocal[2], pooled, fraction;
    std::vector<int> mine;  // one individual's copies of each allele
    std::vector<long long> square[2];  // per allele: the sum over individuals of their copies squared
};

struct LocusSums {
    double num = 0.0;  // the sum of gstnum over alleles 0..alleles-1
    double den = 0.0;  // ... of gstden
};

// Needs n[0] + n[1] >= 1 and 1 <= copies <= MAXNAMEDCOPIES (64).
LocusSums locussums(const LocusGenotypes& g, LocusScratch& scratch);

// Where a locus's estimate G = num / den (of locussums()) lies against a
// value: below, equal or above it, or not finite.
enum class Comparison { below, equal, above, notfinite };

// G taken from counts alone: how many copies of each allele a population
// has and the sum over its individuals of their copies of it squared, all
// the estimate needs, with every sum of squares an exact integer. Not the
// bits of locussums(), but the same real number up to rounding; not a
// number when den is not clearly positive (below 1e-6, where only rounding
// would tell a locus without variation from one with a trace of it).
double countedratio(const LocusGenotypes& g, LocusScratch& scratch);

// How far countedratio() may lie from locussums()'s ratio before the two
// could order a value differently. Both are sums of rounded terms built
// from frequencies that are running sums of at most N w <= 4000 terms; a
// worst-case bound on their difference, with every error aligned, is about
// 1e-9 at the largest sizes (N w = 4000, 120 alleles), and the tests find
// it below 1e-12 over random loci up to those sizes.
constexpr double TALLYSLACK = 1e-6;

// The place of g's estimate against `value` (finite), the same as
// comparing locussums()'s num / den with it: countedratio() decides where
// it lies more than TALLYSLACK from `value`, locussums() elsewhere and
// wherever countedratio() is not a number. A locus that holds one allele
// has no variation (0 / 0) and is not finite, whatever rounding leaves of
// num and den.
Comparison compareestimate(const LocusGenotypes& g, double value, LocusScratch& scratch);

}  // namespace gstboot
