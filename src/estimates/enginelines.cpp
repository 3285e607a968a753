#include "estimates/engineimpl.h"

#include <algorithm>
#include <cstring>

namespace gstboot {

// SSI of population j's individuals: line k holds the term of slot k for
// every allele, +0.0 for an allele j lacks. Each partner i < j continues
// its own sums over j's lines, giving the pair sums; j's own sums start from
// 0.0 in the same pass. The lines are made a block at a time and never
// stored whole.
void Engine::Impl::continuessi(int j, const ReplicateIndex& rep, Work& work) const {
    const int w = ds.mhccopies;
    const int full = round8(ndense);  // columns of the populations' own sums
    if (full == 0) return;
    const int n = ds.nmhc[j];
    const std::int32_t* src = rep.mhcsrc[j];
    double* own = work.ssi0.data();
    const double* terms = &work.terms[static_cast<std::size_t>(j * nterms)];
    const AlleleStat* st = &work.stats[static_cast<std::size_t>(j * ndense)];
    // Only the alleles j carries change a partner's sums: for any other, each
    // of j's individuals adds +0.0, and no sum here is -0.0. The lines hold
    // those columns alone, side by side.
    int* live = work.live.data();  // line column -> column
    int* at = work.liveat.data();  // column -> line column
    double* line0 = work.line0.data();
    int nlive = 0;
    // Without a branch: an allele j lacks is written and then overwritten
    // by the next, and its `at` entry is never read.
    for (int d = 0; d < ndense; ++d) {
        at[d] = nlive;
        live[nlive] = d;
        line0[nlive] = terms[d * (w + 1)];
        nlive += st[d].ncar > 0;
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
        for (int k = 0; k < count; ++k) {
            const std::size_t from = static_cast<std::size_t>(j) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(src[k0 + k]);
            double* line = lines + k * stride;
            for (std::int32_t q = mhcmark[from]; q < mhcmark[from + 1]; ++q) {
                const Mark& mk = marks[static_cast<std::size_t>(q)];
                const int c = at[mk.dense];
                line[c] = restore ? line0[c] : terms[mk.dense * (w + 1) + mk.m];
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
        for (int d = 0; d < ndense; ++d) {
            double* out = &work.ssiT[static_cast<std::size_t>(d) * static_cast<std::size_t>(lp) + static_cast<std::size_t>(i0)];
            const bool carried = st[d].ncar > 0;
            const int step = carried ? stride : full;
            const double* in = (carried ? accs + at[d] : own + d) + i0 * step;
            for (int l = 0; l < lanes; ++l) out[l] = in[l * step];
        }
    }
}

// SSW of every pair (i, j), i < j, for every allele: population i's own sum
// continued over j's carriers, all partners at once. Where the terms are
// summed one by one, j's own sum from 0.0 is one more lane, and is ready
// before any later partner needs it.
void Engine::Impl::continuessw(int j, Work& work) const {
    const int width = ds.mhccopies;
    for (int d = 0; d < ndense; ++d) {
        const std::size_t cell = static_cast<std::size_t>(d);
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
