// The replicate loop and the whole run.
#pragma once

#include <cstdint>
#include <cstdio>

#include "data/dataset.h"
#include "estimates/pairgst.h"

namespace gstboot {

struct Options;

// Runs the NREP replicates drawn from the generator seeded with `seed`,
// stores every pair's estimates and leaves the means and pval summed in
// replicate order. Prints the countdown (10 down to 1, "%5d", one field per
// hundred replicates, flushed at once) on `console`.
//
// threads >= 1 workers score replicates side by side: replicate r draws from
// the stream advanced by r times the values one replicate takes, so the
// results are the same bits for every thread count. `reference` scores with
// the straightforward implementation, in one thread.
void runreplicates(const DataSet& ds, std::uint32_t seed, int threads, bool reference, ResultTables& tables,
                   std::FILE* console);

// A whole run with the given options: read, seed, replicates, report. Returns
// the exit status; throws Error on a failure.
int run(const Options& options);

}  // namespace gstboot
