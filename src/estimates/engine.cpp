#include "estimates/engineimpl.h"

#include <algorithm>
#include <cstring>

namespace gstboot {

Engine::Impl::Impl(const DataSet& d, Isa isa, int lines)
    : ds(d), kern(kernelsfor(isa)), blocklines(lines), maxind(d.maxind()), lp(lanepitch(d.npop)) {
    nrows = 1 + ds.nloci;
    codes.resize(static_cast<std::size_t>(nrows));
    rowbase.resize(static_cast<std::size_t>(nrows));
    termbase.resize(static_cast<std::size_t>(nrows));
    // densemap[mapat[r] + a]: code a's index among the codes of row r.
    std::vector<std::size_t> mapat(static_cast<std::size_t>(nrows) + 1, 0);
    for (int r = 0; r < nrows; ++r) mapat[static_cast<std::size_t>(r) + 1] = mapat[static_cast<std::size_t>(r)] + static_cast<std::size_t>(ds.present.width(r));
    std::vector<std::int32_t> densemap(mapat.back(), -1);
    for (int r = 0; r < nrows; ++r) {
        rowbase[static_cast<std::size_t>(r)] = ndense;
        for (int a = 0; a < ds.present.width(r); ++a) {
            if (ds.present[r][a] == 1) {
                densemap[mapat[static_cast<std::size_t>(r)] + static_cast<std::size_t>(a)] =
                    static_cast<std::int32_t>(codes[static_cast<std::size_t>(r)].size());
                codes[static_cast<std::size_t>(r)].push_back(a);
            }
        }
        ndense += static_cast<int>(codes[static_cast<std::size_t>(r)].size());
        termbase[static_cast<std::size_t>(r)] = nterms;
        nterms += static_cast<int>(codes[static_cast<std::size_t>(r)].size()) * ((r == 0 ? ds.mhccopies : 2) + 1);
    }

    const int w = ds.mhccopies;
    const std::size_t stride = static_cast<std::size_t>(maxind);
    mhcmark.assign(static_cast<std::size_t>(ds.npop) * stride + 1, 0);
    const std::size_t nl = static_cast<std::size_t>(ds.nloci);
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
    micgeno.assign(static_cast<std::size_t>(ds.npop) * nl * stride, MicGeno{0, 0});
    for (int p = 0; p < ds.npop; ++p) {
        for (int l = 0; l < ds.nloci; ++l) {
            MicGeno* out = &micgeno[(static_cast<std::size_t>(p) * nl + static_cast<std::size_t>(l)) * stride];
            const std::int32_t* map = &densemap[mapat[static_cast<std::size_t>(1 + l)]];
            for (int i = 0; i < ds.nmic[p]; ++i) {
                const int a0 = ds.mic[p][i][l][0];
                const int a1 = ds.mic[p][i][l][1];
                out[i] = MicGeno{map[a0], map[a1]};
            }
        }
    }

    for (int width : {w, 2}) {
        sums.need(width);
        const double* x = sums.of(width);
        for (int m = 0; m <= width; ++m) {
            const double fa = 1.0 - x[m];
            const double fb = 0.0 - x[m];
            ssa[width][m] = fa * fa;
            ssb[width][m] = fb * fb;
        }
    }
    dyadic[0] = dyadic[1] = dyadic[2] = dyadic[4] = dyadic[8] = true;
    sums.need(0);
    for (int p = 0; p < ds.npop; ++p) {
        sums.need(ds.nmhc[p] * w);
        sums.need(ds.nmic[p] * 2);
        for (int q = p + 1; q < ds.npop; ++q) {
            sums.need((ds.nmhc[p] + ds.nmhc[q]) * w);
            sums.need((ds.nmic[p] + ds.nmic[q]) * 2);
        }
    }
    zeros.assign(2 * stride * static_cast<std::size_t>(std::max(w, 2)) + 1, 0.0);
    if (ds.settings.corrflag) {
        // Heterozygosity sums are running sums of 1/N as well. The MIC
        // totals N * nloci can be large, so their tables are kept only
        // while they stay small; otherwise the sums are stepped exactly.
        std::vector<std::int64_t> totals;
        for (int p = 0; p < ds.npop; ++p) {
            for (int q = p + 1; q < ds.npop; ++q) {
                sums.need(ds.nmhc[p] + ds.nmhc[q]);
                totals.push_back(static_cast<std::int64_t>(ds.nmic[p] + ds.nmic[q]) * ds.nloci);
            }
        }
        std::sort(totals.begin(), totals.end());
        totals.erase(std::unique(totals.begin(), totals.end()), totals.end());
        std::size_t bytes = 0;
        for (std::int64_t t : totals) bytes += sizeof(double) * (static_cast<std::size_t>(t) + 1);
        mictables = bytes <= (std::size_t{16} << 20);
        if (mictables) {
            for (int p = 0; p < ds.npop; ++p)
                for (int q = p + 1; q < ds.npop; ++q) sums.need((ds.nmic[p] + ds.nmic[q]) * ds.nloci);
        }
    }
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
    work->michets.resize(npop + 1);
    work->multmhc.resize(static_cast<std::size_t>(e.maxind) + 1);
    work->multmic.resize(static_cast<std::size_t>(e.maxind) + 1);
    work->lochets.resize(static_cast<std::size_t>(e.nrows) + 1);
    work->microws.resize(static_cast<std::size_t>(e.ds.nloci) + 1);
    work->carriers.resize(static_cast<std::size_t>(total) + 1);
    work->cursor.resize(static_cast<std::size_t>(e.ndense) + 1);
    work->used.resize(static_cast<std::size_t>(e.nrows));
    work->colbase.resize(static_cast<std::size_t>(e.nrows));
    const int mhcstride = round8(static_cast<int>(e.codes[0].size()));
    const int micstride = round8(e.ndense - static_cast<int>(e.codes[0].size()));
    const int widest = std::max(mhcstride, micstride);
    work->ssi0mhc.resize(npop * static_cast<std::size_t>(mhcstride) + 1);
    work->ssi0mic.resize(npop * static_cast<std::size_t>(micstride) + 1);
    work->accs.resize(npop * static_cast<std::size_t>(widest) + 1);
    // A replicate's MIC columns are those of its loci, at most micstride;
    // a block holds MAXBLOCKLINES lines of them.
    const std::size_t wide = static_cast<std::size_t>(widest);
    work->lines.resize(blockcells(e.blocklines, wide) + 1);
    work->line0.resize(static_cast<std::size_t>(widest) + 1);
    work->live.resize(static_cast<std::size_t>(widest) + 1);
    work->liveat.resize(static_cast<std::size_t>(widest) + 1);
    const std::size_t lanecells = static_cast<std::size_t>(e.ndense) * static_cast<std::size_t>(e.lp) + 1;
    work->pT.resize(lanecells);
    work->cntT.resize(lanecells);
    work->ssw0T.resize(lanecells);
    work->ssiT.resize(lanecells);
    work->sswT.resize(lanecells);
    work->ranges.resize(static_cast<std::size_t>(e.ds.nloci) + 1);
    return work;
}

}  // namespace gstboot
