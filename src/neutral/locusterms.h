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

// One locus of a pair: alleles numbered 0..alleles-1 (in ascending code
// order), `copies` per individual, n[0] individuals of the first population
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
    std::vector<int> carriers[2];  // [allele * (copies + 1) + m]: individuals with m copies
};

struct LocusSums {
    double num = 0.0;  // the sum of gstnum over alleles 0..alleles-1
    double den = 0.0;  // ... of gstden
};

// Needs n[0] + n[1] >= 1 and 1 <= copies <= 10.
LocusSums locussums(const LocusGenotypes& g, LocusScratch& scratch);

// Where a locus's estimate G = num / den (of locussums()) lies against a
// value: below, equal or above it, or not finite.
enum class Comparison { below, equal, above, notfinite };

// The place of g's estimate against `value` (finite), the same as
// comparing locussums()'s num / den with it, found mostly without
// locussums(): the estimate is first taken from counts alone (how many
// copies of each allele a population has, how many of its individuals
// carry it m times), in an order of its own. That value and locussums()'s
// both lie within TALLYSLACK of the exact real ratio: den sums
// non-negative terms, |num| is at most 3 den (nc - 1 >= 1/3 for N >= 3),
// and each of the two is a sum of at most 2 (n_0 + n_1) w + 4 k + 20
// rounded operations on terms bounded by its total, so each ratio is off
// by less than 12 (4000 + 1404 + 20) 2^-53 < 1e-11 for the largest data
// sets. Where the counted value lies within TALLYSLACK of `value`, or den
// is not clearly positive, locussums() decides.
constexpr double TALLYSLACK = 1e-9;
Comparison compareestimate(const LocusGenotypes& g, double value, LocusScratch& scratch);

}  // namespace gstboot
