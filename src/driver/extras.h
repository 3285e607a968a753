// What a run adds beside the report: the observed estimates, the warnings
// that explain odd values, the --table file and the --plot figure. None of
// it changes standard output or the report file.
//
// run() calls collectextras() after the replicates and before report(),
// while the rows are unsorted and pval unfolded, and writeextras() after.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "data/dataset.h"
#include "driver/options.h"
#include "driver/summary.h"
#include "estimates/pairgst.h"

namespace gstboot {

struct Extras {
    std::vector<PairSummary> pairs;
};

// Scores the data as read, collects what report() would overwrite, and prints
// the estimate warnings on `err`, one line each.
Extras collectextras(const Options& options, const DataSet& ds, const ResultTables& tables, std::FILE* err);

class OutputFile;

// Completes the summaries from the sorted, folded tables and writes the
// table and the figure into the files given (null: not asked for). The
// caller commits them; a write failure shows there.
void writeextras(std::uint32_t seed, const ResultTables& tables, Extras& extras, OutputFile* table,
                 OutputFile* plot);

}  // namespace gstboot
