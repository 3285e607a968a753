// The neutral test over every pair of a run, threaded by pair.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/progress.h"
#include "driver/stopcheck.h"
#include "model/dataset.h"
#include "output/summary.h"

namespace gstboot {

// Runs the test of every pair of `run` (in the summary's order) with
// `draws` draws per locus on up to `threads` workers, and stores each
// pair's T, p, loci and Benjamini-Hochberg q in its summary. Each pair's
// draws come from streams of its own, so the results are the same for
// every thread count. A worker that cannot be started is done without.
// `progress`, when given, is told how many pairs are done; `stop`, when
// given, is asked after each pair the calling thread tests (see stopcheck.h).
void runneutral(const DataSet& ds, std::uint32_t seed, int draws, int threads, RunSummary& run,
                Progress* progress = nullptr, const StopCheck* stop = nullptr);

}  // namespace gstboot
