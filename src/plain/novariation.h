// Pairs with no variation to split. When a population of the pair has no
// individual in a data set, or every copy of both populations is one allele
// (at every locus: over all copies of the MHC, over the typed genotypes of
// the MIC), the
// variance components are zero in exact arithmetic and the sums the scoring
// forms are rounding residue (or, with one population empty, reduce to a
// constant ratio). Such an estimate is no estimate: it is the not-a-number a
// run-time 0/0 gives, whatever the sums are. Pairs in which only some loci
// have a single allele are unchanged: those loci add residue to real sums.
#pragma once

#include <cstdint>
#include <vector>

#include "model/dataset.h"
#include "model/replicate.h"
#include "model/pairtables.h"

namespace gstboot {

// The single allele of one population (at one locus) in one replicate.
constexpr std::int32_t NOCOPY = -1;  // no individual (typed there)
constexpr std::int32_t SEVERAL = -2; // more than one allele

struct NoVariation {
    std::vector<std::int32_t> mhc;  // [p * mhcloci + k]
    std::size_t mhcloci = 1;
    std::vector<std::int32_t> mic;  // [p * nloci + l], unless varies[p]
    std::size_t nloci = 0;
    // [p]: the population holds several alleles at some MIC locus (so
    // every pair with it has variation); its mic row may then be partial.
    std::vector<std::uint8_t> varies;
    // Scratch of take(): each source locus's allele, the source loci the
    // replicate draws (in their order), and those still open.
    std::vector<std::int32_t> bysource;
    std::vector<std::int32_t> sources;
    std::vector<std::int32_t> open;
    std::vector<std::uint8_t> drawn;  // [i]: the replicate draws individual i

    // Notes each population's single allele in the replicate `rep`.
    // `asread`, when given, was taken of `ds` as read (identityreplicate):
    // a population that holds one allele of a locus, or none, there holds
    // it in every replicate wherever a drawn individual is typed, so such
    // loci are not read again.
    void take(const DataSet& ds, const ReplicateIndex& rep, const NoVariation* asread = nullptr);

    // Whether pair (i, j) has nothing to split in the replicate taken.
    bool mhcflat(const DataSet& ds, int i, int j) const;
    bool micflat(const DataSet& ds, int i, int j) const;

    // Replaces the estimates of the pairs without variation in `out`.
    void apply(const DataSet& ds, PairEstimates& out) const;
};

// The not-a-number of a run-time 0.0 / 0.0 (its sign is the platform's: on
// x86-64 it prints as "-nan").
double undefinedestimate();

}  // namespace gstboot
