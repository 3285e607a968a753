#include "estimates/micengineimpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gstboot {

using namespace micparts;

// Where every locus of the chunk has two codes, every column is taken:
// a code j lacks has p = 0 and adds (2 (0 - 0)) * 0 = +0.0 for each of
// j's individuals, which leaves every sum as it is. The values a genotype
// picks at each locus go to work.picks. Returns the columns.
int MicEngine::Impl::liveall(Work& work) const {
    const double* terms = work.terms.data();
    double* picks = work.picks.data();
    for (int u = 0; u < work.nchunk; ++u) {
        work.livefirst[at(u)] = 2 * u;
        work.liveend[at(u)] = 2 * u + 2;
        const double* first = terms + 6 * at(u);
        const double* second = first + 3;
        double* pick = picks + 10 * at(u);
        // By sum code: untyped, 0/0, one of each, -, 1/1.
        const double values[10] = {0.0, 0.0, first[2], second[0], first[1], second[1], 0.0, 0.0, first[0], second[2]};
        std::memcpy(pick, values, sizeof values);
    }
    for (int col = 0; col < work.width; ++col) {
        work.live[at(col)] = col;
        work.liveat[at(col)] = col;
    }
    return work.width;
}

// The lines of `count` of population j's slots whose sources are
// src[0..count-1], where every locus of the chunk has two codes: at each
// locus, one copy of the pair of values its genotype picks.
void MicEngine::Impl::twocodelines(int j, const std::int32_t* src, int count, Work& work) const {
    const int stride = work.stride;
    const int width = work.width;
    const int* place = work.tileat.data();
    const double* picks = work.picks.data();
    const std::uint8_t* codes = sumcode.data() + at(j) * at(ntiles) * at(maxind) * TILE;
    for (int k = 0; k < count; ++k) {
        double* line = work.lines.data() + k * stride;
        const std::uint8_t* g = codes + static_cast<std::size_t>(src[k]) * TILE;
        for (int u = 0; u < work.nchunk; ++u) {
            std::memcpy(line + 2 * u, picks + 10 * u + 2 * g[place[u]], 2 * sizeof(double));
        }
        std::fill(line + width, line + stride, 0.0);
    }
}

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
    int nlive = work.twocodes ? liveall(work) : 0;
    for (int u = 0; u < work.nchunk && !work.twocodes; ++u) {
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
            if (work.twocodes) {
                twocodelines(j, src + k0, count, work);
            } else {
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
