#include "estimates/micengineimpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gstboot {

using namespace micparts;

// SSI of population j's individuals at the chunk: line k holds the term of
// slot k for every column j carries, +0.0 at the loci where slot k's
// individual is untyped. With `partners`, each population i < j continues
// its own sums over j's lines, giving the pair sums; j's own sums start
// from 0.0 in the same pass. The lines are made a block at a time.
void MicEngine::Impl::continuessi(int j, bool partners, const ReplicateIndex& rep, Work& work) const {
    const int pitch = work.pitch;
    const int n = ds.nmic[j];
    const std::int32_t* src = rep.micsrc[j];
    double* own = work.ssi0.data();
    const AlleleStat* st = work.stats.data();
    const double* terms = work.terms.data();
    const int* loci = work.loci.data();
    const int* cbase = work.cbase.data();
    int* live = work.live.data();
    int* liveat = work.liveat.data();
    int* livefirst = work.livefirst.data();
    int* liveend = work.liveend.data();
    double* line0 = work.line0.data();
    int nlive = 0;
    for (int u = 0; u < work.nchunk; ++u) {
        livefirst[u] = nlive;
        // Without a branch: an allele j lacks is written, then overwritten
        // by the next, and its liveat entry is never read.
        for (int col = cbase[u]; col < cbase[u] + nd[at(loci[u])]; ++col) {
            liveat[col] = nlive;
            live[nlive] = col;
            line0[nlive] = terms[3 * at(col)];
            nlive += st[col].ncar > 0;
        }
        liveend[u] = nlive;
    }
    const int stride = round8(nlive);
    work.stride = stride;
    std::fill(line0 + nlive, line0 + stride, 0.0);
    // Rows 0..j-1 the partners' sums, row j population j's own; without
    // partners, row 0 its own.
    const int rows = partners ? j + 1 : 1;
    double* accs = work.accs.data();
    for (int i = 0; i < rows; ++i) {
        double* acc = accs + i * stride;
        const double* from = own + i * pitch;
        if (i + 1 < rows) {
            // Where j carries every allele of the chunk (the rule with
            // SNPs), its columns are the chunk's.
            if (nlive == work.width) {
                std::memcpy(acc, from, sizeof(double) * at(nlive));
            } else {
                for (int c = 0; c < nlive; ++c) acc[c] = from[live[c]];
            }
            std::fill(acc + nlive, acc + stride, 0.0);
        } else {
            std::fill(acc, acc + stride, 0.0);
        }
    }
    if (stride > 0) {
        const int block = blocklinesfor(blocklines, stride);
        double* lines = work.lines.data();
        const std::size_t rowbytes = sizeof(double) * at(stride);
        const int* place = work.tileat.data();
        const Geno* popgeno = tile(j, 0);
        for (int k0 = 0; k0 < n; k0 += block) {
            const int count = std::min(block, n - k0);
            for (int k = 0; k < count; ++k) {
                double* line = lines + k * stride;
                std::memcpy(line, line0, rowbytes);
                const Geno* g = popgeno + static_cast<std::size_t>(src[k0 + k]) * TILE;
                for (int u = 0; u < work.nchunk; ++u) {
                    const Geno y = g[place[u]];
                    if (y.d0 == nd[static_cast<std::size_t>(loci[u])]) {
                        std::fill(line + livefirst[u], line + liveend[u], 0.0);
                        continue;
                    }
                    const int c0 = cbase[u] + y.d0;
                    const int c1 = cbase[u] + y.d1;
                    // A homozygote's second write replaces the first.
                    line[liveat[c1]] = terms[3 * static_cast<std::size_t>(c1) + 1];
                    line[liveat[c0]] = terms[3 * static_cast<std::size_t>(c0) + 1 + (c0 == c1)];
                }
            }
            kern.addlines(accs, rows, stride, lines, count, stride, stride);
        }
    }
    double* mine = own + j * pitch;
    const double* sum = accs + (rows - 1) * stride;
    if (nlive == work.width) {
        std::memcpy(mine, sum, sizeof(double) * at(nlive));
    } else {
        std::fill(mine, mine + work.width, 0.0);
        for (int c = 0; c < nlive; ++c) mine[live[c]] = sum[c];
    }
}

}  // namespace gstboot
