// The one step from a run's estimates to its summary.
#pragma once

#include <cstdint>
#include <string>

#include "driver/replicates.h"
#include "model/dataset.h"
#include "model/pairtables.h"
#include "output/summary.h"

namespace gstboot {

// Everything any output shows, per pair in the report's order: sample sizes,
// observed estimates, the means (value / 1000.0 added in replicate order),
// the comparison fraction (0.001 added per replicate whose MHC estimate is
// strictly greater) and its fold, the summary points of sorted copies of
// the rows (the tables are not changed), the finite counts, and the facts
// the warnings are judged on. With `globals` (the replicates' measures over
// all populations), also those measures and their intervals.
RunSummary summarizerun(const DataSet& ds, const ResultTables& tables, const PairEstimates& observed,
                        std::uint32_t seed, const std::string& mhcfile, const std::string& micfile,
                        const GlobalReplicates* globals = nullptr);

}  // namespace gstboot
