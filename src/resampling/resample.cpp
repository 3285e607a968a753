#include "resampling/resample.h"

#include <memory>

namespace gstboot {

int drawindex(Random& rng, int n) {
    const double r = static_cast<double>(rng.rand());
    return static_cast<int>((r / 32767.0000000001) * static_cast<double>(n));
}

std::uint64_t drawcount(const DataSet& ds) {
    std::uint64_t n = 0;
    for (int p = 0; p < ds.npop; ++p) {
        if (ds.settings.bootmhc) n += static_cast<std::uint64_t>(ds.nmhc[p]);
        if (ds.settings.bootmic) n += static_cast<std::uint64_t>(ds.nmic[p]);
    }
    if (ds.settings.bootloci) n += static_cast<std::uint64_t>(ds.nloci);
    return n;
}

void drawreplicate(const DataSet& ds, ReplicateIndex& rep, Random& rng) {
    rep.shape(ds);
    const bool bootmhc = ds.settings.bootmhc;
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) rep.mhcsrc[p][s] = bootmhc ? drawindex(rng, ds.nmhc[p]) : s;
    }
    for (int l = 0; l < ds.nloci; ++l) {
        rep.rl[static_cast<std::size_t>(l)] = ds.settings.bootloci ? drawindex(rng, ds.nloci) : l;
    }
    const bool bootmic = ds.settings.bootmic;
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmic[p]; ++s) rep.micsrc[p][s] = bootmic ? drawindex(rng, ds.nmic[p]) : s;
    }
}

void resample(const DataSet& ds, Replicate& rep, Random& rng) {
    auto index = std::make_unique<ReplicateIndex>();
    drawreplicate(ds, *index, rng);
    materialize(ds, *index, rep);
}

}  // namespace gstboot
