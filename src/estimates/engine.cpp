#include "estimates/engine.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "estimates/components.h"
#include "estimates/exactsum.h"
#include "estimates/isa.h"
#include "estimates/kernels.h"

namespace gstboot {

namespace {

constexpr int WMAX = MAXNAMEDCOPIES;
// Bytes of one block of generated term lines: small enough to stay in the
// second-level cache while every partner passes over it.
constexpr std::size_t BLOCKBYTES = std::size_t{192} << 10;
constexpr int MAXBLOCKLINES = 24;

int round8(int n) { return (n + 7) / 8 * 8; }

// Storage on whole cache lines: rows of 8 doubles then never straddle two,
// which a vector load pays for twice.
template <typename T>
struct LineAllocator {
    using value_type = T;
    LineAllocator() = default;
    template <typename U>
    LineAllocator(const LineAllocator<U>&) {}
    T* allocate(std::size_t n) {
        return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{64}));
    }
    void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t{64}); }
    template <typename U>
    bool operator==(const LineAllocator<U>&) const { return true; }
    template <typename U>
    bool operator!=(const LineAllocator<U>&) const { return false; }
};
using Lines = std::vector<double, LineAllocator<double>>;

// An allele code an individual carries, as stored once for the data as read.
struct Mark {
    std::int32_t dense;  // index among the codes of its row
    std::uint8_t m;
    std::uint64_t pattern;
};

// A MIC genotype at one locus: the dense codes of its two alleles, equal
// when it is homozygous (both copies match one allele).
struct MicGeno {
    std::int32_t d0, d1;
};

// Running sums of 1/t: table[t][c] is 1/t added c times.
class ReciprocalSums {
public:
    void need(int t) {
        if (t < 0) return;
        if (static_cast<std::size_t>(t) >= tables_.size()) tables_.resize(static_cast<std::size_t>(t) + 1);
        std::vector<double>& v = tables_[static_cast<std::size_t>(t)];
        if (!v.empty()) return;
        v.resize(static_cast<std::size_t>(t) + 1);
        double s = 0.0;
        v[0] = s;
        for (int c = 1; c <= t; ++c) {
            s = 1.0 / static_cast<double>(t) + s;
            v[static_cast<std::size_t>(c)] = s;
        }
    }
    const double* of(int t) const { return tables_[static_cast<std::size_t>(t)].data(); }

private:
    std::vector<std::vector<double>> tables_;
};

}  // namespace

struct Engine::Impl {
    const DataSet& ds;
    const Kernels& kern;  // of the instruction set chosen at construction
    int nrows = 0;  // 1 + nloci: row 0 MHC, row 1 + L source locus L
    std::vector<std::vector<int>> codes;       // ascending codes of each row
    std::vector<int> rowbase;                  // first dense index of each row
    std::vector<int> termbase;                 // first term cell of each row
    int ndense = 0;
    int nterms = 0;                            // term cells per population
    int blocklines = 0;                        // lines per block; 0: by size
    int maxind = 0;                            // the largest population
    int lp = 0;                                // lanepitch(npop)
    // MHC marks per individual; MIC genotypes laid out by locus so that a
    // locus's individuals sit together: [(p*nloci + L)*maxind + i].
    std::vector<Mark> marks;
    std::vector<std::int32_t> mhcmark;  // [p*maxind + i]: first mark, end at +1
    std::vector<MicGeno> micgeno;
    ReciprocalSums sums;
    std::vector<double> zeros;          // a table of zeros for unused lanes
    // SSW terms of a matching and of a non-matching copy, per row width.
    double ssa[WMAX + 1][WMAX + 1] = {};
    double ssb[WMAX + 1][WMAX + 1] = {};
    bool dyadic[WMAX + 1] = {};
    bool mictables = false;  // heterozygosity tables for the MIC totals

    Impl(const DataSet& d, Isa isa, int lines);
    const MicGeno* micgenos(int p, int locus) const {
        return &micgeno[(static_cast<std::size_t>(p) * static_cast<std::size_t>(ds.nloci) +
                         static_cast<std::size_t>(locus)) * static_cast<std::size_t>(maxind)];
    }
    int linesfor(int stride) const;
    void buildpop(int p, int row, int w, int n, const std::int32_t* src, const std::int32_t* mult, Work& work) const;
    void preparepop(int p, const ReplicateIndex& rep, Work& work) const;
    void continuessi(int j, bool mic, const ReplicateIndex& rep, Work& work) const;
    void continuessw(int j, int row, int width, Work& work) const;
    void pairlanes(int j, int lane0, bool mic, PairLanes& c) const;
};

struct Engine::Work {
    // Per population and dense allele.
    std::vector<AlleleStat> stats;  // [p*ndense + d]
    std::vector<double> terms;      // [p*nterms + termbase[row] + d*(w+1) + m]: SSI term of m matches
    std::vector<std::int32_t> km;   // likewise: individuals with m matches
    std::vector<Carrier> carriers;  // per population, per row regions
    std::vector<std::int32_t> carbase;  // [p]: first of population p's MHC carriers
    std::vector<std::int32_t> cursor;   // [d], scratch
    std::vector<std::int32_t> mhchets;  // [p]
    std::vector<std::int32_t> michets;
    std::vector<std::int32_t> multmhc;  // draws of each individual, scratch
    std::vector<std::int32_t> multmic;
    std::vector<std::int32_t> lochets;  // heterozygous draws by row, scratch
    std::vector<int> microws;           // row of each replicate locus
    // Rows of the data in use by the replicate, and where each source
    // locus's alleles sit among the replicate's MIC columns (-1: unused).
    std::vector<std::uint8_t> used;
    std::vector<int> colbase;
    int micwidth = 0;
    // Per population, its SSI from 0.0 over its own individuals, by column:
    // [p*stride + col], MHC and MIC.
    Lines ssi0mhc, ssi0mic;
    // Rows of sums being continued over one population's lines, and a
    // block of those lines (SSI terms by individual and column).
    Lines accs;
    Lines lines;
    Lines line0;
    std::vector<int> live, liveat;  // the columns j carries, and back
    // By dense allele and population (LP lanes): frequencies, matching
    // copies, own SSW; and for the current population j, each partner's
    // pair SSI and SSW.
    Lines pT;
    std::vector<std::int32_t, LineAllocator<std::int32_t>> cntT;
    Lines ssw0T;
    Lines ssiT;
    Lines sswT;
    std::vector<Range> ranges;
};

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

int Engine::Impl::linesfor(int stride) const {
    if (blocklines > 0) return blocklines;
    const std::size_t fit = BLOCKBYTES / (sizeof(double) * static_cast<std::size_t>(std::max(stride, 8)));
    return static_cast<int>(std::clamp<std::size_t>(fit, 1, MAXBLOCKLINES));
}

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
    // a block of lines never exceeds BLOCKBYTES unless one line does.
    const std::size_t wide = static_cast<std::size_t>(widest);
    const std::size_t blockcells = e.blocklines > 0 ? static_cast<std::size_t>(e.blocklines) * wide
                                                    : std::min(MAXBLOCKLINES * wide, std::max(BLOCKBYTES / sizeof(double), wide));
    work->lines.resize(blockcells + 1);
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


// The statistics of one row (MHC, or one source locus) of population p, for
// the individuals src[0..n-1] of the data as read.
void Engine::Impl::buildpop(int p, int row, int w, int n, const std::int32_t* src, const std::int32_t* mult,
                            Work& work) const {
    const int base = rowbase[static_cast<std::size_t>(row)];
    const int nd = static_cast<int>(codes[static_cast<std::size_t>(row)].size());
    AlleleStat* st = &work.stats[static_cast<std::size_t>(p * ndense + base)];
    const int stride = w + 1;
    const std::size_t tb = static_cast<std::size_t>(p * nterms + termbase[static_cast<std::size_t>(row)]);
    std::int32_t* km = &work.km[tb];
    double* terms = &work.terms[tb];
    // Individuals by allele and number of matching copies, counted over the
    // individuals of the data in order, each as often as the replicate
    // draws it; the counts and carriers follow from them.
    std::fill(km, km + nd * stride, 0);
    if (row == 0) {
        for (int i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>(p) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(i);
            for (std::int32_t q = mhcmark[at]; q < mhcmark[at + 1]; ++q) {
                const Mark& mk = marks[static_cast<std::size_t>(q)];
                km[mk.dense * stride + mk.m] += mult[i];
            }
        }
    } else {
        const MicGeno* g = micgenos(p, row - 1);
        for (int i = 0; i < n; ++i) {
            const MicGeno x = g[i];
            const int hom = x.d0 == x.d1;
            km[x.d0 * 3 + 1 + hom] += mult[i];
            km[x.d1 * 3 + 1] += mult[i] * (1 - hom);
        }
    }
    for (int d = 0; d < nd; ++d) {
        std::int32_t count = 0, ncar = 0;
        for (int m = 1; m <= w; ++m) {
            count += m * km[d * stride + m];
            ncar += km[d * stride + m];
        }
        st[d].count = count;
        st[d].ncar = ncar;
    }
    // The carriers themselves are needed only where SSW is summed term by
    // term, which never happens for MIC rows (two copies).
    if (row == 0 && !dyadic[w]) {
        std::int32_t next = work.carbase[static_cast<std::size_t>(p)];
        for (int d = 0; d < nd; ++d) {
            st[d].first = next;
            work.cursor[static_cast<std::size_t>(d)] = next;
            next += st[d].ncar;
        }
        for (int s = 0; s < n; ++s) {
            const std::size_t at = static_cast<std::size_t>(p) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(src[s]);
            for (std::int32_t q = mhcmark[at]; q < mhcmark[at + 1]; ++q) {
                const Mark& mk = marks[static_cast<std::size_t>(q)];
                work.carriers[static_cast<std::size_t>(work.cursor[static_cast<std::size_t>(mk.dense)]++)] =
                    Carrier{mk.m, mk.pattern};
            }
        }
    }
    const double* freq = sums.of(n * w);
    const double* x = sums.of(w);
    const double wd = static_cast<double>(w);
    for (int d = 0; d < nd; ++d) {
        AlleleStat& a = st[d];
        if (a.ncar == 0) {
            a.p = 0.0;
            a.ssw0 = 0.0;
            continue;
        }
        std::int32_t* k = km + d * stride;
        double* t = terms + d * stride;
        k[0] = n - a.ncar;
        a.p = freq[a.count];
        for (int m = 0; m <= w; ++m) {
            const double dd = x[m] - a.p;
            t[m] = (wd * dd) * dd;
        }
        if (dyadic[w]) {
            // Every partial sum is exact, so the order of the terms does not
            // matter: count them by their number of matches.
            double sum = 0.0;
            for (int m = 1; m <= w; ++m) {
                sum = sum + static_cast<double>(k[m]) * (static_cast<double>(m) * ssa[w][m] +
                                                         static_cast<double>(w - m) * ssb[w][m]);
            }
            a.ssw0 = sum;
        } else {
            // Summed term by term later, as one more lane beside the
            // partners (see continuessw).
            a.ssw0 = 0.0;
        }
    }
}

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

void Engine::Impl::pairlanes(int j, int lane0, bool mic, PairLanes& c) const {
    const int width = mic ? 2 : ds.mhccopies;
    const std::int32_t* sizes = mic ? ds.nmic.data() : ds.nmhc.data();
    c.pitch = lp;
    for (int l = 0; l < 8; ++l) {
        const int i = lane0 + l;
        c.nk[l] = c.ncm1[l] = c.twf[l] = c.niw[l] = c.njw[l] = 0.0;
        c.pall[l] = zeros.data();
        if (i >= j) continue;
        const int ni = sizes[i], nj = sizes[j];
        const int n = ni + nj;
        if (n == 0) continue;  // scored apart
        const double nd = static_cast<double>(n);
        const double nc = nd - static_cast<double>(ni * ni + nj * nj) / nd;
        c.nk[l] = static_cast<double>(n - 2);
        c.ncm1[l] = nc - 1.0;
        c.twf[l] = (nc * c.nk[l]) / nd;
        c.niw[l] = static_cast<double>(ni * width);
        c.njw[l] = static_cast<double>(nj * width);
        c.pall[l] = sums.of(n * width);
    }
}

// Population p's statistics for the replicate: every row in use, its
// heterozygote counts, and its lane of the by-allele tables.
void Engine::Impl::preparepop(int p, const ReplicateIndex& rep, Work& work) const {
    const int w = ds.mhccopies;
    std::int32_t* mm = work.multmhc.data();
    std::int32_t* mc = work.multmic.data();
    std::fill(mm, mm + ds.nmhc[p], 0);
    std::fill(mc, mc + ds.nmic[p], 0);
    for (int s = 0; s < ds.nmhc[p]; ++s) ++mm[rep.mhcsrc[p][s]];
    for (int s = 0; s < ds.nmic[p]; ++s) ++mc[rep.micsrc[p][s]];
    buildpop(p, 0, w, ds.nmhc[p], rep.mhcsrc[p], mm, work);
    for (int r = 1; r < nrows; ++r) {
        if (work.used[static_cast<std::size_t>(r)]) buildpop(p, r, 2, ds.nmic[p], rep.micsrc[p], mc, work);
    }
    // Heterozygotes as the correction counts them, from the tallies: an MHC
    // individual is homozygous when all its copies match one allele (with no
    // copies, every individual counts as homozygous); a MIC heterozygote
    // adds one to the single-match count of each of its two alleles. Each
    // replicate locus counts as often as it is drawn.
    std::int32_t hom = 0;
    const std::int32_t* km0 = &work.km[static_cast<std::size_t>(p * nterms + termbase[0])];
    for (int d = 0; d < static_cast<int>(codes[0].size()); ++d) hom += km0[d * (w + 1) + w];
    work.mhchets[static_cast<std::size_t>(p)] = w == 0 ? 0 : ds.nmhc[p] - hom;
    std::int32_t* lochets = work.lochets.data();
    for (int r = 1; r < nrows; ++r) {
        if (!work.used[static_cast<std::size_t>(r)]) continue;
        const std::int32_t* km = &work.km[static_cast<std::size_t>(p * nterms + termbase[static_cast<std::size_t>(r)])];
        std::int32_t single = 0;
        for (int d = 0; d < static_cast<int>(codes[static_cast<std::size_t>(r)].size()); ++d) single += km[d * 3 + 1];
        lochets[r] = single / 2;
    }
    std::int32_t h = 0;
    for (int l = 0; l < ds.nloci; ++l) h += lochets[1 + rep.rl[static_cast<std::size_t>(l)]];
    work.michets[static_cast<std::size_t>(p)] = h;
    for (int r = 0; r < nrows; ++r) {
        if (!work.used[static_cast<std::size_t>(r)]) continue;
        const int base = rowbase[static_cast<std::size_t>(r)];
        const int nd = static_cast<int>(codes[static_cast<std::size_t>(r)].size());
        for (int d = base; d < base + nd; ++d) {
            const std::size_t at = static_cast<std::size_t>(d) * static_cast<std::size_t>(lp) + static_cast<std::size_t>(p);
            const AlleleStat& a = work.stats[static_cast<std::size_t>(p * ndense + d)];
            work.pT[at] = a.p;
            work.cntT[at] = a.count;
            work.ssw0T[at] = a.ssw0;
        }
    }
}

namespace {

// A pair with no individual on either side: the denominator is not a number
// whenever an allele is scored; take it from the components themselves.
double emptypair(const std::vector<std::vector<int>>& codes, int width, const int* rows, int nrows) {
    const PopBlock none[2];
    const std::int32_t zero[2] = {0, 0};
    double num = 0.0;
    double den = 0.0;
    for (int q = 0; q < nrows; ++q) {
        for (int code : codes[static_cast<std::size_t>(rows[q])]) {
            num = num + gstnum(2, zero, width, code, none);
            den = den + gstden(2, zero, width, code, none);
        }
    }
    return num / den;
}

}  // namespace

void Engine::score(const ReplicateIndex& rep, Work& work, PairEstimates& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    const int w = ds.mhccopies;
    out.shape(ds.npop);
    std::fill(work.used.begin(), work.used.end(), 0);
    work.used[0] = 1;
    for (int l = 0; l < ds.nloci; ++l) work.used[static_cast<std::size_t>(1 + rep.rl[static_cast<std::size_t>(l)])] = 1;
    work.micwidth = 0;
    for (int r = 1; r < e.nrows; ++r) {
        work.colbase[static_cast<std::size_t>(r)] = -1;
        if (!work.used[static_cast<std::size_t>(r)]) continue;
        work.colbase[static_cast<std::size_t>(r)] = work.micwidth;
        work.micwidth += static_cast<int>(e.codes[static_cast<std::size_t>(r)].size());
    }
    work.colbase[0] = 0;

    const bool corr = ds.settings.corrflag;
    const int mhcrow = 0;
    int* microws = work.microws.data();
    Range* ranges = work.ranges.data();
    for (int l = 0; l < ds.nloci; ++l) {
        const int r = 1 + rep.rl[static_cast<std::size_t>(l)];
        microws[l] = r;
        ranges[1 + l] = Range{e.rowbase[static_cast<std::size_t>(r)],
                              e.rowbase[static_cast<std::size_t>(r)] + static_cast<int>(e.codes[static_cast<std::size_t>(r)].size())};
    }
    ranges[0] = Range{0, static_cast<int>(e.codes[0].size())};
    for (int j = 0; j < ds.npop; ++j) {
        // Population j's statistics are formed just before its lines need
        // them, while its genotypes are still in the cache.
        e.preparepop(j, rep, work);
        e.continuessi(j, false, rep, work);
        e.continuessi(j, true, rep, work);
        e.continuessw(j, 0, w, work);
        if (j == 0) continue;
        for (int r = 1; r < e.nrows; ++r) {
            if (work.used[static_cast<std::size_t>(r)]) e.continuessw(j, r, 2, work);
        }
        const AlleleStat* sj = &work.stats[static_cast<std::size_t>(j * e.ndense)];
        for (int lane0 = 0; lane0 < j; lane0 += 8) {
            PairLanes c;
            double num[8], den[8], micnum[8], micden[8];
            const int lanes = std::min(8, j - lane0);
            e.pairlanes(j, lane0, false, c);
            e.kern.ratiolanes(c, lanes, ranges, 1, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(), work.cntT.data(), sj,
                       num, den);
            e.pairlanes(j, lane0, true, c);
            e.kern.ratiolanes(c, lanes, ranges + 1, ds.nloci, lane0, work.ssiT.data(), work.sswT.data(), work.pT.data(),
                       work.cntT.data(), sj, micnum, micden);
            for (int l = 0; l < lanes; ++l) {
                const int i = lane0 + l;
                const int mi = ds.nmhc[i], mj = ds.nmhc[j];
                double mhc = mi + mj == 0 ? emptypair(e.codes, w, &mhcrow, 1) : num[l] / den[l];
                if (corr) {
                    const double het = e.sums.of(mi + mj)[work.mhchets[static_cast<std::size_t>(i)] + work.mhchets[static_cast<std::size_t>(j)]];
                    mhc = mhc / (1.0 - het);
                }
                out.mhc[i][j] = mhc;
                const int ci = ds.nmic[i], cj = ds.nmic[j];
                double mic = ci + cj == 0 ? emptypair(e.codes, 2, microws, ds.nloci) : micnum[l] / micden[l];
                if (corr) {
                    const std::int32_t hets = work.michets[static_cast<std::size_t>(i)] + work.michets[static_cast<std::size_t>(j)];
                    const double het =
                        hets == 0       ? 0.0
                        : e.mictables ? e.sums.of((ci + cj) * ds.nloci)[hets]
                                      : repeatadd(0.0, 1.0 / static_cast<double>((ci + cj) * ds.nloci), hets);
                    mic = mic / (1.0 - het);
                }
                out.mic[i][j] = mic;
            }
        }
    }
}

}  // namespace gstboot
