#include "estimates/micmissing.h"

#include "estimates/isa.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "estimates/exactsum.h"
#include "estimates/lines.h"
#include "estimates/missinglanes.h"

namespace gstboot {

using missinglanes::AlleleStat;

namespace {

std::size_t at(int n) { return static_cast<std::size_t>(n); }

// A genotype at one locus: the indices of its two alleles among the
// locus's codes, equal for a homozygote; d0 < 0 when untyped.
struct Geno {
    std::int32_t d0, d1;
};

}  // namespace

struct MissingMic::Impl {
    const DataSet& ds;
    int blocklines;
    int maxind;                // the largest population
    int lanerow;               // npop rounded up to whole groups of 8: [dense * lanerow + partner]
    int widestlocus = 0;       // most codes of one locus
    std::vector<int> nd;       // codes of each locus
    std::vector<int> rowbase;  // first dense index of each locus
    int ndense = 0;
    std::vector<Geno> geno;  // [(p * nloci + L) * maxind + i]
    // recip[recipat[t] + c]: 1/t added c times from 0.0, for even t.
    std::vector<double> recip;
    std::vector<std::size_t> recipat;
    std::vector<double> zeros;  // the table of unused lanes
    missinglanes::Kernels kernels;

    Impl(const DataSet& d, Isa isa, int lines);
    const double* sums(int t) const { return recip.data() + recipat[at(t)]; }
    const Geno* genos(int p, int locus) const { return &geno[(at(p) * at(ds.nloci) + at(locus)) * at(maxind)]; }
    int linesfor(int stride) const;
    void preparepop(int p, const ReplicateIndex& rep, Work& work) const;
    void continuessi(int j, const ReplicateIndex& rep, Work& work) const;
    void scorepartners(int j, int i0, const ReplicateIndex& rep, Work& work, PairTable& out) const;
};

struct MissingMic::Work {
    // Loci of the data the replicate draws, and where each one's alleles
    // sit among the replicate's columns.
    std::vector<std::uint8_t> used;
    std::vector<int> colbase;
    int width = 0;
    std::vector<std::int32_t> mult;  // draws of each individual, scratch
    std::vector<std::int32_t> k1;    // typed individuals with 1 and 2 matching copies, scratch
    std::vector<std::int32_t> k2;
    std::vector<std::int32_t> ntyped;      // [p * nloci + L]
    std::vector<std::int32_t> lochets;     // [L]
    std::vector<std::int32_t> typedtotal;  // [p]: typed genotypes over the replicate's loci
    std::vector<std::int32_t> hets;        // and the heterozygous ones among them
    // The current population's statistics and SSI terms by dense allele:
    // terms[d * 3 + m] for an individual with m matching copies.
    std::vector<AlleleStat> stats;
    std::vector<double> terms;
    // Every population's SSI from 0.0 over its own individuals, by column:
    // [p * round8(width) + col].
    Lines ssi0;
    // Sums being continued over one population's lines, and a block of them.
    Lines accs, lines, line0;
    std::vector<int> live, liveat;          // the columns j carries, and back
    std::vector<int> livefirst, liveend;    // each locus's run of them
    // By dense allele and population: frequency, matching copies, own SSW;
    // for the current j, each partner's pair SSI. By locus and population:
    // typed individuals.
    Lines pT, ssw0T, ssiT;
    LineCounts cntT;
    std::vector<std::int32_t> typedT;
    Lines qnum, qden;  // [L * 8 + lane]
};

MissingMic::Impl::Impl(const DataSet& d, Isa isa, int lines)
    : ds(d), blocklines(lines), maxind(d.maxind()), lanerow(round8(d.npop)), kernels(missinglanes::kernelsfor(isa)) {
    const int nloci = ds.nloci;
    nd.resize(at(nloci));
    rowbase.resize(at(nloci));
    // densemap[mapat[L] + a]: code a's index among the codes of locus L.
    std::vector<std::size_t> mapat(at(nloci) + 1, 0);
    for (int l = 0; l < nloci; ++l) mapat[at(l) + 1] = mapat[at(l)] + at(ds.present.width(1 + l));
    std::vector<std::int32_t> densemap(mapat.back(), -1);
    for (int l = 0; l < nloci; ++l) {
        rowbase[at(l)] = ndense;
        int k = 0;
        for (int a = 0; a < ds.present.width(1 + l); ++a) {
            if (ds.present[1 + l][a] == 1) densemap[mapat[at(l)] + at(a)] = k++;
        }
        nd[at(l)] = k;
        ndense += k;
        widestlocus = std::max(widestlocus, k);
    }
    geno.assign(at(ds.npop) * at(nloci) * at(maxind), Geno{-1, -1});
    int most = 0;
    for (int p = 0; p < ds.npop; ++p) {
        most = std::max(most, ds.nmic[p]);
        for (int l = 0; l < nloci; ++l) {
            Geno* out = geno.data() + (at(p) * at(nloci) + at(l)) * at(maxind);  // no rows: nothing is stored
            const std::int32_t* map = &densemap[mapat[at(l)]];
            for (int i = 0; i < ds.nmic[p]; ++i) {
                const std::int32_t a0 = ds.mic[p][i][l][0];
                const std::int32_t a1 = ds.mic[p][i][l][1];
                if (a0 == MISSING) continue;
                out[i] = Geno{map[a0], map[a1]};
            }
        }
    }
    // Frequencies over n typed individuals (t = 2n) and over a pair's
    // N (t = 2N): every even t up to twice the two largest populations.
    const int tmax = 4 * most;
    recipat.assign(at(tmax) + 1, 0);
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

MissingMic::MissingMic(const DataSet& ds, Isa isa, int blocklines)
    : impl_(std::make_unique<Impl>(ds, isa, blocklines)) {}
MissingMic::~MissingMic() = default;

void MissingMic::WorkDeleter::operator()(Work* w) const { delete w; }

int MissingMic::Impl::linesfor(int stride) const { return blocklinesfor(blocklines, stride); }

MissingMic::WorkPtr MissingMic::makework() const {
    const Impl& e = *impl_;
    WorkPtr work(new Work());
    const std::size_t nl = at(e.ds.nloci);
    const std::size_t npop = at(e.ds.npop);
    work->mult.resize(at(e.maxind) + 1);
    work->k1.resize(at(e.widestlocus) + 2);
    work->k2.resize(at(e.widestlocus) + 2);
    work->ntyped.resize(npop * nl + 1);
    work->lochets.resize(nl + 1);
    work->typedtotal.resize(npop + 1);
    work->hets.resize(npop + 1);
    work->used.resize(nl + 1);
    work->colbase.resize(nl + 1);
    work->stats.resize(at(e.ndense) + 1);
    work->terms.resize(3 * at(e.ndense) + 1);
    const std::size_t wide = at(round8(e.ndense));
    work->ssi0.resize(npop * wide + 1);
    work->accs.resize(npop * wide + 1);
    work->lines.resize(blockcells(e.blocklines, wide) + 1);
    work->line0.resize(wide + 1);
    work->live.resize(wide + 1);
    work->liveat.resize(wide + 1);
    work->livefirst.resize(nl + 1);
    work->liveend.resize(nl + 1);
    const std::size_t lanecells = at(e.ndense) * at(e.lanerow) + 1;
    work->pT.assign(lanecells, 0.0);
    work->ssw0T.assign(lanecells, 0.0);
    work->ssiT.assign(lanecells, 0.0);
    work->cntT.assign(lanecells, 0);
    work->typedT.assign(nl * at(e.lanerow) + 1, 0);
    work->qnum.resize(nl * 8 + 1);
    work->qden.resize(nl * 8 + 1);
    return work;
}

// Population p's statistics at every locus the replicate draws, over its
// typed individuals, each as often as the replicate draws it; its lanes of
// the tables; and its typed and heterozygous genotypes over the replicate's
// loci (a locus as often as it is drawn).
void MissingMic::Impl::preparepop(int p, const ReplicateIndex& rep, Work& work) const {
    const int n = ds.nmic[p];
    std::int32_t* mult = work.mult.data();
    std::fill(mult, mult + n, 0);
    for (int s = 0; s < n; ++s) ++mult[rep.micsrc[p][s]];
    // x of an individual with m matching copies, as indfraction sums it.
    const double x[3] = {0.0, 0.5 + 0.0, 0.5 + (0.5 + 0.0)};
    for (int l = 0; l < ds.nloci; ++l) {
        if (!work.used[at(l)]) continue;
        const int k = nd[at(l)];
        std::int32_t* k1 = work.k1.data();
        std::int32_t* k2 = work.k2.data();
        // Slot k takes the untyped individuals' counts, which are never
        // read: the tally runs without a branch on the genotype.
        std::fill(k1, k1 + k + 1, 0);
        std::fill(k2, k2 + k + 1, 0);
        const Geno* g = genos(p, l);
        std::int32_t typed = 0, het = 0;
        for (int i = 0; i < n; ++i) {
            const Geno y = g[i];
            const std::int32_t t = y.d0 >= 0;
            const std::int32_t a = t ? y.d0 : k;
            const std::int32_t b = t ? y.d1 : k;
            const std::int32_t hom = a == b;
            const std::int32_t m = mult[i];
            typed += m * t;
            k2[a] += m * hom;
            k1[a] += m * (1 - hom);
            k1[b] += m * (1 - hom);
            het += m * t * (1 - hom);
        }
        work.ntyped[at(p) * at(ds.nloci) + at(l)] = typed;
        work.typedT[at(l) * at(lanerow) + at(p)] = typed;
        work.lochets[static_cast<std::size_t>(l)] = het;
        const double* freq = sums(2 * typed);
        const int base = rowbase[at(l)];
        for (int d = 0; d < k; ++d) {
            AlleleStat& a = work.stats[at(base + d)];
            a.count = k1[d] + 2 * k2[d];
            a.ncar = k1[d] + k2[d];
            a.p = freq[a.count];
            a.ssw0 = static_cast<double>(k1[d]) * 0.5;
            double* t = &work.terms[3 * at(base + d)];
            for (int m = 0; m < 3; ++m) {
                const double dd = x[m] - a.p;
                t[m] = (2.0 * dd) * dd;
            }
            const std::size_t cell = at(base + d) * at(lanerow) + at(p);
            work.pT[cell] = a.p;
            work.cntT[cell] = a.count;
            work.ssw0T[cell] = a.ssw0;
        }
    }
    std::int32_t typed = 0, het = 0;
    for (int l = 0; l < ds.nloci; ++l) {
        const std::size_t src = at(rep.rl[at(l)]);
        typed += work.ntyped[at(p) * at(ds.nloci) + src];
        het += work.lochets[src];
    }
    work.typedtotal[static_cast<std::size_t>(p)] = typed;
    work.hets[static_cast<std::size_t>(p)] = het;
}

// SSI of population j's individuals: line k holds the term of slot k for
// every column j carries (the alleles of all the replicate's loci side by
// side), +0.0 at the loci where slot k's individual is untyped. Each partner
// i < j continues its own sums over j's lines, giving the pair sums; j's own
// sums start from 0.0 in the same pass. The lines are made a block at a time.
void MissingMic::Impl::continuessi(int j, const ReplicateIndex& rep, Work& work) const {
    const int full = round8(work.width);
    if (full == 0) return;
    const int n = ds.nmic[j];
    const std::int32_t* src = rep.micsrc[j];
    double* own = work.ssi0.data();
    const AlleleStat* st = work.stats.data();
    const double* terms = work.terms.data();
    int* live = work.live.data();
    int* liveat = work.liveat.data();
    double* line0 = work.line0.data();
    int nlive = 0;
    for (int l = 0; l < ds.nloci; ++l) {
        if (!work.used[at(l)]) continue;
        const int cb = work.colbase[at(l)];
        const int base = rowbase[at(l)];
        work.livefirst[at(l)] = nlive;
        // Without a branch: an allele j lacks is written, then overwritten
        // by the next, and its liveat entry is never read.
        for (int d = 0; d < nd[at(l)]; ++d) {
            liveat[cb + d] = nlive;
            live[nlive] = cb + d;
            line0[nlive] = terms[3 * at(base + d)];
            nlive += st[base + d].ncar > 0;
        }
        work.liveend[at(l)] = nlive;
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
    // The lines start as copies of line0; each block writes its individuals'
    // terms and puts line0's values back after use.
    auto patch = [&](int k0, int count, bool restore) {
        for (int l = 0; l < ds.nloci; ++l) {
            if (!work.used[at(l)]) continue;
            const Geno* g = genos(j, l);
            const double* t = terms + 3 * at(rowbase[at(l)]);
            const int* rowat = liveat + work.colbase[at(l)];
            const int first = work.livefirst[at(l)];
            const int end = work.liveend[at(l)];
            for (int k = 0; k < count; ++k) {
                const Geno y = g[src[k0 + k]];
                double* line = lines + k * stride;
                if (y.d0 < 0) {
                    if (restore) {
                        std::copy(line0 + first, line0 + end, line + first);
                    } else {
                        std::fill(line + first, line + end, 0.0);
                    }
                    continue;
                }
                // A homozygote's second write replaces the first.
                const int c1 = rowat[y.d1];
                const int c0 = rowat[y.d0];
                if (restore) {
                    line[c1] = line0[c1];
                    line[c0] = line0[c0];
                } else {
                    line[c1] = t[3 * y.d1 + 1];
                    line[c0] = t[3 * y.d0 + 1 + (y.d0 == y.d1)];
                }
            }
        }
    };
    if (stride > 0) {
        const std::size_t rowbytes = sizeof(double) * at(stride);
        for (int k = 0; k < std::min(block, n); ++k) std::memcpy(lines + k * stride, line0, rowbytes);
        for (int k0 = 0; k0 < n; k0 += block) {
            const int count = std::min(block, n - k0);
            patch(k0, count, false);
            kernels.addlines(accs, j + 1, stride, lines, count, stride, stride);
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
        for (int l = 0; l < ds.nloci; ++l) {
            if (!work.used[at(l)]) continue;
            const int cb = work.colbase[at(l)];
            const int base = rowbase[at(l)];
            for (int d = 0; d < nd[at(l)]; ++d) {
                double* out = &work.ssiT[at(base + d) * at(lanerow) + at(i0)];
                const bool carried = st[base + d].ncar > 0;
                const int step = carried ? stride : full;
                const double* in = (carried ? accs + liveat[cb + d] : own + cb + d) + i0 * step;
                for (int q = 0; q < lanes; ++q) out[q] = in[q * step];
            }
        }
    }
}

// The estimates of the pairs (i0 + q, j), q = 0..7, i0 + q < j.
void MissingMic::Impl::scorepartners(int j, int i0, const ReplicateIndex& rep, Work& work,
                                     PairTable& out) const {
    const int lanes = std::min(8, j - i0);
    for (int l = 0; l < ds.nloci; ++l) {
        if (!work.used[at(l)]) continue;
        missinglanes::LocusPairs c;
        c.nj = work.ntyped[at(j) * at(ds.nloci) + at(l)];
        c.pitch = lanerow;
        for (int q = 0; q < 8; ++q) {
            c.ni[q] = q < lanes ? work.typedT[at(l) * at(lanerow) + at(i0 + q)] : 0;
            c.pall[q] = q < lanes ? sums(2 * (c.ni[q] + c.nj)) : zeros.data();
        }
        c.first = rowbase[at(l)];
        c.end = c.first + nd[at(l)];
        kernels.locusterms(c, i0, work.ssiT.data(), work.ssw0T.data(), work.pT.data(), work.cntT.data(),
                                 work.stats.data(), &work.qnum[at(l) * 8], &work.qden[at(l) * 8]);
    }
    double num[8], den[8];
    for (int q = 0; q < 8; ++q) num[q] = den[q] = 0.0;
    for (int l = 0; l < ds.nloci; ++l) {
        const double* qn = &work.qnum[at(rep.rl[at(l)]) * 8];
        const double* qd = &work.qden[at(rep.rl[at(l)]) * 8];
        for (int q = 0; q < 8; ++q) {
            num[q] = num[q] + qn[q];
            den[q] = den[q] + qd[q];
        }
    }
    const bool corr = ds.settings.corrflag;
    for (int q = 0; q < lanes; ++q) {
        const int i = i0 + q;
        // With no locus entering this is 0.0 / 0.0 of run-time values.
        double mic = num[q] / den[q];
        if (corr) {
            const std::int32_t h = work.hets[static_cast<std::size_t>(i)] + work.hets[static_cast<std::size_t>(j)];
            const double het =
                h == 0 ? 0.0 : repeatadd(0.0, 1.0 / static_cast<double>(work.typedtotal[static_cast<std::size_t>(i)] + work.typedtotal[static_cast<std::size_t>(j)]), h);
            mic = mic / (1.0 - het);
        }
        out[i][j] = mic;
    }
}

void MissingMic::score(const ReplicateIndex& rep, Work& work, PairTable& out) const {
    const Impl& e = *impl_;
    const DataSet& ds = e.ds;
    if (out.npop() != ds.npop) out.assign(ds.npop);
    std::fill(work.used.begin(), work.used.end(), 0);
    for (int l = 0; l < ds.nloci; ++l) work.used[at(rep.rl[at(l)])] = 1;
    work.width = 0;
    for (int l = 0; l < ds.nloci; ++l) {
        work.colbase[at(l)] = -1;
        if (!work.used[at(l)]) continue;
        work.colbase[at(l)] = work.width;
        work.width += e.nd[at(l)];
    }
    for (int j = 0; j < ds.npop; ++j) {
        // Population j's statistics are formed just before its lines need
        // them, while its genotypes are still in the cache.
        e.preparepop(j, rep, work);
        e.continuessi(j, rep, work);
        for (int i0 = 0; i0 < j; i0 += 8) e.scorepartners(j, i0, rep, work, out);
    }
}

}  // namespace gstboot
