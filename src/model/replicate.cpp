#include "model/replicate.h"

#include <algorithm>

namespace gstboot {

void SlotTable::assign(const std::vector<std::int32_t>& sizes) {
    start_.assign(sizes.size() + 1, 0);
    for (std::size_t p = 0; p < sizes.size(); ++p) start_[p + 1] = start_[p] + static_cast<std::size_t>(sizes[p]);
    slots_.assign(start_.back(), 0);
}

bool SlotTable::shaped(const std::vector<std::int32_t>& sizes) const {
    if (start_.size() != sizes.size() + 1) return false;
    for (std::size_t p = 0; p < sizes.size(); ++p) {
        if (start_[p + 1] - start_[p] != static_cast<std::size_t>(sizes[p])) return false;
    }
    return true;
}

void ReplicateIndex::shape(const DataSet& ds) {
    if (!mhcsrc.shaped(ds.nmhc)) mhcsrc.assign(ds.nmhc);
    if (!micsrc.shaped(ds.nmic)) micsrc.assign(ds.nmic);
    rl.resize(static_cast<std::size_t>(ds.nloci));
}

void identityreplicate(const DataSet& ds, ReplicateIndex& rep) {
    rep.shape(ds);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) rep.mhcsrc[p][s] = s;
        for (int s = 0; s < ds.nmic[p]; ++s) rep.micsrc[p][s] = s;
    }
    for (int l = 0; l < ds.nloci; ++l) rep.rl[static_cast<std::size_t>(l)] = l;
}

void materialize(const DataSet& ds, const ReplicateIndex& index, Replicate& rep) {
    const int width = ds.mhcloci * ds.mhccopies;
    if (!rep.rmhc.shaped(ds.nmhc, width)) rep.rmhc.assign(ds.nmhc, width);
    if (!rep.rmic.shaped(ds.nmic, ds.nloci)) rep.rmic.assign(ds.nmic, ds.nloci);
    rep.present.assign(1 + ds.nloci, ds.present.widest());
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) {
            const int src = index.mhcsrc[p][s];
            for (int c = 0; c < width; ++c) {
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
                    const std::int32_t code = ds.mic[p][src][index.rl[static_cast<std::size_t>(l)]][a];
                    rep.rmic[p][s][l][a] = code;
                    if (code != MISSING) rep.present[1 + l][code] = 1;
                }
            }
        }
    }
}

}  // namespace gstboot
