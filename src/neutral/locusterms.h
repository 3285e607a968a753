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
};

struct LocusSums {
    double num = 0.0;  // the sum of gstnum over alleles 0..alleles-1
    double den = 0.0;  // ... of gstden
};

// Needs n[0] + n[1] >= 1 and 1 <= copies <= 10.
LocusSums locussums(const LocusGenotypes& g, LocusScratch& scratch);

}  // namespace gstboot
