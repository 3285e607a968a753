#include "resampling/resample.h"

#include <cstring>

namespace gstboot {

int drawindex(Random& rng, int n) {
    const double r = static_cast<double>(rng.rand());
    return static_cast<int>((r / 32767.0000000001) * static_cast<double>(n));
}

std::uint64_t drawcount(const DataSet& ds) {
    std::uint64_t n = 0;
    for (int p = 0; p < ds.npop; ++p) {
        if (switchon(ds.bootmhc)) n += static_cast<std::uint64_t>(ds.nmhc[p]);
        if (switchon(ds.bootmic)) n += static_cast<std::uint64_t>(ds.nmic[p]);
    }
    if (switchon(ds.bootloci)) n += static_cast<std::uint64_t>(ds.nloci);
    return n;
}

void resample(const DataSet& ds, Replicate& rep, Random& rng) {
    std::memset(rep.present, 0, sizeof rep.present);
    const bool bootmhc = switchon(ds.bootmhc);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) {
            const int src = bootmhc ? drawindex(rng, ds.nmhc[p]) : s;
            for (int c = 0; c < ds.mhccopies; ++c) {
                const std::int32_t code = ds.mhc[p][src][c];
                rep.rmhc[p][s][c] = code;
                rep.present[0][code] = 1;
            }
        }
    }
    int rl[MAXLOCI];
    for (int l = 0; l < ds.nloci; ++l) rl[l] = switchon(ds.bootloci) ? drawindex(rng, ds.nloci) : l;
    const bool bootmic = switchon(ds.bootmic);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmic[p]; ++s) {
            const int src = bootmic ? drawindex(rng, ds.nmic[p]) : s;
            for (int l = 0; l < ds.nloci; ++l) {
                for (int a = 0; a < 2; ++a) {
                    const std::int32_t code = ds.mic[p][src][rl[l]][a];
                    rep.rmic[p][s][l][a] = code;
                    if (code != MISSING) rep.present[1 + l][code] = 1;
                }
            }
        }
    }
}

void drawreplicate(const DataSet& ds, ReplicateIndex& rep, Random& rng) {
    const bool bootmhc = switchon(ds.bootmhc);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s) {
            rep.mhcsrc[p][s] = static_cast<std::int16_t>(bootmhc ? drawindex(rng, ds.nmhc[p]) : s);
        }
    }
    for (int l = 0; l < ds.nloci; ++l) rep.rl[l] = switchon(ds.bootloci) ? drawindex(rng, ds.nloci) : l;
    const bool bootmic = switchon(ds.bootmic);
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmic[p]; ++s) {
            rep.micsrc[p][s] = static_cast<std::int16_t>(bootmic ? drawindex(rng, ds.nmic[p]) : s);
        }
    }
}

}  // namespace gstboot
