// The replicate loop, the same for every scorer and every thread count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/dataset.h"
#include "driver/progress.h"
#include "driver/stopcheck.h"
#include "model/pairtables.h"
#include "plain/globalcounts.h"
#include "estimates/scorer.h"

namespace gstboot {

// Each replicate's measures over all populations (the study table's rows),
// taken beside its pairs from the same draws.
struct GlobalReplicates {
    const GlobalCounts* counts = nullptr;
    std::vector<GlobalValues> values;  // NREP, in replicate order
};

// Runs the NREP replicates drawn from the generator seeded with `seed` and
// stores every pair's estimates in replicate order. Prints the countdown
// (10 down to 1, "%5d", one field per hundred replicates, flushed at once)
// on `console`.
//
// Up to `threads` workers score replicates side by side: replicate r draws
// from the stream advanced by r times the values one replicate takes, so the
// results are the same bits for every thread count. Workers that cannot be
// started (no memory for their scratch, the system refuses a thread) are
// done without: the run goes on with those that did start, or in the calling
// thread, and one warning is added to `warnings`. An exception in a worker is
// rethrown here after every worker has been joined. `progress`, when given,
// is told how many replicates are done. `stop`, when given, is asked after
// each replicate of the calling thread and while it waits (see stopcheck.h).
// `globals`, when given, takes every replicate's measures over all
// populations in `values` (sized here), the same for every thread count.
void runreplicates(const DataSet& ds, const Scorer& scorer, std::uint32_t seed, int threads, ResultTables& tables,
                   std::FILE* console, std::vector<std::string>& warnings, Progress* progress = nullptr,
                   const StopCheck* stop = nullptr, GlobalReplicates* globals = nullptr);

}  // namespace gstboot
