// Per-pair summaries of a run in one flat record each, for the table and the
// figure: the observed estimates, the replicate means, summary points and
// finite counts, the comparison fraction before and after folding.
#pragma once

#include <vector>

#include "data/dataset.h"
#include "estimates/pairgst.h"

namespace gstboot {

// One data set's numbers for one pair.
struct SetSummary {
    double observed = 0.0;  // the scoring applied to the data as read
    double mean = 0.0;      // the report's running mean of the replicates
    double median = 0.0;    // sorted row positions MEDIAN, LOWER, UPPER
    double lower = 0.0;
    double upper = 0.0;
    int finite = 0;         // replicate estimates that are finite numbers
};

struct PairSummary {
    int pop1 = 0;  // counted from 0, pop1 < pop2
    int pop2 = 0;
    int nmhc1 = 0, nmhc2 = 0, nmic1 = 0, nmic2 = 0;
    SetSummary mhc;
    SetSummary mic;
    double frac = 0.0;  // fraction of replicates with MHC > MIC, unfolded
    double p = 0.0;     // the folded value the report prints
};

// The pairs in the report's order (i < j, i outer), filled from the tables
// as they are after the replicates and before report(): observed estimates,
// means, finite counts and the unfolded fraction. Summary points and p are
// left for takesorted().
std::vector<PairSummary> collectpairs(const DataSet& ds, const PairEstimates& observed,
                                      const ResultTables& tables);

// Takes median, lower, upper and p from the tables as report() leaves them:
// rows sorted, pval folded.
void takesorted(const ResultTables& tables, std::vector<PairSummary>& pairs);

// The observed estimates: the pair scoring applied to the data as read.
void scoreobserved(const DataSet& ds, PairEstimates& observed);

}  // namespace gstboot
