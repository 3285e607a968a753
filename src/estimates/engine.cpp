#include "estimates/engine.h"

#include <algorithm>

#include "estimates/components.h"
#include "estimates/exactsum.h"

namespace gstboot {

namespace {

constexpr int WMAX = MAXCOPIES;

// One carrier of an allele: an individual (slot) whose copies match it.
struct Carrier {
    std::uint8_t pos;       // slot in the population, 0..199
    std::uint8_t m;         // matching copies, 1..w
    std::uint16_t pattern;  // bit c set: copy c matches
};

// One allele in one population of one replicate.
struct AlleleStat {
    double p;     // population frequency
    double ssi0;  // SSI of this population's individuals alone, from 0.0
    double ssw0;  // SSW likewise
    std::int32_t count;  // matching copies
    std::int32_t first;  // first carrier in Work::carriers
    std::int32_t ncar;   // carriers
};

// An allele code an individual carries, as stored once for the data as read.
struct Mark {
    std::int16_t dense;  // index among the codes of its row
    std::uint8_t m;
    std::uint16_t pattern;
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

// The continuation of many starting sums over one population's sequence at
// once: lane l is s[l] continued over population j's SSI terms (or its
// carriers' SSW terms), with the additions of each lane in the order of the
// sequence. Lanes are independent, so they are vectorised across partners;
// no lane's additions are reordered.
// Four lanes of doubles; arithmetic on it is four independent IEEE double
// operations, so a lane's result is that of the scalar loop.
typedef double v4d __attribute__((vector_size(32)));

template <int NV>
__attribute__((always_inline)) inline void sswlanes(double* s, const Carrier* car, int ncar, const double* a,
                                                    const double* b, int w) {
    v4d acc[NV];
    std::memcpy(acc, s, sizeof acc);
    for (int c = 0; c < ncar; ++c) {
        for (int copy = 0; copy < w; ++copy) {
            const double x = (car[c].pattern >> copy) & 1u ? a[car[c].m] : b[car[c].m];
            const v4d tm = {x, x, x, x};
            for (int v = 0; v < NV; ++v) acc[v] = acc[v] + tm;
        }
    }
    std::memcpy(s, acc, sizeof acc);
}

// A single running sum, for a population's own SSW.
double sswsum(const Carrier* car, int ncar, const double* a, const double* b, int w) {
    double acc = 0.0;
    for (int c = 0; c < ncar; ++c) {
        for (int copy = 0; copy < w; ++copy) acc = acc + ((car[c].pattern >> copy) & 1u ? a[car[c].m] : b[car[c].m]);
    }
    return acc;
}

// Eight lanes; the column sums use the widest vectors a processor has.
typedef double v8d __attribute__((vector_size(64)));

template <int NV>
__attribute__((always_inline)) inline void addrowsblock(double* acc, const double* tm, int n, int stride) {
    v8d a[NV];
    std::memcpy(a, acc, sizeof a);
    for (int k = 0; k < n; ++k) {
        const double* row = tm + static_cast<std::ptrdiff_t>(k) * stride;
        for (int v = 0; v < NV; ++v) {
            v8d r;
            std::memcpy(&r, row + 8 * v, sizeof r);
            a[v] = a[v] + r;
        }
    }
    std::memcpy(acc, a, sizeof a);
}

// acc[d] continued over rows 0..n-1 of tm: acc[d] + tm[0][d] + tm[1][d] + ...,
// each column's additions in row order. `width` and `stride` are multiples
// of 8; the columns are independent, so several run side by side.
__attribute__((target_clones("avx512f", "avx2", "default")))
void addrows(double* acc, const double* tm, int n, int width, int stride);

// addrows for `count` sums held `width` apart in accs, taking the table a
// block of lines at a time so that the block stays in the first-level cache
// while every sum passes over it. Each column still takes its lines in order.
void addrowsmany(double* accs, int count, const double* tm, int n, int width, int stride) {
    constexpr int LINES = 24;
    for (int k0 = 0; k0 < n; k0 += LINES) {
        const int lines = n - k0 < LINES ? n - k0 : LINES;
        for (int c = 0; c < count; ++c) addrows(accs + static_cast<std::ptrdiff_t>(c) * width, tm + k0 * stride, lines, width, stride);
    }
}

void addrows(double* acc, const double* tm, int n, int width, int stride) {
    int d = 0;
    for (; d + 64 <= width; d += 64) addrowsblock<8>(acc + d, tm + d, n, stride);
    switch ((width - d) / 8) {
        case 7: addrowsblock<7>(acc + d, tm + d, n, stride); break;
        case 6: addrowsblock<6>(acc + d, tm + d, n, stride); break;
        case 5: addrowsblock<5>(acc + d, tm + d, n, stride); break;
        case 4: addrowsblock<4>(acc + d, tm + d, n, stride); break;
        case 3: addrowsblock<3>(acc + d, tm + d, n, stride); break;
        case 2: addrowsblock<2>(acc + d, tm + d, n, stride); break;
        case 1: addrowsblock<1>(acc + d, tm + d, n, stride); break;
        default: break;
    }
}

// `s` holds `lanes` sums and room for up to 3 more, which are clobbered.
// Wider vectors where the processor has them; the arithmetic is the same
// rounded double additions whichever is chosen.
__attribute__((target_clones("avx512f", "avx2", "default")))
void continuelanesssw(double* s, int lanes, const Carrier* car, int ncar, const double* a, const double* b, int w) {
    int l = 0;
    for (; l + 16 <= lanes; l += 16) sswlanes<4>(s + l, car, ncar, a, b, w);
    if (l + 8 <= lanes) { sswlanes<2>(s + l, car, ncar, a, b, w); l += 8; }
    for (; l < lanes; l += 4) sswlanes<1>(s + l, car, ncar, a, b, w);
}

}  // namespace

struct Engine::Impl {
    const DataSet& ds;
    int nrows = 0;  // 1 + nloci: row 0 MHC, row 1 + L source locus L
    std::vector<int> rowwidth;                 // copies per individual of a row
    std::vector<std::vector<int>> codes;       // ascending codes of each row
    std::vector<int> rowbase;                  // first dense index of each row
    std::vector<int> termbase;                 // first term cell of each row
    int ndense = 0;
    int nterms = 0;                            // term cells per population
    // Per population: marks of each individual, MHC then MIC per locus.
    std::vector<Mark> marks;
    std::vector<std::int32_t> mhcmark;  // [p*MAXIND + i]: first mark, end at +1
    std::vector<std::int32_t> micmark;  // [(p*MAXIND + i)*nloci + L] first; two per locus
    std::vector<std::uint8_t> mhchet;   // [p*MAXIND + i]
    std::vector<std::uint8_t> michet;   // [(p*MAXIND + i)*nloci + L]
    ReciprocalSums sums;
    // SSW terms of a matching and of a non-matching copy, per row width.
    double ssa[WMAX + 1][WMAX + 1] = {};
    double ssb[WMAX + 1][WMAX + 1] = {};
    bool dyadic[WMAX + 1] = {};
    bool mictables = false;  // heterozygosity tables for the MIC totals
    std::size_t tablebytes = 0;

    explicit Impl(const DataSet& d);
    void buildpop(int p, int row, int w, int n, const std::int16_t* src, const std::int32_t* locus, Work& work) const;
    int termrows(int p, int row, int w, int n, Work& work, double* tm) const;
    // Where population p's table of `row` lives: cached, or rebuilt.
    double* tablefor(int p, int row, Work& work) const;
};

struct Engine::Work {
    // Per population and dense allele.
    std::vector<AlleleStat> stats;  // [p*ndense + d]
    std::vector<double> terms;      // [p*nterms + termbase[row] + d*(w+1) + m]: SSI term of m matches
    std::vector<std::int32_t> km;   // likewise: individuals with m matches
    std::vector<Carrier> carriers;  // per population, per row regions
    std::vector<std::int32_t> carbase;  // [p*nrows + row]
    std::vector<std::int32_t> cursor;   // [d], scratch
    std::int32_t mhchets[MAXPOP];
    std::int32_t michets[MAXPOP];
    std::vector<std::uint8_t> used;     // source loci in use by the replicate
    // For the current block-1 population j: [i*ndense + d], the SSI and SSW
    // of pair (i, j) for allele d.
    std::vector<double> pairssi;
    std::vector<double> pairssw;
    double lanes[MAXPOP + 4] = {};  // padded to whole blocks of 4 lanes
    std::vector<double> termrows;       // [individual*stride + d]: SSI terms of population j, one row
    // When they fit the budget, every population's tables of a replicate,
    // kept from their first use to their second: [tablebase[p*nrows+row]].
    std::vector<double> tables;
    std::vector<std::size_t> tablebase;
    std::vector<double> rowacc;         // [d], one row
    std::vector<double> partneracc;     // [i*stride + d], one row
};

Engine::Impl::Impl(const DataSet& d) : ds(d) {
    nrows = 1 + ds.nloci;
    rowwidth.assign(static_cast<std::size_t>(nrows), 2);
    rowwidth[0] = ds.mhccopies;
    codes.resize(static_cast<std::size_t>(nrows));
    rowbase.resize(static_cast<std::size_t>(nrows));
    termbase.resize(static_cast<std::size_t>(nrows));
    std::vector<std::int16_t> densemap(static_cast<std::size_t>(nrows) * NALLELE, -1);
    for (int r = 0; r < nrows; ++r) {
        rowbase[static_cast<std::size_t>(r)] = ndense;
        for (int a = 0; a < NALLELE; ++a) {
            if (ds.present[r][a] == 1) {
                densemap[static_cast<std::size_t>(r * NALLELE + a)] =
                    static_cast<std::int16_t>(codes[static_cast<std::size_t>(r)].size());
                codes[static_cast<std::size_t>(r)].push_back(a);
            }
        }
        ndense += static_cast<int>(codes[static_cast<std::size_t>(r)].size());
        termbase[static_cast<std::size_t>(r)] = nterms;
        nterms += static_cast<int>(codes[static_cast<std::size_t>(r)].size()) * (rowwidth[static_cast<std::size_t>(r)] + 1);
    }

    const int w = ds.mhccopies;
    mhcmark.assign(MAXPOP * MAXIND + 1, 0);
    mhchet.assign(MAXPOP * MAXIND, 0);
    const std::size_t nl = static_cast<std::size_t>(ds.nloci);
    micmark.assign(MAXPOP * MAXIND * nl + 1, 0);
    michet.assign(MAXPOP * MAXIND * nl, 0);
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            const std::size_t at = static_cast<std::size_t>(p * MAXIND + i);
            mhcmark[at] = static_cast<std::int32_t>(marks.size());
            int same = 0;
            for (int c = 1; c < w; ++c) same += ds.mhc[p][i][c] == ds.mhc[p][i][0];
            mhchet[at] = same < w - 1;
            for (int c = 0; c < w; ++c) {
                const int code = ds.mhc[p][i][c];
                bool seen = false;
                for (int e = 0; e < c; ++e) seen = seen || ds.mhc[p][i][e] == code;
                if (seen) continue;
                Mark mk{densemap[static_cast<std::size_t>(code)], 0, 0};
                for (int e = c; e < w; ++e) {
                    if (ds.mhc[p][i][e] == code) {
                        ++mk.m;
                        mk.pattern = static_cast<std::uint16_t>(mk.pattern | (1u << e));
                    }
                }
                marks.push_back(mk);
            }
            mhcmark[at + 1] = static_cast<std::int32_t>(marks.size());
        }
    }
    std::vector<Mark> micmarks;
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmic[p]; ++i) {
            for (int l = 0; l < ds.nloci; ++l) {
                const std::size_t at = (static_cast<std::size_t>(p * MAXIND + i)) * nl + static_cast<std::size_t>(l);
                const int a0 = ds.mic[p][i][l][0];
                const int a1 = ds.mic[p][i][l][1];
                const std::int16_t* map = &densemap[static_cast<std::size_t>((1 + l) * NALLELE)];
                micmark[at] = static_cast<std::int32_t>(micmarks.size());
                michet[at] = a0 != a1;
                if (a0 == a1) {
                    micmarks.push_back(Mark{map[a0], 2, 3});
                    micmarks.push_back(Mark{-1, 0, 0});
                } else {
                    micmarks.push_back(Mark{map[a0], 1, 1});
                    micmarks.push_back(Mark{map[a1], 1, 2});
                }
            }
        }
    }
    // MIC marks follow the MHC ones; two per individual and locus.
    const std::int32_t offset = static_cast<std::int32_t>(marks.size());
    for (std::int32_t& m : micmark) m += offset;
    marks.insert(marks.end(), micmarks.begin(), micmarks.end());

    for (int width : {w, 2}) {
        sums.need(width);
        const double* x = sums.of(width >= 0 ? width : 0);
        for (int m = 0; m <= width; ++m) {
            const double fa = 1.0 - x[m];
            const double fb = 0.0 - x[m];
            ssa[width][m] = fa * fa;
            ssb[width][m] = fb * fb;
        }
    }
    dyadic[0] = dyadic[1] = dyadic[2] = dyadic[4] = dyadic[8] = true;
    for (int p = 0; p < ds.npop; ++p) {
        sums.need(ds.nmhc[p] * w);
        sums.need(ds.nmic[p] * 2);
        for (int q = p + 1; q < ds.npop; ++q) {
            sums.need((ds.nmhc[p] + ds.nmhc[q]) * w);
            sums.need((ds.nmic[p] + ds.nmic[q]) * 2);
        }
    }
    if (switchon(ds.corrflag)) {
        // Heterozygosity sums are running sums of 1/N as well. The MIC
        // totals N * nloci can reach 20000, so their tables are kept only
        // while they stay small; otherwise the sums are stepped exactly.
        std::vector<char> seen(static_cast<std::size_t>(2 * MAXIND * MAXLOCI) + 1, 0);
        std::size_t bytes = 0;
        for (int p = 0; p < ds.npop; ++p) {
            for (int q = p + 1; q < ds.npop; ++q) {
                sums.need(ds.nmhc[p] + ds.nmhc[q]);
                const int t = (ds.nmic[p] + ds.nmic[q]) * ds.nloci;
                if (!seen[static_cast<std::size_t>(t)]) {
                    seen[static_cast<std::size_t>(t)] = 1;
                    bytes += sizeof(double) * (static_cast<std::size_t>(t) + 1);
                }
            }
        }
        mictables = bytes <= (std::size_t{16} << 20);
        if (mictables) {
            for (int p = 0; p < ds.npop; ++p)
                for (int q = p + 1; q < ds.npop; ++q) sums.need((ds.nmic[p] + ds.nmic[q]) * ds.nloci);
        }
    }
}

Engine::Engine(const DataSet& ds, std::size_t tablebytes) : impl_(std::make_unique<Impl>(ds)) {
    impl_->tablebytes = tablebytes;
}
Engine::~Engine() = default;

void Engine::WorkDeleter::operator()(Work* w) const { delete w; }

Engine::WorkPtr Engine::makework() const {
    const Impl& e = *impl_;
    WorkPtr work(new Work());
    const std::size_t cells = static_cast<std::size_t>(MAXPOP) * static_cast<std::size_t>(e.ndense);
    work->stats.resize(cells + 1);
    const std::size_t termcells = static_cast<std::size_t>(MAXPOP) * static_cast<std::size_t>(e.nterms);
    work->terms.resize(termcells + 1);
    work->km.resize(termcells + 1);
    work->carbase.resize(static_cast<std::size_t>(MAXPOP * e.nrows) + 1);
    std::int32_t total = 0;
    for (int p = 0; p < MAXPOP; ++p) {
        for (int r = 0; r < e.nrows; ++r) {
            work->carbase[static_cast<std::size_t>(p * e.nrows + r)] = total;
            if (p < e.ds.npop) total += (r == 0 ? e.ds.nmhc[p] * e.ds.mhccopies : e.ds.nmic[p] * 2);
        }
    }
    work->carriers.resize(static_cast<std::size_t>(total) + 1);
    work->cursor.resize(static_cast<std::size_t>(e.ndense) + 1);
    work->used.resize(static_cast<std::size_t>(e.nrows));
    std::size_t widest = 1;
    for (const auto& c : e.codes) widest = std::max(widest, c.size());
    const std::size_t padded = (widest + 7) / 8 * 8;
    work->termrows.resize(padded * MAXIND);
    std::size_t cached = 0;
    work->tablebase.assign(static_cast<std::size_t>(MAXPOP * e.nrows), 0);
    for (int p = 0; p < e.ds.npop; ++p) {
        for (int r = 0; r < e.nrows; ++r) {
            work->tablebase[static_cast<std::size_t>(p * e.nrows + r)] = cached;
            const std::size_t width = (e.codes[static_cast<std::size_t>(r)].size() + 7) / 8 * 8;
            cached += width * static_cast<std::size_t>(std::max(1, r == 0 ? e.ds.nmhc[p] : e.ds.nmic[p]));
        }
    }
    if (cached * sizeof(double) <= e.tablebytes) work->tables.resize(cached);
    work->rowacc.resize(padded);
    work->partneracc.resize(padded * MAXPOP);
    work->pairssi.resize(cells + 1);
    work->pairssw.resize(cells + 1);
    return work;
}

void Engine::identity(ReplicateIndex& rep) const {
    for (int p = 0; p < MAXPOP; ++p) {
        for (int s = 0; s < MAXIND; ++s) {
            rep.mhcsrc[p][s] = static_cast<std::int16_t>(s);
            rep.micsrc[p][s] = static_cast<std::int16_t>(s);
        }
    }
    for (int l = 0; l < MAXLOCI; ++l) rep.rl[l] = l;
}

// The statistics of one row (MHC, or one source locus) of population p, for
// the individuals src[0..n-1] of the data as read.
void Engine::Impl::buildpop(int p, int row, int w, int n, const std::int16_t* src, const std::int32_t* locus,
                            Work& work) const {
    const int base = rowbase[static_cast<std::size_t>(row)];
    const int nd = static_cast<int>(codes[static_cast<std::size_t>(row)].size());
    AlleleStat* st = &work.stats[static_cast<std::size_t>(p * ndense + base)];
    const int stride = w + 1;
    const std::size_t tb = static_cast<std::size_t>(p * nterms + termbase[static_cast<std::size_t>(row)]);
    std::int32_t* km = &work.km[tb];
    double* terms = &work.terms[tb];
    for (int d = 0; d < nd; ++d) {
        st[d].count = 0;
        st[d].ncar = 0;
    }
    std::fill(km, km + nd * stride, 0);
    // Marks of slot s: [first, end).
    auto span = [&](int s, std::int32_t& first, std::int32_t& end) {
        const std::size_t at = static_cast<std::size_t>(p * MAXIND + src[s]);
        if (row == 0) {
            first = mhcmark[at];
            end = mhcmark[at + 1];
        } else {
            first = micmark[at * static_cast<std::size_t>(ds.nloci) + static_cast<std::size_t>(*locus)];
            end = first + 2;
        }
    };
    for (int s = 0; s < n; ++s) {
        std::int32_t f, e;
        span(s, f, e);
        for (std::int32_t k = f; k < e; ++k) {
            const Mark& mk = marks[static_cast<std::size_t>(k)];
            if (mk.m == 0) continue;
            st[mk.dense].count += mk.m;
            st[mk.dense].ncar += 1;
            km[mk.dense * stride + mk.m] += 1;
        }
    }
    std::int32_t next = work.carbase[static_cast<std::size_t>(p * nrows + row)];
    for (int d = 0; d < nd; ++d) {
        st[d].first = next;
        work.cursor[static_cast<std::size_t>(d)] = next;
        next += st[d].ncar;
    }
    for (int s = 0; s < n; ++s) {
        std::int32_t f, e;
        span(s, f, e);
        for (std::int32_t k = f; k < e; ++k) {
            const Mark& mk = marks[static_cast<std::size_t>(k)];
            if (mk.m == 0) continue;
            work.carriers[static_cast<std::size_t>(work.cursor[static_cast<std::size_t>(mk.dense)]++)] =
                Carrier{static_cast<std::uint8_t>(s), mk.m, mk.pattern};
        }
    }
    const double* freq = sums.of(n * w);
    const double* x = sums.of(w);
    const double wd = static_cast<double>(w);
    for (int d = 0; d < nd; ++d) {
        AlleleStat& a = st[d];
        if (a.ncar == 0) {
            a.p = 0.0;
            a.ssi0 = 0.0;
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
        const Carrier* car = &work.carriers[static_cast<std::size_t>(a.first)];
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
            a.ssw0 = sswsum(car, a.ncar, ssa[w], ssb[w], w);
        }
    }
    // SSI of the population alone: its term table summed down the columns
    // from 0.0.
    double* tm = tablefor(p, row, work);
    const int width4 = termrows(p, row, w, n, work, tm);
    double* acc = work.rowacc.data();
    std::fill(acc, acc + width4, 0.0);
    addrows(acc, tm, n, width4, width4);
    for (int d = 0; d < nd; ++d) st[d].ssi0 = acc[d];
}

// Population p's SSI terms for one row as a table: line k holds the term of
// individual k for every allele of the row (+0.0 for an allele p lacks),
// padded with zeros to a multiple of 8 columns, which it returns.
double* Engine::Impl::tablefor(int p, int row, Work& work) const {
    if (work.tables.empty()) return work.termrows.data();
    return work.tables.data() + work.tablebase[static_cast<std::size_t>(p * nrows + row)];
}

int Engine::Impl::termrows(int p, int row, int w, int n, Work& work, double* tm) const {
    const int base = rowbase[static_cast<std::size_t>(row)];
    const int nd = static_cast<int>(codes[static_cast<std::size_t>(row)].size());
    const int stride = (nd + 7) / 8 * 8;
    const AlleleStat* st = &work.stats[static_cast<std::size_t>(p * ndense + base)];
    const double* terms = &work.terms[static_cast<std::size_t>(p * nterms + termbase[static_cast<std::size_t>(row)])];
    double* first = tm;
    for (int d = 0; d < stride; ++d) first[d] = d < nd && st[d].ncar > 0 ? terms[d * (w + 1)] : 0.0;
    for (int k = 1; k < n; ++k) std::memcpy(tm + k * stride, first, sizeof(double) * static_cast<std::size_t>(stride));
    for (int d = 0; d < nd; ++d) {
        const double* t = terms + d * (w + 1);
        const Carrier* car = &work.carriers[static_cast<std::size_t>(st[d].first)];
        for (int c = 0; c < st[d].ncar; ++c) tm[car[c].pos * stride + d] = t[car[c].m];
    }
    return stride;
}

void Engine::score(const ReplicateIndex& rep, Work& work, PairEstimates& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    const int w = ds.mhccopies;
    std::fill(work.used.begin(), work.used.end(), 0);
    for (int l = 0; l < ds.nloci; ++l) work.used[static_cast<std::size_t>(1 + rep.rl[l])] = 1;
    for (int p = 0; p < ds.npop; ++p) {
        e.buildpop(p, 0, w, ds.nmhc[p], rep.mhcsrc[p], nullptr, work);
        for (int r = 1; r < e.nrows; ++r) {
            const std::int32_t locus = r - 1;
            if (work.used[static_cast<std::size_t>(r)]) e.buildpop(p, r, 2, ds.nmic[p], rep.micsrc[p], &locus, work);
        }
        std::int32_t h = 0;
        for (int s = 0; s < ds.nmhc[p]; ++s) h += e.mhchet[static_cast<std::size_t>(p * MAXIND + rep.mhcsrc[p][s])];
        work.mhchets[p] = h;
        h = 0;
        for (int s = 0; s < ds.nmic[p]; ++s) {
            const std::size_t at = static_cast<std::size_t>(p * MAXIND + rep.micsrc[p][s]) * static_cast<std::size_t>(ds.nloci);
            for (int l = 0; l < ds.nloci; ++l) h += e.michet[at + static_cast<std::size_t>(rep.rl[l])];
        }
        work.michets[p] = h;
    }

    const bool corr = switchon(ds.corrflag);
    // The ratio of one data set of a pair, summed over `rows` (one MHC row,
    // or the replicate's loci in order).
    auto ratio = [&](int i, int j, int width, int ni, int nj, const int* rows, int nrowsused) {
        const int n = ni + nj;
        double num = 0.0;
        double den = 0.0;
        if (n == 0) {
            // No individual on either side: the denominator is not a number
            // whenever an allele is scored; take it from the components.
            static const PopBlock none[2] = {};
            const std::int32_t zero[2] = {0, 0};
            for (int q = 0; q < nrowsused; ++q) {
                for (int code : e.codes[static_cast<std::size_t>(rows[q])]) {
                    num = num + gstnum(2, zero, width, code, none);
                    den = den + gstden(2, zero, width, code, none);
                }
            }
            return num / den;
        }
        const double nd = static_cast<double>(n);
        const double nc = nd - static_cast<double>(ni * ni + nj * nj) / nd;
        const double nk = static_cast<double>(n - 2);
        const double ncm1 = nc - 1.0;
        const double twf = (nc * nk) / nd;
        const double niw = static_cast<double>(ni * width);
        const double njw = static_cast<double>(nj * width);
        const double* pall = e.sums.of(n * width);
        for (int q = 0; q < nrowsused; ++q) {
            const int row = rows[q];
            const int base = e.rowbase[static_cast<std::size_t>(row)];
            const int nd2 = static_cast<int>(e.codes[static_cast<std::size_t>(row)].size());
            const std::size_t oi = static_cast<std::size_t>(i * e.ndense + base);
            const std::size_t oj = static_cast<std::size_t>(j * e.ndense + base);
            const AlleleStat* si = &work.stats[oi];
            const AlleleStat* sj = &work.stats[oj];
            for (int d = 0; d < nd2; ++d) {
                const AlleleStat& a = si[d];
                const AlleleStat& b = sj[d];
                if (a.count == 0 && b.count == 0) continue;
                const double pp = pall[a.count + b.count];
                const double e0 = a.p - pp;
                const double e1 = b.p - pp;
                double ssp = 0.0 + (niw * e0) * e0;
                ssp = ssp + (njw * e1) * e1;
                const double ssi = work.pairssi[oi + static_cast<std::size_t>(d)];
                const double ssw = work.pairssw[oi + static_cast<std::size_t>(d)];
                const double tp = nk * ssp;
                num = num + (tp - 1.0 * ssi);
                den = den + ((tp + ncm1 * ssi) + twf * ssw);
            }
        }
        return num / den;
    };

    // SSI and SSW of every pair (i, j), i < j, for every allele: population
    // i's own sums continued over population j, all partners i at once.
    auto continuepairs = [&](int j, int row, int width, int nj) {
        const int base = e.rowbase[static_cast<std::size_t>(row)];
        const int nd = static_cast<int>(e.codes[static_cast<std::size_t>(row)].size());
        const bool exact = e.dyadic[width];
        // SSI: population j's term table; each partner's sums run down its
        // columns.
        const double* tm = e.tablefor(j, row, work);
        const int stride = work.tables.empty() ? e.termrows(j, row, width, nj, work, work.termrows.data())
                                               : static_cast<int>((e.codes[static_cast<std::size_t>(row)].size() + 7) / 8 * 8);
        double* accs = work.partneracc.data();
        for (int i = 0; i < j; ++i) {
            const AlleleStat* si = &work.stats[static_cast<std::size_t>(i * e.ndense + base)];
            for (int d = 0; d < stride; ++d) accs[i * stride + d] = d < nd ? si[d].ssi0 : 0.0;
        }
        addrowsmany(accs, j, tm, nj, stride, stride);
        for (int i = 0; i < j; ++i) {
            double* dst = &work.pairssi[static_cast<std::size_t>(i * e.ndense + base)];
            for (int d = 0; d < nd; ++d) dst[d] = accs[i * stride + d];
        }
        for (int d = 0; d < nd; ++d) {
            const std::size_t cell = static_cast<std::size_t>(base + d);
            const AlleleStat& b = work.stats[static_cast<std::size_t>(j * e.ndense) + cell];
            if (b.ncar == 0) {
                // Population j adds only +0.0 terms.
                for (int i = 0; i < j; ++i) {
                    const AlleleStat& a = work.stats[static_cast<std::size_t>(i * e.ndense) + cell];
                    work.pairssw[static_cast<std::size_t>(i * e.ndense) + cell] = a.ssw0;
                }
                continue;
            }
            const Carrier* car = &work.carriers[static_cast<std::size_t>(b.first)];
            if (exact) {
                // Every partial sum is a small multiple of 1/64: exact.
                for (int i = 0; i < j; ++i) {
                    const AlleleStat& a = work.stats[static_cast<std::size_t>(i * e.ndense) + cell];
                    work.pairssw[static_cast<std::size_t>(i * e.ndense) + cell] = a.ssw0 + b.ssw0;
                }
            } else {
                for (int i = 0; i < j; ++i) work.lanes[i] = work.stats[static_cast<std::size_t>(i * e.ndense) + cell].ssw0;
                continuelanesssw(work.lanes, j, car, b.ncar, e.ssa[width], e.ssb[width], width);
                for (int i = 0; i < j; ++i) work.pairssw[static_cast<std::size_t>(i * e.ndense) + cell] = work.lanes[i];
            }
        }
    };

    int microws[MAXLOCI];
    for (int l = 0; l < ds.nloci; ++l) microws[l] = 1 + rep.rl[l];
    const int mhcrow = 0;
    for (int j = 1; j < ds.npop; ++j) {
        continuepairs(j, 0, w, ds.nmhc[j]);
        for (int r = 1; r < e.nrows; ++r) {
            if (work.used[static_cast<std::size_t>(r)]) continuepairs(j, r, 2, ds.nmic[j]);
        }
        for (int i = 0; i < j; ++i) {
            const int mi = ds.nmhc[i], mj = ds.nmhc[j];
            double mhc = ratio(i, j, w, mi, mj, &mhcrow, 1);
            if (corr) {
                const double het = e.sums.of(mi + mj)[work.mhchets[i] + work.mhchets[j]];
                mhc = mhc / (1.0 - het);
            }
            out.mhc[i][j] = mhc;
            const int ci = ds.nmic[i], cj = ds.nmic[j];
            double mic = ratio(i, j, 2, ci, cj, microws, ds.nloci);
            if (corr) {
                const std::int32_t hets = work.michets[i] + work.michets[j];
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

}  // namespace gstboot
