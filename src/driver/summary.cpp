#include "driver/summary.h"

#include <cmath>
#include <memory>

#include "driver/report.h"
#include "estimates/engine.h"

namespace gstboot {

namespace {

int countfinite(const double* row) {
    int n = 0;
    for (int r = 0; r < NREP; ++r) {
        if (std::isfinite(row[r])) ++n;
    }
    return n;
}

}  // namespace

void scoreobserved(const DataSet& ds, PairEstimates& observed) {
    const Engine engine(ds);
    auto work = engine.makework();
    auto rep = std::make_unique<ReplicateIndex>();
    engine.identity(*rep);
    engine.score(*rep, *work, observed);
}

std::vector<PairSummary> collectpairs(const DataSet& ds, const PairEstimates& observed,
                                      const ResultTables& t) {
    std::vector<PairSummary> pairs;
    for (int i = 0; i + 1 < ds.npop; ++i) {
        for (int j = i + 1; j < ds.npop; ++j) {
            PairSummary s;
            s.pop1 = i;
            s.pop2 = j;
            s.nmhc1 = ds.nmhc[i];
            s.nmhc2 = ds.nmhc[j];
            s.nmic1 = ds.nmic[i];
            s.nmic2 = ds.nmic[j];
            s.mhc.observed = observed.mhc[i][j];
            s.mic.observed = observed.mic[i][j];
            s.mhc.mean = t.meanmhc[i][j];
            s.mic.mean = t.meanmic[i][j];
            s.mhc.finite = countfinite(t.mhcGST[i][j]);
            s.mic.finite = countfinite(t.micGST[i][j]);
            s.frac = t.pval[i][j];
            pairs.push_back(s);
        }
    }
    return pairs;
}

void takesorted(const ResultTables& t, std::vector<PairSummary>& pairs) {
    for (PairSummary& s : pairs) {
        const double* mhc = t.mhcGST[s.pop1][s.pop2];
        const double* mic = t.micGST[s.pop1][s.pop2];
        s.mhc.median = mhc[MEDIAN];
        s.mhc.lower = mhc[LOWER];
        s.mhc.upper = mhc[UPPER];
        s.mic.median = mic[MEDIAN];
        s.mic.lower = mic[LOWER];
        s.mic.upper = mic[UPPER];
        s.p = t.pval[s.pop1][s.pop2];
    }
}

}  // namespace gstboot
