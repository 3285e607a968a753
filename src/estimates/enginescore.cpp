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
// whenever an allele is scored; take the sums from the components themselves.
void emptypair(const std::vector<int>& codes, int width, double& num, double& den) {
    const PopBlock none[2];
    const std::int32_t zero[2] = {0, 0};
    num = 0.0;
    den = 0.0;
    for (int code : codes) {
        num = num + gstnum(2, zero, width, code, none);
        den = den + gstden(2, zero, width, code, none);
    }
}

}  // namespace

// Every pair's sums over the alleles, handed to `take(i, j, num, den)`.
template <typename Take>
void Engine::Impl::eachpair(const ReplicateIndex& rep, Work& work, Take take) const {
    const Range all{0, ndense};
    for (int j = 0; j < ds.npop; ++j) {
        // Population j's statistics are formed just before its lines need
        // them, while its genotypes are still in the cache.
        preparepop(j, rep, work);
        continuessi(j, rep, work);
        continuessw(j, work);
        if (j == 0) continue;
        const AlleleStat* sj = &work.stats[static_cast<std::size_t>(j * ndense)];
        for (int lane0 = 0; lane0 < j; lane0 += 8) {
            PairLanes c;
            double num[8], den[8];
            const int lanes = std::min(8, j - lane0);
            pairlanes(j, lane0, c);
            kern.ratiolanes(c, lanes, &all, 1, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(),
                            work.cntT.data(), sj, num, den);
            for (int l = 0; l < lanes; ++l) {
                const int i = lane0 + l;
                if (ds.nmhc[i] + ds.nmhc[j] == 0) emptypair(codes, ds.mhccopies, num[l], den[l]);
                take(i, j, num[l], den[l]);
            }
        }
    }
}

void Engine::score(const ReplicateIndex& rep, Work& work, PairTable& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    if (out.npop() != ds.npop) out.assign(ds.npop);
    const bool corr = ds.settings.corrflag;
    e.eachpair(rep, work, [&](int i, int j, double num, double den) {
        double mhc = num / den;
        if (corr) {
            const int mi = ds.nmhc[i], mj = ds.nmhc[j];
            const double het = e.sums.of(mi + mj)[work.mhchets[static_cast<std::size_t>(i)] + work.mhchets[static_cast<std::size_t>(j)]];
            mhc = mhc / (1.0 - het);
        }
        out[i][j] = mhc;
    });
}

void Engine::sums(const ReplicateIndex& rep, Work& work, PairTable& num, PairTable& den) const {
    const Impl& e = *impl_;
    if (num.npop() != e.ds.npop) num.assign(e.ds.npop);
    if (den.npop() != e.ds.npop) den.assign(e.ds.npop);
    e.eachpair(rep, work, [&](int i, int j, double n, double d) {
        num[i][j] = n;
        den[i][j] = d;
    });
}

}  // namespace gstboot
