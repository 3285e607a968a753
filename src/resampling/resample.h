// The bootstrap: one replicate of both data sets drawn from the data as read.
#pragma once

#include <cstdint>

#include "model/dataset.h"
#include "model/replicate.h"
#include "resampling/random.h"

namespace gstboot {

// A uniform index 0..n-1 (n >= 1) from exactly one generator value r:
// trunc((r / 32767.0000000001) * n). The divisor keeps r = 32767 below n.
int drawindex(Random& rng, int n);

// Draws the source indices of one replicate, the one place that fixes the
// draw order: MHC individuals drawn with replacement within their population
// when bootmhc is on, then the locus map when bootloci is on, then MIC
// individuals (all loci of an individual together) when bootmic is on; a
// part whose switch is off keeps its own order. Takes exactly drawcount(ds)
// values.
void drawreplicate(const DataSet& ds, ReplicateIndex& rep, Random& rng);

// drawreplicate() written out into `rep` (see materialize()).
void resample(const DataSet& ds, Replicate& rep, Random& rng);

// Generator values one replicate takes.
std::uint64_t drawcount(const DataSet& ds);

}  // namespace gstboot
