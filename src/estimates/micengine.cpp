#include "estimates/micengine.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "estimates/exactsum.h"
#include "estimates/lines.h"
#include "estimates/kernels.h"

namespace gstboot {

namespace {

std::size_t at(int n) { return static_cast<std::size_t>(n); }

// A genotype at one locus: the indices of its two alleles among the
// locus's codes, equal for a homozygote; both the locus's number of codes
// when untyped (a slot of its own in a tally).
struct Geno {
    std::int32_t d0, d1;
};

// What a chunk's tables may take: about a quarter of a second-level cache,
// so that they stay there while every population passes over the chunk.
constexpr std::size_t CHUNKBYTES = std::size_t{512} << 10;
// The table of the pairs' locus terms of one thread.
constexpr std::size_t TABLEBYTES = std::size_t{256} << 20;
// Per group of eight pairs and locus: eight numerators, eight denominators.
constexpr int GROUPCELLS = 16;
// The genotypes are stored a tile of loci at a time: a population's
// individuals' genotypes at TILE consecutive loci lie together, so that a
// chunk's are one stretch of memory, and one individual's at a tile one
// cache line or two.
constexpr int TILE = 16;

int groupsof(int j) { return (j + 7) / 8; }

}  // namespace

int MicEngine::chunkcolumns(const DataSet& ds) {
    // Per column: two rows of sums and the lane tables by population, a
    // block of lines, and the current population's statistics and terms.
    const std::size_t percolumn =
        16 * at(ds.npop) + 28 * at(round8(ds.npop)) + 8 * at(MAXBLOCKLINES) + sizeof(AlleleStat) + 40;
    return static_cast<int>(std::max<std::size_t>(64, CHUNKBYTES / percolumn));
}

std::size_t MicEngine::tablebudget() { return TABLEBYTES; }

struct MicEngine::Impl {
    const DataSet& ds;
    int blocklines;
    int chunkcols;   // columns a chunk takes before it closes
    int capacity;    // the widest chunk: chunkcols, or one wider locus
    int maxgroups;   // groups of pairs one pass's table holds
    int maxind;      // the largest population
    int lanerow;     // npop rounded up to whole groups of 8: [column * lanerow + partner]
    bool pooled;     // no genotype missing: one ratio over every allele of every drawn locus
    int rowcells;    // the most cells a group's row of the table takes
    std::vector<int> nd;          // codes of each locus
    std::vector<int> groupfirst;  // [j]: the first group of pairs (., j); [npop]: how many
    int ntiles;
    std::vector<Geno> geno;       // [((p * ntiles + L / TILE) * maxind + i) * TILE + L % TILE]
    // recip[recipat[t] + c]: 1/t added c times from 0.0, for even t.
    std::vector<double> recip;
    std::vector<std::size_t> recipat;
    std::vector<double> zeros;  // the table of unused lanes
    const Kernels& kern;  // of the instruction set chosen at construction

    Impl(const DataSet& d, Isa isa, const MicBlocking& b);
    const double* sums(int t) const { return recip.data() + recipat[at(t)]; }
    // Population p's genotypes at tile t: individual i's at [i * TILE + L % TILE].
    const Geno* tile(int p, int t) const {
        return geno.data() + (at(p) * at(ntiles) + at(t)) * at(maxind) * TILE;
    }
    const Geno& genoat(int p, int i, int l) const { return tile(p, l / TILE)[at(i) * TILE + at(l % TILE)]; }
    // Cells of a group's row of the table: a locus each, or with the
    // pooled estimate an allele each.
    std::size_t cellsof(int groups) const { return at(groups) * at(rowcells) * GROUPCELLS; }
    void ratios(int j, int i0, int row, const ReplicateIndex& rep, Work& work, PairTable& out) const;
    void drawpops(const ReplicateIndex& rep, Work& work) const;
    void preparepop(int p, Work& work) const;
    void continuessi(int j, bool partners, const ReplicateIndex& rep, Work& work) const;
    void locusterms(int j, int i0, int row, Work& work) const;
};

struct MicEngine::Work {
    std::vector<std::int32_t> draws;  // [L]: how often the replicate draws source locus L
    // Each population's drawn individuals and their draws: [p * maxind + k].
    std::vector<std::int32_t> drawn, mult;
    std::vector<std::int32_t> ndrawn;  // [p]
    std::vector<std::int32_t> scratch;
    // The chunk: its loci, the first column of each, its width.
    std::vector<int> loci, cbase;
    int nchunk = 0;
    int width = 0;
    // The tally of one population over the chunk by column, each locus
    // followed by a slot for its untyped genotypes: matching copies, and
    // carriers << 32.
    std::vector<std::uint64_t> tally;
    std::vector<int> tallyat;  // [u]: where locus u's columns start in it
    std::vector<std::int32_t> typedtotal;  // [p]: typed genotypes over the replicate's loci
    std::vector<std::int32_t> hets;        // and the heterozygous ones among them
    // The current population's statistics and SSI terms by column:
    // terms[col * 3 + m] for an individual with m matching copies.
    std::vector<AlleleStat> stats;
    std::vector<double> terms;
    // Every population's SSI from 0.0 over its own individuals at the
    // chunk's columns: [p * pitch + col].
    int pitch = 0;
    Lines ssi0;
    // Sums being continued over one population's lines, and a block of them.
    Lines accs, lines, line0;
    std::vector<int> live, liveat;        // the columns j carries, and back
    std::vector<int> livefirst, liveend;  // each chunk locus's run of them
    std::vector<int> tileat;              // each chunk locus's place in a population's tiles
    int stride = 0;
    // By column and population: frequency, matching copies, own SSW; for
    // the current j, each partner's pair SSI and SSW. By chunk locus and
    // population: typed individuals.
    Lines pT, ssw0T, ssiT, sswT;
    LineCounts cntT;
    std::vector<std::int32_t> typedT;
    // num_l / F_l and den_l / F_l of every pair of the pass by drawn locus:
    // [(group * cells + rank[L] + allele) * 16 + lane], numerators then
    // denominators, where a locus takes one cell, or one per allele with
    // the pooled estimate.
    std::vector<std::int32_t> rank;  // [L]: its first cell
    int cells = 0;
    Lines table;
};

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

// Population p's statistics at every locus of the chunk, over its typed
// individuals, each as often as the replicate draws it; its lanes of the
// tables; and its typed and heterozygous genotypes added to its totals
// over the replicate's loci (a locus as often as it is drawn).
void MicEngine::Impl::preparepop(int p, Work& work) const {
    const int width = work.width;
    const int nchunk = work.nchunk;
    std::uint64_t* tally = work.tally.data();
    const int* loci = work.loci.data();
    const int* cbase = work.cbase.data();
    // Each chunk locus's columns and, after them, its untyped genotypes'
    // slot, never read.
    int* base = work.tallyat.data();
    for (int u = 0; u < nchunk; ++u) base[u] = cbase[u] + u;
    std::fill(tally, tally + width + nchunk, 0);
    const std::int32_t* drawn = &work.drawn[at(p) * at(maxind)];
    const std::int32_t* times = &work.mult[at(p) * at(maxind)];
    // A tile at a time, and in it an individual's loci in the inner loop:
    // the genotypes are read in the order they are stored, and consecutive
    // updates fall on different cells and need not wait for each other.
    // A cell holds an allele's matching copies in its low half and its
    // carriers in its high half.
    constexpr std::uint64_t COPY = 1, CARRIER = std::uint64_t{1} << 32;
    for (int u0 = 0, u1 = 0; u0 < nchunk; u0 = u1) {
        const int t = loci[u0] / TILE;
        while (u1 < nchunk && loci[u1] / TILE == t) ++u1;
        const Geno* tilegeno = tile(p, t);
        const int ndrawn = work.ndrawn[at(p)];
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
        // Where each chunk locus's genotypes sit in population j's tiles.
        int* place = work.tileat.data();
        for (int u = 0; u < work.nchunk; ++u) place[u] = loci[u] / TILE * maxind * TILE + loci[u] % TILE;
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
            int l = l0;
            for (; l < ds.nloci; ++l) {
                if (work.draws[at(l)] == 0) continue;
                const int wide = e.nd[at(l)];
                if (work.nchunk > 0 && (work.width + wide > e.chunkcols || work.nchunk == e.capacity)) break;
                work.loci[at(work.nchunk)] = l;
                work.cbase[at(work.nchunk)] = work.width;
                ++work.nchunk;
                work.width += wide;
            }
            l0 = l;
            if (work.nchunk == 0) continue;
            for (int j = 0; j < j1; ++j) {
                // Population j's statistics are formed just before its lines
                // need them, while its genotypes are still in the cache.
                e.preparepop(j, work);
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
