#include "model/pairtables.h"

namespace gstboot {

void ReplicateTable::assign(int npop) {
    npop_ = npop;
    cells_.assign(bytes(npop) / sizeof(double), 0.0);
}

std::size_t ReplicateTable::bytes(int npop) {
    const auto n = static_cast<std::size_t>(npop);
    return (n < 2 ? 0 : n * (n - 1) / 2) * NREP * sizeof(double);
}

void storeestimates(int npop, const PairEstimates& est, int r, ResultTables& t) {
    for (int i = 0; i + 1 < npop; ++i) {
        for (int j = i + 1; j < npop; ++j) {
            t.mhcGST[i][j][r] = est.mhc[i][j];
            t.micGST[i][j][r] = est.mic[i][j];
        }
    }
}

}  // namespace gstboot
