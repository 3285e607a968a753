#include "estimates/engineimpl.h"

#include <algorithm>
#include <cstring>

namespace gstboot {

// SSI of population j's individuals, one data set: line k holds the term of
// slot k for every column (every allele of the MHC row, or every allele of
// the replicate's source loci side by side), +0.0 for an allele j lacks.
// Each partner i < j continues its own sums over j's lines, giving the pair
// sums; j's own sums start from 0.0 in the same pass. The lines are made a
// block at a time and never stored whole.
void Engine::Impl::continuessi(int j, bool mic, const ReplicateIndex& rep, Work& work) const {
    const int w = mic ? 2 : ds.mhccopies;
    const int width = mic ? work.micwidth : static_cast<int>(codes[0].size());
    const int full = round8(width);  // columns of the populations' own sums
    if (full == 0) return;
    const int n = mic ? ds.nmic[j] : ds.nmhc[j];
    const std::int32_t* src = mic ? rep.micsrc[j] : rep.mhcsrc[j];
    double* own = (mic ? work.ssi0mic.data() : work.ssi0mhc.data());
    const double* terms = &work.terms[static_cast<std::size_t>(j * nterms)];
    const AlleleStat* st = &work.stats[static_cast<std::size_t>(j * ndense)];
    const int rfirst = mic ? 1 : 0;
    const int rend = mic ? nrows : 1;
    // Only the alleles j carries change a partner's sums: for any other, each
    // of j's individuals adds +0.0, and no sum here is -0.0. The lines hold
    // those columns alone, side by side.
    int* live = work.live.data();    // line column -> column
    int* at = work.liveat.data();    // column -> line column
    double* line0 = work.line0.data();
    int nlive = 0;
    for (int r = rfirst; r < rend; ++r) {
        if (!work.used[static_cast<std::size_t>(r)]) continue;
        const int cb = work.colbase[static_cast<std::size_t>(r)];
        const int base = rowbase[static_cast<std::size_t>(r)];
        const double* t = terms + termbase[static_cast<std::size_t>(r)];
        const int nd = static_cast<int>(codes[static_cast<std::size_t>(r)].size());
        // Without a branch: an allele j lacks is written and then
        // overwritten by the next, and its `at` entry is never read.
        for (int d = 0; d < nd; ++d) {
            at[cb + d] = nlive;
            live[nlive] = cb + d;
            line0[nlive] = t[d * (w + 1)];
            nlive += st[base + d].ncar > 0;
        }
    }
    const int stride = round8(nlive);
    std::fill(line0 + nlive, line0 + stride, 0.0);
    double* accs = work.accs.data();
    for (int i = 0; i <= j; ++i) {
        double* acc = accs + i * stride;
        const double* from = own + i * full;
        for (int c = 0; c < nlive; ++c) acc[c] = i < j ? from[live[c]] : 0.0;
        std::fill(acc + nlive, acc + stride, 0.0);
    }

    const int block = linesfor(stride);
    double* lines = work.lines.data();
    // The lines start as copies of line0; each block writes its carriers'
    // terms and puts line0's values back after use.
    auto patch = [&](int k0, int count, bool restore) {
        if (!mic) {
            for (int k = 0; k < count; ++k) {
                const std::size_t from = static_cast<std::size_t>(j) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(src[k0 + k]);
                double* line = lines + k * stride;
                for (std::int32_t q = mhcmark[from]; q < mhcmark[from + 1]; ++q) {
                    const Mark& mk = marks[static_cast<std::size_t>(q)];
                    const int c = at[mk.dense];
                    line[c] = restore ? line0[c] : terms[mk.dense * (w + 1) + mk.m];
                }
            }
            return;
        }
        for (int r = 1; r < nrows; ++r) {
            if (!work.used[static_cast<std::size_t>(r)]) continue;
            const MicGeno* g = micgenos(j, r - 1);
            const double* t = terms + termbase[static_cast<std::size_t>(r)];
            const int* rowat = at + work.colbase[static_cast<std::size_t>(r)];
            for (int k = 0; k < count; ++k) {
                // A homozygote's second write replaces the first.
                const MicGeno x = g[src[k0 + k]];
                double* line = lines + k * stride;
                const int c1 = rowat[x.d1];
                const int c0 = rowat[x.d0];
                if (restore) {
                    line[c1] = line0[c1];
                    line[c0] = line0[c0];
                } else {
                    line[c1] = t[x.d1 * 3 + 1];
                    line[c0] = t[x.d0 * 3 + 1 + (x.d0 == x.d1)];
                }
            }
        }
    };
    if (stride > 0) {
        const std::size_t rowbytes = sizeof(double) * static_cast<std::size_t>(stride);
        for (int k = 0; k < std::min(block, n); ++k) std::memcpy(lines + k * stride, line0, rowbytes);
        for (int k0 = 0; k0 < n; k0 += block) {
            const int count = std::min(block, n - k0);
            patch(k0, count, false);
            kern.addlines(accs, j + 1, stride, lines, count, stride, stride);
            if (k0 + count < n) patch(k0, count, true);
        }
    }
    double* mine = own + j * full;
    std::fill(mine, mine + full, 0.0);
    for (int c = 0; c < nlive; ++c) mine[live[c]] = accs[j * stride + c];
    // Eight partners at a time, so that their rows stay in the cache while
    // the columns pass.
    for (int i0 = 0; i0 < j; i0 += 8) {
        const int lanes = std::min(8, j - i0);
        for (int r = rfirst; r < rend; ++r) {
            if (!work.used[static_cast<std::size_t>(r)]) continue;
            const int cb = work.colbase[static_cast<std::size_t>(r)];
            const int base = rowbase[static_cast<std::size_t>(r)];
            const int nd = static_cast<int>(codes[static_cast<std::size_t>(r)].size());
            for (int d = 0; d < nd; ++d) {
                double* out = &work.ssiT[static_cast<std::size_t>(base + d) * static_cast<std::size_t>(lp) + static_cast<std::size_t>(i0)];
                const bool carried = st[base + d].ncar > 0;
                const int step = carried ? stride : full;
                const double* in = (carried ? accs + at[cb + d] : own + cb + d) + i0 * step;
                for (int l = 0; l < lanes; ++l) out[l] = in[l * step];
            }
        }
    }
}

// SSW of every pair (i, j), i < j, for the alleles of one row: population
// i's own sum continued over j's carriers, all partners at once. Where the
// terms are summed one by one, j's own sum from 0.0 is one more lane, and is
// ready before any later partner needs it.
void Engine::Impl::continuessw(int j, int row, int width, Work& work) const {
    const int base = rowbase[static_cast<std::size_t>(row)];
    const int nd = static_cast<int>(codes[static_cast<std::size_t>(row)].size());
    for (int d = 0; d < nd; ++d) {
        const std::size_t cell = static_cast<std::size_t>(base + d);
        const AlleleStat& b = work.stats[static_cast<std::size_t>(j * ndense) + cell];
        double* out = &work.sswT[cell * static_cast<std::size_t>(lp)];
        double* own = &work.ssw0T[cell * static_cast<std::size_t>(lp)];
        std::memcpy(out, own, sizeof(double) * static_cast<std::size_t>(j));
        // Population j adds only +0.0 terms when it lacks the allele.
        if (b.ncar == 0) continue;
        if (dyadic[width]) {
            // Every partial sum is a small multiple of 1/64: exact.
            for (int i = 0; i < j; ++i) out[i] = out[i] + b.ssw0;
        } else {
            out[j] = 0.0;
            kern.continuelanesssw(out, j + 1, &work.carriers[static_cast<std::size_t>(b.first)], b.ncar, ssa[width],
                             ssb[width], width);
            own[j] = out[j];
        }
    }
}

}  // namespace gstboot
