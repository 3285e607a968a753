// The study's results as a tidy table (--study): one row per result, the
// same columns for every kind, empty where a column does not apply.
#pragma once

#include <string>

#include "output/summary.h"

namespace gstboot {

// Header "result\tset\tlocus\tpopulation\tvalue\tlower\tupper\tp\tq\tn", then
// - gst: sets mhc and mic, locus all, over all populations, lower and upper
//   the bias-corrected interval, n the populations typed (only when
//   run.globals: they were measured);
// - jost_d and gpp_st: sets mhc and mic, locus all, over all populations,
//   lower and upper as gst's (empty without run.globals);
// - gst and he of each locus (the MHC, then the MIC loci) over all
//   populations on the data as read, n the populations typed there;
// - neutral_locus: set mhc, the MHC locus, value T, p, n the MIC loci;
// - neutral_population: set mhc, the MHC locus, the population (its name, or
//   its number from 1), value T, p, q over the populations, n the pairs
//   that hold it.
// Values as the per-pair table writes them (NaN where not a number). With
// the neutral test off, the neutral rows are left out.
std::string studytext(const RunSummary& run);

}  // namespace gstboot
