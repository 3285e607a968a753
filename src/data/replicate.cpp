#include "data/replicate.h"

#include <cstring>

namespace gstboot {

void identityreplicate(const DataSet& ds, ReplicateIndex& rep) {
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) rep.mhcsrc[p][s] = static_cast<std::int16_t>(s);
        for (int s = 0; s < ds.nmic[p]; ++s) rep.micsrc[p][s] = static_cast<std::int16_t>(s);
    }
    for (int l = 0; l < ds.nloci; ++l) rep.rl[l] = l;
}

void materialize(const DataSet& ds, const ReplicateIndex& index, Replicate& rep) {
    std::memset(rep.present, 0, sizeof rep.present);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) {
            const int src = index.mhcsrc[p][s];
            for (int c = 0; c < ds.mhccopies; ++c) {
                const std::int32_t code = ds.mhc[p][src][c];
                rep.rmhc[p][s][c] = code;
                rep.present[0][code] = 1;
            }
        }
    }
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmic[p]; ++s) {
            const int src = index.micsrc[p][s];
            for (int l = 0; l < ds.nloci; ++l) {
                for (int a = 0; a < 2; ++a) {
                    const std::int32_t code = ds.mic[p][src][index.rl[l]][a];
                    rep.rmic[p][s][l][a] = code;
                    if (code != MISSING) rep.present[1 + l][code] = 1;
                }
            }
        }
    }
}

}  // namespace gstboot
