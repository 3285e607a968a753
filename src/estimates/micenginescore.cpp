#include "estimates/micengineimpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "estimates/exactsum.h"

namespace gstboot {

using namespace micparts;

// The locus terms of the pairs (i0 + q, j), q = 0..7, i0 + q < j, at every
// locus of the chunk, into row `row` of the pass's table.
void MicEngine::Impl::locusterms(int j, int i0, int row, Work& work) const {
    const int lanes = std::min(8, j - i0);
    const int pitch = work.pitch;
    const int stride = work.stride;
    const AlleleStat* st = work.stats.data();
    const double* accs = work.accs.data();
    const double* own = work.ssi0.data();
    const int* liveat = work.liveat.data();
    for (int u = 0; u < work.nchunk; ++u) {
        const int cb = work.cbase[at(u)];
        for (int col = cb; col < cb + nd[at(work.loci[at(u)])]; ++col) {
            const std::size_t cell = at(col) * at(lanerow) + at(i0);
            double* out = &work.ssiT[cell];
            const bool carried = st[col].ncar > 0;
            const int step = carried ? stride : pitch;
            const double* in = (carried ? accs + liveat[col] : own + col) + i0 * step;
            for (int q = 0; q < lanes; ++q) out[q] = in[q * step];
            // Multiples of 1/4 far below 2^50: the pair's SSW, exactly.
            double* ssw = &work.sswT[cell];
            const double* ssw0 = &work.ssw0T[cell];
            for (int q = 0; q < lanes; ++q) ssw[q] = ssw0[q] + st[col].ssw0;
        }
    }
    ChunkPairs c;
    c.lanes = lanes;
    c.lane0 = i0;
    c.j = j;
    c.nloci = work.nchunk;
    c.loci = work.loci.data();
    c.first = work.cbase.data();
    c.ncodes = nd.data();
    c.rank = work.rank.data();
    c.typedT = work.typedT.data();
    c.pitch = lanerow;
    c.recip = recip.data();
    c.recipat = recipat.data();
    c.zeros = zeros.data();
    double* table = work.table.data() + at(row) * at(work.cells) * GROUPCELLS;
    if (pooled) {
        kern.chunkalleles(c, work.ssiT.data(), work.sswT.data(), work.pT.data(), work.cntT.data(), st, table);
    } else {
        kern.chunkterms(c, work.ssiT.data(), work.sswT.data(), work.pT.data(), work.cntT.data(), st, table);
    }
}

// The estimates of the pairs (i0 + q, j), q = 0..7, i0 + q < j, their locus
// terms (row `row` of the pass's table) added in the replicate's locus order.
void MicEngine::Impl::ratios(int j, int i0, int row, const ReplicateIndex& rep, Work& work, PairTable& out) const {
    const int lanes = std::min(8, j - i0);
    const double* terms = work.table.data() + at(row) * at(work.cells) * GROUPCELLS;
    double num[8], den[8];
    for (int q = 0; q < 8; ++q) num[q] = den[q] = 0.0;
    const std::int32_t* rank = work.rank.data();
    // The pooled estimate's sums run over every allele of every locus in
    // the replicate's order; the per-locus one's over the loci.
    for (int l = 0; pooled && l < ds.nloci; ++l) {
        const int src = rep.rl[at(l)];
        if (l + 16 < ds.nloci) {
            const int ahead = rep.rl[at(l + 16)];
            const double* cells = terms + at(rank[ahead]) * GROUPCELLS;
            for (int d = 0; d < std::min(nd[at(ahead)], 4); ++d) __builtin_prefetch(cells + d * GROUPCELLS);
        }
        const double* cell = terms + at(rank[src]) * GROUPCELLS;
        for (int d = 0; d < nd[at(src)]; ++d, cell += GROUPCELLS) {
            for (int q = 0; q < 8; ++q) {
                num[q] = num[q] + cell[q];
                den[q] = den[q] + cell[8 + q];
            }
        }
    }
    for (int l = 0; !pooled && l < ds.nloci; ++l) {
        // The loci come in the replicate's order, so the cache cannot guess them.
        if (l + 16 < ds.nloci) __builtin_prefetch(terms + at(rank[rep.rl[at(l + 16)]]) * GROUPCELLS);
        const double* cell = terms + at(rank[rep.rl[at(l)]]) * GROUPCELLS;
        for (int q = 0; q < 8; ++q) {
            num[q] = num[q] + cell[q];
            den[q] = den[q] + cell[8 + q];
        }
    }
    const bool corr = ds.settings.corrflag;
    for (int q = 0; q < lanes; ++q) {
        const int i = i0 + q;
        // With no locus entering this is 0.0 / 0.0 of run-time values.
        double mic = num[q] / den[q];
        if (corr) {
            const std::int32_t h = work.hets[at(i)] + work.hets[at(j)];
            const double het =
                h == 0 ? 0.0
                       : repeatadd(0.0, 1.0 / static_cast<double>(work.typedtotal[at(i)] + work.typedtotal[at(j)]), h);
            mic = mic / (1.0 - het);
        }
        out[i][j] = mic;
    }
}

}  // namespace gstboot
