// Scoring of every population pair of one replicate: the MHC and the MIC
// estimate, each a ratio of per-allele components summed over the alleles
// present, divided by one minus the pair's heterozygosity when the correction
// is on.
#pragma once

#include <cstdint>

#include "data/dataset.h"
#include "estimates/components.h"

namespace gstboot {

// Scratch of the straightforward scoring: the two populations of a pair,
// copied into the layout of gstnum/gstden.
struct PairScratch {
    PopBlock gmhc[2];
    PopBlock gmic[MAXLOCI][2];
    std::int32_t ni[MAXPOP];
};

// The two estimates of every pair [i][j], i < j < npop, of one replicate.
struct PairEstimates {
    double mhc[MAXPOP][MAXPOP];
    double mic[MAXPOP][MAXPOP];
};

// Every replicate estimate of a run, in replicate order. Rows [i][j] with
// i < j < npop are used.
struct ResultTables {
    double mhcGST[MAXPOP][MAXPOP][NREP];
    double micGST[MAXPOP][MAXPOP][NREP];
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
double miccorrection(const PopBlock (*gmic)[2], const std::int32_t* ni, int nloci);

// Stores replicate r's estimates in mhcGST/micGST[i][j][r].
void storeestimates(int npop, const PairEstimates& est, int r, ResultTables& tables);

}  // namespace gstboot
