// Each locus over all populations, on the data as read: the program's
// estimator over k populations and the mean expected heterozygosity, so a
// reader sees where the MHC sits among the neutral loci.
#pragma once

#include <limits>
#include <vector>

#include "model/dataset.h"

namespace gstboot {

struct LocusGlobal {
    double gst = std::numeric_limits<double>::quiet_NaN();  // sum of gstnum over sum of gstden
    double he = std::numeric_limits<double>::quiet_NaN();   // mean over populations of N/(N-1) (1 - sum p^2)
    int pops = 0;  // the populations typed there
};

// Each MHC locus (of its copies) first, then each MIC locus: gstnum and
// gstden over the populations with a typed individual there (their typed
// individuals only), summed over the locus's alleles in ascending code
// order; no heterozygosity correction. Not a number with fewer than two
// populations typed.
std::vector<LocusGlobal> locusglobals(const DataSet& ds);

}  // namespace gstboot
