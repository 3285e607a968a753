#include "estimates/micengineimpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gstboot {

using namespace micparts;

// How often the replicate draws each locus and each individual, and each
// population's drawn individuals.
void MicEngine::Impl::drawpops(const ReplicateIndex& rep, Work& work) const {
    std::fill(work.draws.begin(), work.draws.end(), 0);
    for (int l = 0; l < ds.nloci; ++l) ++work.draws[at(rep.rl[at(l)])];
    work.cells = 0;
    for (int l = 0; l < ds.nloci; ++l) {
        work.rank[at(l)] = work.cells;
        work.cells += work.draws[at(l)] > 0 ? (pooled ? nd[at(l)] : 1) : 0;
    }
    std::int32_t* mult = work.scratch.data();
    for (int p = 0; p < ds.npop; ++p) {
        const int n = ds.nmic[p];
        std::fill(mult, mult + n, 0);
        for (int s = 0; s < n; ++s) ++mult[rep.micsrc[p][s]];
        std::int32_t* drawn = &work.drawn[at(p) * at(maxind)];
        std::int32_t* times = &work.mult[at(p) * at(maxind)];
        int k = 0;
        for (int i = 0; i < n; ++i) {
            drawn[k] = i;
            times[k] = mult[i];
            k += mult[i] > 0;
        }
        work.ndrawn[at(p)] = k;
    }
}

// A population's tally over the chunk: matching copies in a cell's low
// half, carriers in its high half, by column.
void MicEngine::Impl::tallycodes(int p, Work& work) const {
    const int nchunk = work.nchunk;
    std::uint64_t* tally = work.tally.data();
    const int* loci = work.loci.data();
    const int* base = work.tallyat.data();
    std::fill(tally, tally + work.width + nchunk, 0);
    const std::int32_t* drawn = &work.drawn[at(p) * at(maxind)];
    const std::int32_t* times = &work.mult[at(p) * at(maxind)];
    // A tile at a time, and in it an individual's loci in the inner loop:
    // the genotypes are read in the order they are stored, and consecutive
    // updates fall on different cells and need not wait for each other.
    constexpr std::uint64_t COPY = 1, CARRIER = std::uint64_t{1} << 32;
    const int ndrawn = work.ndrawn[at(p)];
    for (int u0 = 0, u1 = 0; u0 < nchunk; u0 = u1) {
        const int t = loci[u0] / TILE;
        while (u1 < nchunk && loci[u1] / TILE == t) ++u1;
        const Geno* tilegeno = tile(p, t);
        for (int k = 0; k < ndrawn; ++k) {
            const Geno* g = tilegeno + at(drawn[k]) * TILE;
            if (k + 4 < ndrawn) {
                const Geno* ahead = tilegeno + at(drawn[k + 4]) * TILE;
                __builtin_prefetch(ahead);
                __builtin_prefetch(ahead + TILE - 1);
            }
            const auto m = static_cast<std::uint64_t>(times[k]);
            for (int u = u0; u < u1; ++u) {
                const Geno y = g[loci[u] % TILE];
                const int a = base[u] + y.d0;
                const int b = base[u] + y.d1;
                const std::uint64_t het = a != b;
                tally[a] += m * (COPY + CARRIER);
                tally[b] += m * (COPY + het * CARRIER);
            }
        }
    }
}

// tallycodes where every locus of the chunk has two codes: the genotypes
// of each sum of code indices counted at every locus of a tile at once
// (loci the chunk leaves out of a tile are counted too, and not read), then
// turned into copies and carriers.
void MicEngine::Impl::tallytwocodes(int p, const ReplicateIndex& rep, Work& work) const {
    constexpr std::uint64_t CARRIER = std::uint64_t{1} << 32;
    constexpr std::uint64_t LOW = 0x0101010101010101u;
    const int nchunk = work.nchunk;
    const int* loci = work.loci.data();
    const int* base = work.tallyat.data();
    std::uint64_t* tally = work.tally.data();
    const std::int32_t* src = rep.micsrc[p];
    const int n = ds.nmic[p];
    static_assert(TILE == 16, "a tile's codes are two words");
    for (int u0 = 0, u1 = 0; u0 < nchunk; u0 = u1) {
        const int t = loci[u0] / TILE;
        while (u1 < nchunk && loci[u1] / TILE == t) ++u1;
        const std::uint8_t* codes = sumcode.data() + (at(p) * at(ntiles) + at(t)) * at(maxind) * TILE;
        // By sum (0, 1, 2) and locus of the tile.
        std::uint32_t count[3][TILE] = {};
        // The replicate's slots one by one (a source drawn twice is added
        // twice), eight loci to a word: byte b of words[s][h] counts locus
        // 8h + b's genotypes of sum s, emptied into count before it can
        // reach 256. The words are copied to and from bytes, so that the
        // loci's order in them is the machine's own.
        for (int k0 = 0; k0 < n; k0 += 255) {
            std::uint64_t words[3][2] = {};
            for (int k = k0; k < std::min(n, k0 + 255); ++k) {
                std::uint64_t g[2];
                std::memcpy(g, codes + at(src[k]) * TILE, sizeof g);
                for (int h = 0; h < 2; ++h) {
                    words[0][h] += g[h] & LOW;
                    words[1][h] += g[h] >> 1 & LOW;
                    words[2][h] += g[h] >> 2 & LOW;
                }
            }
            for (int s = 0; s < 3; ++s) {
                std::uint8_t bytes[TILE];
                std::memcpy(bytes, words[s], sizeof bytes);
                for (int v = 0; v < TILE; ++v) count[s][v] += bytes[v];
            }
        }
        for (int u = u0; u < u1; ++u) {
            const int v = loci[u] % TILE;
            const std::uint64_t c0 = count[0][v], c1 = count[1][v], c2 = count[2][v];
            tally[base[u]] = (2 * c0 + c1) + (c0 + c1) * CARRIER;
            tally[base[u] + 1] = (c1 + 2 * c2) + (c1 + c2) * CARRIER;
        }
    }
}

// Population p's statistics at every locus of the chunk, over its typed
// individuals, each as often as the replicate draws it; its lanes of the
// tables; and its typed and heterozygous genotypes added to its totals
// over the replicate's loci (a locus as often as it is drawn).
void MicEngine::Impl::preparepop(int p, const ReplicateIndex& rep, Work& work) const {
    const int nchunk = work.nchunk;
    std::uint64_t* tally = work.tally.data();
    const int* loci = work.loci.data();
    const int* cbase = work.cbase.data();
    const int* base = work.tallyat.data();
    if (work.twocodes) {
        tallytwocodes(p, rep, work);
    } else {
        tallycodes(p, work);
    }
    // x of an individual with m matching copies, as indfraction sums it.
    const double x[3] = {0.0, 0.5 + 0.0, 0.5 + (0.5 + 0.0)};
    std::int32_t typedtotal = 0, hets = 0;
    for (int u = 0; u < nchunk; ++u) {
        const int l = loci[u];
        const int end = cbase[u] + nd[at(l)];
        // Every typed draw gives its alleles two copies, every
        // heterozygous one two single carriers.
        std::int32_t copies = 0, singles = 0;
        const std::uint64_t* cells = tally + (base[u] - cbase[u]);
        for (int col = cbase[u]; col < end; ++col) {
            AlleleStat& a = work.stats[at(col)];
            a.count = static_cast<std::int32_t>(cells[col] & 0xffffffffu);
            a.ncar = static_cast<std::int32_t>(cells[col] >> 32);
            copies += a.count;
            singles += 2 * a.ncar - a.count;
        }
        const std::int32_t typed = copies / 2;
        const std::int32_t drawsof = work.draws[at(l)];
        typedtotal += drawsof * typed;
        hets += drawsof * (singles / 2);
        work.typedT[at(u) * at(lanerow) + at(p)] = typed;
        const double* freq = sums(2 * typed);
        for (int col = cbase[u]; col < end; ++col) {
            AlleleStat& a = work.stats[at(col)];
            a.p = freq[a.count];
            a.ssw0 = static_cast<double>(2 * a.ncar - a.count) * 0.5;  // the heterozygous carriers' copies
            double* t = &work.terms[3 * at(col)];
            for (int m = 0; m < 3; ++m) {
                const double dd = x[m] - a.p;
                t[m] = (2.0 * dd) * dd;
            }
            const std::size_t cell = at(col) * at(lanerow) + at(p);
            work.pT[cell] = a.p;
            work.cntT[cell] = a.count;
            work.ssw0T[cell] = a.ssw0;
        }
    }
    work.typedtotal[at(p)] += typedtotal;
    work.hets[at(p)] += hets;
}

}  // namespace gstboot
