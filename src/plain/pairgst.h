// Scoring of every population pair of one replicate: the MHC and the MIC
// estimate, each a ratio of per-allele components summed over the alleles
// present, divided by one minus the pair's heterozygosity when the correction
// is on.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/dataset.h"
#include "model/pairtables.h"
#include "plain/components.h"

namespace gstboot {

// Scratch of the straightforward scoring: the two populations of a pair,
// copied into the layout of gstnum/gstden (gmic: one pair of blocks per
// locus), sized by the first scoring.
struct PairScratch {
    PopBlock gmhc[2];
    std::vector<std::array<PopBlock, 2>> gmic;
    std::int32_t ni[2] = {0, 0};
};

// The straightforward scoring: every pair, every allele marked 1 in
// `present`, through gstnum and gstden. `ds` gives the counts and switches;
// the genotypes come from `gm` and `gc` (a replicate, or the data as read).
// An estimate is not a number when its data set has no allele present, no
// locus, or no individual in either population of the pair.
void scorepairs(const DataSet& ds, const Presence& present, const MhcArray& gm, const MicArray& gc,
                PairScratch& scratch, PairEstimates& out);

// The heterozygosity correction of one pair, as the divisor (1 - sum).
double mhccorrection(const PopBlock* gmhc, const std::int32_t* ni, int mhccopies);
double miccorrection(const std::vector<std::array<PopBlock, 2>>& gmic, const std::int32_t* ni, int nloci);

}  // namespace gstboot
