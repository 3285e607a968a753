// The replicate loop and the whole run.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "data/dataset.h"
#include "estimates/pairgst.h"
#include "resampling/resample.h"

namespace gstboot {

struct Options;

// Working storage of a run, allocated once before the first replicate.
struct Workspace {
    Replicate rep;
    PairScratch scratch;
    PairEstimates est;
};

// Runs the NREP replicates: the countdown (10 down to 1, "%5d", one field per
// hundred replicates, flushed at once), resampling, scoring, accumulating.
// `rng` must be seeded; `tables` is cleared here.
void runreplicates(const DataSet& ds, Random& rng, Workspace& work, ResultTables& tables, std::FILE* console);

// A whole run with the given options: read, seed, replicates, report. Returns
// the exit status; throws Error on a failure.
int run(const Options& options);

}  // namespace gstboot
