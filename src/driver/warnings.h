// Warnings that explain odd values of a run. They go to standard error and
// never change a result.
//
// Each pair and data set gets at most one warning, the first that applies:
//   1. the heterozygosity correction divides by zero or a rounding residue
//      (correction on, every individual of the pair heterozygous);
//   2. the estimate cannot be a number for structural reasons (an empty
//      population, one individual each so N - k = 0, or no variation at all
//      in the pair);
//   3. some replicate estimates are not finite.
// 1 and 2 are judged on the data as read: sample sizes and the set of
// genotypes a replicate can draw from do not change, so what holds there
// holds for every replicate. 3 is judged on the replicates themselves, since
// a polymorphic pair can still draw a replicate without variation. A cause
// shared by every pair (no locus, no allele present) is one warning for the
// data set instead of one per pair.
#pragma once

#include <string>
#include <vector>

#include "data/dataset.h"
#include "data/reader.h"
#include "estimates/pairgst.h"

namespace gstboot {

// The warnings, each one line without its line end, starting with the data
// set's file name, as the reader's do. `observed` holds the scoring of the
// data as read; `tables` the replicate estimates of every pair (any order).
std::vector<std::string> estimatewarnings(const DataSet& ds, const InputPaths& paths,
                                          const PairEstimates& observed, const ResultTables& tables);

}  // namespace gstboot
