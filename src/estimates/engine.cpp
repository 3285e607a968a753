#include "estimates/engineimpl.h"

#include <algorithm>
#include <cstring>

namespace gstboot {

Engine::Impl::Impl(const DataSet& d, Isa isa, int lines)
    : ds(d), kern(kernelsfor(isa)), blocklines(lines), maxind(d.maxind()), lp(lanepitch(d.npop)) {
    const int w = ds.mhccopies;
    // densemap[a]: code a's index among the codes present.
    std::vector<std::int32_t> densemap(static_cast<std::size_t>(ds.present.width(0)), -1);
    for (int a = 0; a < ds.present.width(0); ++a) {
        if (ds.present[0][a] == 1) {
            densemap[static_cast<std::size_t>(a)] = static_cast<std::int32_t>(codes.size());
            codes.push_back(a);
        }
    }
    ndense = static_cast<int>(codes.size());
    nterms = ndense * (w + 1);

    const std::size_t stride = static_cast<std::size_t>(maxind);
    mhcmark.assign(static_cast<std::size_t>(ds.npop) * stride + 1, 0);
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            const std::size_t at = static_cast<std::size_t>(p) * stride + static_cast<std::size_t>(i);
            mhcmark[at] = static_cast<std::int32_t>(marks.size());
            for (int c = 0; c < w; ++c) {
                const int code = ds.mhc[p][i][c];
                bool seen = false;
                for (int e = 0; e < c; ++e) seen = seen || ds.mhc[p][i][e] == code;
                if (seen) continue;
                Mark mk{densemap[static_cast<std::size_t>(code)], 0, 0};
                for (int e = c; e < w; ++e) {
                    if (ds.mhc[p][i][e] == code) {
                        ++mk.m;
                        mk.pattern |= std::uint64_t{1} << e;
                    }
                }
                marks.push_back(mk);
            }
            mhcmark[at + 1] = static_cast<std::int32_t>(marks.size());
        }
    }

    sums.need(w);
    const double* x = sums.of(w);
    for (int m = 0; m <= w; ++m) {
        const double fa = 1.0 - x[m];
        const double fb = 0.0 - x[m];
        ssa[w][m] = fa * fa;
        ssb[w][m] = fb * fb;
    }
    dyadic[0] = dyadic[1] = dyadic[2] = dyadic[4] = dyadic[8] = true;
    sums.need(0);
    for (int p = 0; p < ds.npop; ++p) {
        sums.need(ds.nmhc[p] * w);
        for (int q = p + 1; q < ds.npop; ++q) {
            sums.need((ds.nmhc[p] + ds.nmhc[q]) * w);
            // Heterozygosity sums are running sums of 1/N as well.
            if (ds.settings.corrflag) sums.need(ds.nmhc[p] + ds.nmhc[q]);
        }
    }
    zeros.assign(2 * stride * static_cast<std::size_t>(std::max(w, 1)) + 1, 0.0);
}

Engine::Engine(const DataSet& ds, Isa isa, int blocklines) : impl_(std::make_unique<Impl>(ds, isa, blocklines)) {}
Engine::~Engine() = default;

void Engine::WorkDeleter::operator()(Work* w) const { delete w; }

int Engine::Impl::linesfor(int stride) const { return blocklinesfor(blocklines, stride); }

Engine::WorkPtr Engine::makework() const {
    const Impl& e = *impl_;
    WorkPtr work(new Work());
    const std::size_t npop = static_cast<std::size_t>(e.ds.npop);
    const std::size_t cells = npop * static_cast<std::size_t>(e.ndense);
    work->stats.resize(cells + 1);
    const std::size_t termcells = npop * static_cast<std::size_t>(e.nterms);
    work->terms.resize(termcells + 1);
    work->km.resize(termcells + 1);
    work->carbase.resize(npop + 1);
    std::int32_t total = 0;
    for (int p = 0; p < e.ds.npop; ++p) {
        work->carbase[static_cast<std::size_t>(p)] = total;
        total += e.ds.nmhc[p] * e.ds.mhccopies;
    }
    work->mhchets.resize(npop + 1);
    work->mult.resize(static_cast<std::size_t>(e.maxind) + 1);
    work->carriers.resize(static_cast<std::size_t>(total) + 1);
    work->cursor.resize(static_cast<std::size_t>(e.ndense) + 1);
    const std::size_t wide = static_cast<std::size_t>(round8(e.ndense));
    work->ssi0.resize(npop * wide + 1);
    work->accs.resize(npop * wide + 1);
    work->lines.resize(blockcells(e.blocklines, wide) + 1);
    work->line0.resize(wide + 1);
    work->live.resize(wide + 1);
    work->liveat.resize(wide + 1);
    const std::size_t lanecells = static_cast<std::size_t>(e.ndense) * static_cast<std::size_t>(e.lp) + 1;
    work->pT.resize(lanecells);
    work->cntT.resize(lanecells);
    work->ssw0T.resize(lanecells);
    work->ssiT.resize(lanecells);
    work->sswT.resize(lanecells);
    return work;
}

}  // namespace gstboot
