#include "estimates/micengineimpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "estimates/exactsum.h"

namespace gstboot {

using namespace micparts;

int MicEngine::chunkcolumns(const DataSet& ds) {
    // Per column: two rows of sums and the lane tables by population, a
    // block of lines, and the current population's statistics and terms.
    const std::size_t percolumn =
        16 * at(ds.npop) + 28 * at(round8(ds.npop)) + 8 * at(MAXBLOCKLINES) + sizeof(AlleleStat) + 40;
    return static_cast<int>(std::max<std::size_t>(64, CHUNKBYTES / percolumn));
}

std::size_t MicEngine::tablebudget() { return TABLEBYTES; }

MicEngine::Impl::Impl(const DataSet& d, Isa isa, const MicBlocking& b)
    : ds(d),
      blocklines(b.lines),
      chunkcols(b.columns > 0 ? b.columns : chunkcolumns(d)),
      maxind(d.maxind()),
      lanerow(round8(d.npop)),
      kern(kernelsfor(isa)) {
    const int nloci = ds.nloci;
    nd.resize(at(nloci));
    // densemap[mapat[L] + a]: code a's index among the codes of locus L.
    std::vector<std::size_t> mapat(at(nloci) + 1, 0);
    for (int l = 0; l < nloci; ++l) mapat[at(l) + 1] = mapat[at(l)] + at(ds.present.width(1 + l));
    std::vector<std::int32_t> densemap(mapat.back(), -1);
    int widest = 0;
    for (int l = 0; l < nloci; ++l) {
        int k = 0;
        for (int a = 0; a < ds.present.width(1 + l); ++a) {
            if (ds.present[1 + l][a] == 1) densemap[mapat[at(l)] + at(a)] = k++;
        }
        nd[at(l)] = k;
        widest = std::max(widest, k);
    }
    capacity = std::max(chunkcols, widest);
    pooled = !ds.micmissing;
    rowcells = 0;
    for (int l = 0; l < nloci; ++l) rowcells += pooled ? nd[at(l)] : 1;
    groupfirst.assign(at(ds.npop) + 1, 0);
    for (int j = 0; j < ds.npop; ++j) groupfirst[at(j) + 1] = groupfirst[at(j)] + groupsof(j);
    const std::size_t budget = b.tablebytes > 0 ? b.tablebytes : TABLEBYTES;
    const std::size_t pergroup = sizeof(double) * cellsof(1);
    const int fit = pergroup == 0 ? groupfirst.back() : static_cast<int>(std::min<std::size_t>(budget / pergroup, 1u << 30));
    maxgroups = std::max(fit, groupsof(std::max(ds.npop - 1, 0)));

    ntiles = (nloci + TILE - 1) / TILE;
    geno.assign(at(ds.npop) * at(ntiles) * at(maxind) * TILE, Geno{-1, -1});
    int most = 0;
    for (int p = 0; p < ds.npop; ++p) {
        most = std::max(most, ds.nmic[p]);
        for (int i = 0; i < ds.nmic[p]; ++i) {
            for (int l = 0; l < nloci; ++l) {
                const std::int32_t a0 = ds.mic[p][i][l][0];
                const std::int32_t a1 = ds.mic[p][i][l][1];
                const std::int32_t* map = &densemap[mapat[at(l)]];
                const_cast<Geno&>(genoat(p, i, l)) =
                    a0 == MISSING ? Geno{nd[at(l)], nd[at(l)]} : Geno{map[a0], map[a1]};
            }
        }
    }
    if (std::count(nd.begin(), nd.end(), 2) > 0) {
        sumcode.assign(geno.size(), 0);
        for (std::size_t c = 0; c < geno.size(); ++c) {
            const Geno y = geno[c];
            if (y.d0 >= 0 && y.d0 + y.d1 <= 2) sumcode[c] = static_cast<std::uint8_t>(1 << (y.d0 + y.d1));
        }
    }
    // Frequencies over n typed individuals (t = 2n) and over a pair's
    // N (t = 2N): every even t up to twice the two largest populations.
    const int tmax = 4 * most;
    recipat.assign(at(tmax) + 1, 0);
    std::size_t cells = 1;
    for (int t = 2; t <= tmax; t += 2) cells += at(t) + 1;
    recip.reserve(cells);
    recip.push_back(0.0);  // t = 0
    for (int t = 2; t <= tmax; t += 2) {
        recipat[at(t)] = recip.size();
        double s = 0.0;
        recip.push_back(s);
        for (int c = 1; c <= t; ++c) {
            s = 1.0 / static_cast<double>(t) + s;
            recip.push_back(s);
        }
    }
    // The largest matching-copy index a lane can look up: two populations' counts.
    zeros.assign(4 * at(maxind) + 1, 0.0);
}

MicEngine::MicEngine(const DataSet& ds, Isa isa, const MicBlocking& blocking)
    : impl_(std::make_unique<Impl>(ds, isa, blocking)) {}
MicEngine::~MicEngine() = default;

void MicEngine::WorkDeleter::operator()(Work* w) const { delete w; }

MicEngine::WorkPtr MicEngine::makework() const {
    const Impl& e = *impl_;
    WorkPtr work(new Work());
    const std::size_t nl = at(e.ds.nloci);
    const std::size_t npop = at(e.ds.npop);
    const std::size_t cap = at(e.capacity);
    const std::size_t wide = at(round8(e.capacity));
    work->draws.resize(nl + 1);
    work->drawn.resize(npop * at(e.maxind) + 1);
    work->mult.resize(npop * at(e.maxind) + 1);
    work->ndrawn.resize(npop + 1);
    work->scratch.resize(at(e.maxind) + 1);
    // A chunk holds at most `capacity` loci: each has a code at least, or
    // it is cut at that count.
    work->loci.resize(cap + 1);
    work->cbase.resize(cap + 1);
    work->tally.resize(2 * cap + 1);
    work->tallyat.resize(cap + 1);
    work->typedtotal.resize(npop + 1);
    work->hets.resize(npop + 1);
    work->stats.resize(cap + 1);
    work->terms.resize(3 * cap + 1);
    work->picks.resize(10 * cap + 1);
    work->pitch = static_cast<int>(wide);
    work->ssi0.resize(npop * wide + 1);
    work->accs.resize(npop * wide + 1);
    work->lines.resize(blockcells(e.blocklines, wide) + 1);
    work->line0.resize(wide + 1);
    work->live.resize(wide + 1);
    work->liveat.resize(wide + 1);
    work->livefirst.resize(cap + 1);
    work->liveend.resize(cap + 1);
    work->tileat.resize(cap + 1);
    const std::size_t lanecells = cap * at(e.lanerow) + 1;
    work->pT.assign(lanecells, 0.0);
    work->ssw0T.assign(lanecells, 0.0);
    work->ssiT.assign(lanecells, 0.0);
    work->sswT.assign(lanecells, 0.0);
    work->cntT.assign(lanecells, 0);
    work->typedT.assign(lanecells, 0);
    work->table.assign(e.cellsof(std::min(e.maxgroups, e.groupfirst.back())) + 1, 0.0);
    work->rank.resize(nl + 1);
    return work;
}

void MicEngine::score(const ReplicateIndex& rep, Work& work, PairTable& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    if (out.npop() != ds.npop) out.assign(ds.npop);
    e.drawpops(rep, work);
    // Passes over the populations j whose pairs' terms fit the table; each
    // takes every chunk of the drawn loci, and every population below its
    // last, for their own sums and statistics.
    for (int j0 = 1; j0 < ds.npop;) {
        int j1 = j0 + 1;
        while (j1 < ds.npop && e.groupfirst[at(j1) + 1] - e.groupfirst[at(j0)] <= e.maxgroups) ++j1;
        std::fill(work.typedtotal.begin(), work.typedtotal.end(), 0);
        std::fill(work.hets.begin(), work.hets.end(), 0);
        const int firstgroup = e.groupfirst[at(j0)];
        for (int l0 = 0; l0 < ds.nloci;) {
            work.nchunk = 0;
            work.width = 0;
            work.twocodes = !e.sumcode.empty();
            int l = l0;
            for (; l < ds.nloci; ++l) {
                if (work.draws[at(l)] == 0) continue;
                const int wide = e.nd[at(l)];
                if (work.nchunk > 0 && (work.width + wide > e.chunkcols || work.nchunk == e.capacity)) break;
                const std::size_t u = at(work.nchunk);
                work.loci[u] = l;
                work.cbase[u] = work.width;
                // In a population's tally, each locus's columns are followed
                // by a slot for its untyped genotypes, never read.
                work.tallyat[u] = work.width + work.nchunk;
                work.tileat[u] = l / TILE * e.maxind * TILE + l % TILE;
                work.twocodes = work.twocodes && wide == 2;
                ++work.nchunk;
                work.width += wide;
            }
            l0 = l;
            if (work.nchunk == 0) continue;
            for (int j = 0; j < j1; ++j) {
                // Population j's statistics are formed just before its lines
                // need them, while its genotypes are still in the cache.
                e.preparepop(j, rep, work);
                e.continuessi(j, j >= j0, rep, work);
                if (j < j0) continue;
                for (int i0 = 0; i0 < j; i0 += 8) e.locusterms(j, i0, e.groupfirst[at(j)] + i0 / 8 - firstgroup, work);
            }
        }
        for (int j = j0; j < j1; ++j) {
            for (int i0 = 0; i0 < j; i0 += 8) e.ratios(j, i0, e.groupfirst[at(j)] + i0 / 8 - firstgroup, rep, work, out);
        }
        j0 = j1;
    }
}

}  // namespace gstboot
