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
// data set instead of one per pair, and a cause that holds for more than
// GROUPAFTER pairs is one warning that counts them and names the first few.
#pragma once

#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// More pairs than this with one cause in one data set share one line.
constexpr int GROUPAFTER = 3;
// A shared line names this many pairs, then how many more.
constexpr int GROUPNAMES = 5;

// The warnings, each one line without its line end, starting with the data
// set's file name, as the reader's do.
std::vector<std::string> estimatewarnings(const RunSummary& run);

}  // namespace gstboot
