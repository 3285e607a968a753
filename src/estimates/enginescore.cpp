#include "estimates/engineimpl.h"

#include <algorithm>

#include "plain/components.h"

namespace gstboot {

void Engine::Impl::pairlanes(int j, int lane0, PairLanes& c) const {
    const int width = ds.mhccopies;
    const std::int32_t* sizes = ds.nmhc.data();
    c.pitch = lp;
    for (int l = 0; l < 8; ++l) {
        const int i = lane0 + l;
        c.nk[l] = c.ncm1[l] = c.twf[l] = c.niw[l] = c.njw[l] = 0.0;
        c.pall[l] = zeros.data();
        if (i >= j) continue;
        const int ni = sizes[i], nj = sizes[j];
        const int n = ni + nj;
        if (n == 0) continue;  // scored apart
        const double nd = static_cast<double>(n);
        const double nc = nd - static_cast<double>(ni * ni + nj * nj) / nd;
        c.nk[l] = static_cast<double>(n - 2);
        c.ncm1[l] = nc - 1.0;
        c.twf[l] = (nc * c.nk[l]) / nd;
        c.niw[l] = static_cast<double>(ni * width);
        c.njw[l] = static_cast<double>(nj * width);
        c.pall[l] = sums.of(n * width);
    }
}

namespace {

// A pair with no individual on either side: the denominator is not a number
// whenever an allele is scored; take it from the components themselves.
double emptypair(const std::vector<int>& codes, int width) {
    const PopBlock none[2];
    const std::int32_t zero[2] = {0, 0};
    double num = 0.0;
    double den = 0.0;
    for (int code : codes) {
        num = num + gstnum(2, zero, width, code, none);
        den = den + gstden(2, zero, width, code, none);
    }
    return num / den;
}

}  // namespace

void Engine::score(const ReplicateIndex& rep, Work& work, PairTable& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    const int w = ds.mhccopies;
    if (out.npop() != ds.npop) out.assign(ds.npop);
    const bool corr = ds.settings.corrflag;
    const Range all{0, e.ndense};
    for (int j = 0; j < ds.npop; ++j) {
        // Population j's statistics are formed just before its lines need
        // them, while its genotypes are still in the cache.
        e.preparepop(j, rep, work);
        e.continuessi(j, rep, work);
        e.continuessw(j, work);
        if (j == 0) continue;
        const AlleleStat* sj = &work.stats[static_cast<std::size_t>(j * e.ndense)];
        for (int lane0 = 0; lane0 < j; lane0 += 8) {
            PairLanes c;
            double num[8], den[8];
            const int lanes = std::min(8, j - lane0);
            e.pairlanes(j, lane0, c);
            e.kern.ratiolanes(c, lanes, &all, 1, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(),
                              work.cntT.data(), sj, num, den);
            for (int l = 0; l < lanes; ++l) {
                const int i = lane0 + l;
                const int mi = ds.nmhc[i], mj = ds.nmhc[j];
                double mhc = mi + mj == 0 ? emptypair(e.codes, w) : num[l] / den[l];
                if (corr) {
                    const double het = e.sums.of(mi + mj)[work.mhchets[static_cast<std::size_t>(i)] + work.mhchets[static_cast<std::size_t>(j)]];
                    mhc = mhc / (1.0 - het);
                }
                out[i][j] = mhc;
            }
        }
    }
}

}  // namespace gstboot
