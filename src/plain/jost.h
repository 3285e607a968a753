// Jost's D and Hedrick's G''st of a group of populations, on the data as
// read: differentiation measures that, unlike Gst, do not fall with the
// diversity within populations, asked of a locus as polymorphic as the MHC.
//
// Per locus over the k populations of the group, each with n_p >= 1 typed
// individuals of w copies, p_pa its frequency of allele a, Ñ the harmonic
// mean of the n_p:
//   Hs = mean over p of (1 - sum_a p_pa^2); Ht = 1 - sum_a pbar_a^2, pbar_a
//   the mean of the p_pa; Hs' = w Ñ / (w Ñ - 1) Hs; Ht' = Ht + Hs' / (w Ñ k);
//   D = (Ht' - Hs') / (1 - Hs') k / (k - 1);
//   G''st = k (Ht' - Hs') / ((k Ht' - Hs') (1 - Hs')).
// Over several loci the same formulas take the means of Hs' and Ht' over the
// loci typed in every population of the group. Not a number where a
// denominator is 0 (one individual of one copy, no variation) or no locus
// enters.
#pragma once

#include <limits>
#include <vector>

#include "model/dataset.h"
#include "model/markerset.h"

namespace gstboot {

struct JostMeasures {
    double d = std::numeric_limits<double>::quiet_NaN();
    double gppst = std::numeric_limits<double>::quiet_NaN();
};

// The allele counts of one data set, taken once and shared by every group
// of populations: per locus (each MHC locus of its copies) and
// population, the copies of each allele code and the typed copies.
struct SetCounts {
    int w = 0;  // copies per individual
    std::vector<std::vector<std::vector<long>>> count;  // [locus][population][code]
    std::vector<std::vector<long>> typed;               // [locus][population]
};

// Each locus's allele counts and typed copies in each population.
SetCounts setcounts(const MarkerSet& set);

// Hs' and Ht' summed over the loci that enter, for their means: the steps
// jost() takes, shared with the replicates' measures (plain/globalcounts.h).
struct JostTerms {
    double hs = 0.0, ht = 0.0;
    int loci = 0;
};

// Adds a locus typed in each of k >= 2 populations of w copies: hs the mean
// over them of 1 - sum p^2, ht = 1 - sum pbar^2, inverse the sum over them
// of 1 / (typed copies / w).
void addjostlocus(JostTerms& terms, double hs, double ht, double inverse, double k, double w);

// D and G''st of the loci summed in `terms` over k populations.
JostMeasures jostmeasures(const JostTerms& terms, std::size_t k);

// D and G''st of the data set of `counts` over populations `pops`.
JostMeasures jost(const SetCounts& counts, const std::vector<int>& pops);

// The same from the data set directly: the MHC loci (of their copies), and
// the MIC loci, over populations `pops`.
JostMeasures mhcjost(const DataSet& ds, const std::vector<int>& pops);
JostMeasures micjost(const DataSet& ds, const std::vector<int>& pops);

}  // namespace gstboot
