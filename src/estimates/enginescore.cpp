#include "estimates/engineimpl.h"

#include <algorithm>

#include "estimates/exactsum.h"
#include "plain/components.h"

namespace gstboot {

void Engine::Impl::pairlanes(int j, int lane0, bool mic, PairLanes& c) const {
    const int width = mic ? 2 : ds.mhccopies;
    const std::int32_t* sizes = mic ? ds.nmic.data() : ds.nmhc.data();
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
double emptypair(const std::vector<std::vector<int>>& codes, int width, const int* rows, int nrows) {
    const PopBlock none[2];
    const std::int32_t zero[2] = {0, 0};
    double num = 0.0;
    double den = 0.0;
    for (int q = 0; q < nrows; ++q) {
        for (int code : codes[static_cast<std::size_t>(rows[q])]) {
            num = num + gstnum(2, zero, width, code, none);
            den = den + gstden(2, zero, width, code, none);
        }
    }
    return num / den;
}

}  // namespace

void Engine::score(const ReplicateIndex& rep, Work& work, PairEstimates& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    const int w = ds.mhccopies;
    out.shape(ds.npop);
    std::fill(work.used.begin(), work.used.end(), 0);
    work.used[0] = 1;
    for (int l = 0; l < ds.nloci; ++l) work.used[static_cast<std::size_t>(1 + rep.rl[static_cast<std::size_t>(l)])] = 1;
    work.micwidth = 0;
    for (int r = 1; r < e.nrows; ++r) {
        work.colbase[static_cast<std::size_t>(r)] = -1;
        if (!work.used[static_cast<std::size_t>(r)]) continue;
        work.colbase[static_cast<std::size_t>(r)] = work.micwidth;
        work.micwidth += static_cast<int>(e.codes[static_cast<std::size_t>(r)].size());
    }
    work.colbase[0] = 0;

    const bool corr = ds.settings.corrflag;
    const int mhcrow = 0;
    int* microws = work.microws.data();
    Range* ranges = work.ranges.data();
    for (int l = 0; l < ds.nloci; ++l) {
        const int r = 1 + rep.rl[static_cast<std::size_t>(l)];
        microws[l] = r;
        ranges[1 + l] = Range{e.rowbase[static_cast<std::size_t>(r)],
                              e.rowbase[static_cast<std::size_t>(r)] + static_cast<int>(e.codes[static_cast<std::size_t>(r)].size())};
    }
    ranges[0] = Range{0, static_cast<int>(e.codes[0].size())};
    for (int j = 0; j < ds.npop; ++j) {
        // Population j's statistics are formed just before its lines need
        // them, while its genotypes are still in the cache.
        e.preparepop(j, rep, work);
        e.continuessi(j, false, rep, work);
        e.continuessi(j, true, rep, work);
        e.continuessw(j, 0, w, work);
        if (j == 0) continue;
        for (int r = 1; r < e.nrows; ++r) {
            if (work.used[static_cast<std::size_t>(r)]) e.continuessw(j, r, 2, work);
        }
        const AlleleStat* sj = &work.stats[static_cast<std::size_t>(j * e.ndense)];
        for (int lane0 = 0; lane0 < j; lane0 += 8) {
            PairLanes c;
            double num[8], den[8], micnum[8], micden[8];
            const int lanes = std::min(8, j - lane0);
            e.pairlanes(j, lane0, false, c);
            e.kern.ratiolanes(c, lanes, ranges, 1, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(), work.cntT.data(), sj,
                       num, den);
            e.pairlanes(j, lane0, true, c);
            e.kern.ratiolanes(c, lanes, ranges + 1, ds.nloci, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(),
                       work.cntT.data(), sj, micnum, micden);
            for (int l = 0; l < lanes; ++l) {
                const int i = lane0 + l;
                const int mi = ds.nmhc[i], mj = ds.nmhc[j];
                double mhc = mi + mj == 0 ? emptypair(e.codes, w, &mhcrow, 1) : num[l] / den[l];
                if (corr) {
                    const double het = e.sums.of(mi + mj)[work.mhchets[static_cast<std::size_t>(i)] + work.mhchets[static_cast<std::size_t>(j)]];
                    mhc = mhc / (1.0 - het);
                }
                out.mhc[i][j] = mhc;
                const int ci = ds.nmic[i], cj = ds.nmic[j];
                double mic = ci + cj == 0 ? emptypair(e.codes, 2, microws, ds.nloci) : micnum[l] / micden[l];
                if (corr) {
                    const std::int32_t hets = work.michets[static_cast<std::size_t>(i)] + work.michets[static_cast<std::size_t>(j)];
                    const double het =
                        hets == 0       ? 0.0
                        : e.mictables ? e.sums.of((ci + cj) * ds.nloci)[hets]
                                      : repeatadd(0.0, 1.0 / static_cast<double>((ci + cj) * ds.nloci), hets);
                    mic = mic / (1.0 - het);
                }
                out.mic[i][j] = mic;
            }
        }
    }
}

}  // namespace gstboot
