#include "plain/globalcounts.h"

#include <algorithm>

#include "plain/heterozygosity.h"

namespace gstboot {

namespace {

// A locus's sums, divided by its F_l (see the header).
struct GlobalLocus {
    bool enters = false;
    double num = 0.0;
    double den = 0.0;
};

using Tally = GlobalScratch::Population;

// The locus counted into `s` (every population closed; `codes` the locus's
// codes as read, ascending): its sums, and its Hs', Ht' added to `jost` when
// every population is typed there. Leaves the scratch's tables at 0 for the
// next locus.
GlobalLocus finishlocus(GlobalScratch& s, int w, const std::int32_t* codes, const std::int32_t* end,
                        JostTerms* jost) {
    long long big = 0, sizes = 0, squares = 0;
    int k = 0;
    for (const Tally& t : s.pops) {
        if (t.n < 1) continue;
        big += t.n;
        sizes += t.n * t.n;
        squares += t.q;
        ++k;
    }
    long long totals = 0;  // sum over alleles of C^2
    for (const std::int32_t* a = codes; a != end; ++a) {
        const long long c = s.total[static_cast<std::size_t>(*a)];
        totals += c * c;
    }
    GlobalLocus out;
    const long long wl = w;
    if (w >= 1 && k >= 2 && big - k >= 1) {
        const double n = static_cast<double>(big), wd = static_cast<double>(w);
        double ssp = 0.0, ssi = 0.0;
        for (const Tally& t : s.pops) {
            if (t.n < 1) continue;
            // Its alleles one by one; those it lacks (e = -n_p C) all at once.
            long long lacked = totals;
            double sum = 0.0;
            for (std::size_t e = t.first; e < t.last; ++e) {
                const long long all = s.total[static_cast<std::size_t>(s.entries[e].allele)];
                const double d = static_cast<double>(big * s.entries[e].copies - t.n * all);
                sum = sum + d * d;
                lacked -= all * all;
            }
            sum = sum + static_cast<double>(t.n * t.n) * static_cast<double>(lacked);
            ssp = ssp + sum / static_cast<double>(t.n);
            ssi = ssi + static_cast<double>(t.n * t.q - t.squares) / (static_cast<double>(t.n) * wd);
        }
        ssp = ssp / ((n * n) * wd);
        const double ssw = static_cast<double>(big * wl * wl - squares) / wd;
        const double nc = n - static_cast<double>(sizes) / n;
        const double nk = static_cast<double>(big - k);
        const double k1 = static_cast<double>(k - 1);
        const double num = nk * ssp - k1 * ssi;
        const double den = (nk * ssp + (nc - k1) * ssi) + ((nc * nk) / n) * ssw;
        const double scale = static_cast<double>((big - k) * wl) * nc;
        out.enters = true;
        out.num = num / scale;
        out.den = den / scale;
    }
    const std::size_t npop = s.pops.size();
    if (jost && w >= 1 && npop >= 2 && static_cast<std::size_t>(k) == npop) {
        // jost()'s steps in its order: codes ascending within a population.
        const double kd = static_cast<double>(npop), wd = static_cast<double>(w);
        double hs = 0.0, inverse = 0.0;
        for (const Tally& t : s.pops) {
            const double copies = static_cast<double>(t.n * wl);
            double sum = 0.0;
            for (std::size_t e = t.first; e < t.last; ++e) {
                const double f = static_cast<double>(s.entries[e].copies) / copies;
                sum = sum + f * f;
                double& mean = s.mean[static_cast<std::size_t>(s.entries[e].allele)];
                mean = mean + f / kd;
            }
            hs = hs + (1.0 - sum) / kd;
            inverse = inverse + 1.0 / (copies / wd);
        }
        double sum = 0.0;
        for (const std::int32_t* a = codes; a != end; ++a) {
            double& mean = s.mean[static_cast<std::size_t>(*a)];
            sum = sum + mean * mean;
            mean = 0.0;
        }
        addjostlocus(*jost, hs, 1.0 - sum, inverse, kd, wd);
    }
    for (const std::int32_t* a = codes; a != end; ++a) s.total[static_cast<std::size_t>(*a)] = 0;
    s.entries.clear();
    return out;
}

// The share of heterozygotes is one quotient, not hetdivisor()'s running sum
// of a reciprocal: over all populations that sum would take as many
// additions as there are heterozygous genotypes, in every replicate.
double estimate(double num, double den, bool corrected, long long hets, long long typed) {
    const double g = num / den;
    if (!corrected) return g;
    const double share = typed > 0 ? static_cast<double>(hets) / static_cast<double>(typed) : 0.0;
    return g / (1.0 - share);
}

}  // namespace

void GlobalCounts::Lists::add(std::vector<std::int32_t> list) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    codes.insert(codes.end(), list.begin(), list.end());
    start.push_back(codes.size());
}

GlobalCounts::GlobalCounts(const DataSet& ds) : ds_(ds) {
    const auto npop = static_cast<std::size_t>(ds.npop);
    const int w = ds.mhccopies;
    widest_ = static_cast<std::size_t>(ds.present.widest());
    const auto untyped = static_cast<std::int32_t>(widest_);
    mhcstart_.assign(npop + 1, 0);
    micstart_.assign(npop + 1, 0);
    for (std::size_t p = 0; p < npop; ++p) {
        mhcstart_[p + 1] = mhcstart_[p] + static_cast<std::size_t>(ds.nmhc[p]);
        micstart_[p + 1] = micstart_[p] + static_cast<std::size_t>(ds.nmic[p]);
    }
    for (int p = 0; p < ds.npop; ++p) mhcpops_ += ds.nmhc[p] >= 1;
    // MHC locus k's entries follow locus k - 1's: lists k (npop + 1) + p.
    for (int k = 0; k < ds.mhcloci; ++k) {
        std::vector<std::int32_t> all;
        for (int p = 0; p < ds.npop; ++p) {
            std::vector<std::int32_t> codes;
            for (int i = 0; i < ds.nmhc[p]; ++i) {
                const std::int32_t* copies = ds.mhclocus(p, i, k);
                // Its m-th copy of an allele adds (m + 1)^2 - m^2 = 2 m + 1.
                std::int32_t sum = 0;
                for (int c = 0; c < w; ++c) {
                    int before = 0;
                    for (int b = 0; b < c; ++b) before += copies[b] == copies[c];
                    sum += 2 * before + 1;
                    codes.push_back(copies[c]);
                }
                mhcsquares_.push_back(sum);
                mhchet_.push_back(heterozygous(copies, w) ? 1 : 0);
            }
            all.insert(all.end(), codes.begin(), codes.end());
            mhccodes_.add(std::move(codes));
        }
        mhccodes_.add(std::move(all));
    }

    const std::size_t block = micstart_.back();
    mic_.resize(block * 2 * static_cast<std::size_t>(ds.nloci));
    std::vector<char> typed(npop, 0);
    for (int l = 0; l < ds.nloci; ++l) {
        std::vector<std::int32_t> locus;
        for (int p = 0; p < ds.npop; ++p) {
            std::vector<std::int32_t> codes;
            for (int i = 0; i < ds.nmic[p]; ++i) {
                const std::size_t at = static_cast<std::size_t>(l) * block + micstart_[static_cast<std::size_t>(p)] +
                                       static_cast<std::size_t>(i);
                const MicGenotype& g = ds.mic[p][i][l];
                if (g[0] == MISSING) {
                    mic_[2 * at] = mic_[2 * at + 1] = untyped;
                    continue;
                }
                mic_[2 * at] = g[0];
                mic_[2 * at + 1] = g[1];
                codes.push_back(g[0]);
                codes.push_back(g[1]);
                typed[static_cast<std::size_t>(p)] = 1;
            }
            locus.insert(locus.end(), codes.begin(), codes.end());
            miccodes_.add(std::move(codes));
        }
        miccodes_.add(std::move(locus));
    }
    for (char t : typed) micpops_ += t;
}

void GlobalCounts::prepare(const ReplicateIndex& rep, GlobalScratch& s) const {
    s.pops.resize(static_cast<std::size_t>(ds_.npop));
    if (s.count.size() < widest_ + 1) {
        s.count.resize(widest_ + 1, 0);
        s.total.resize(widest_ + 1, 0);
        s.mean.resize(widest_ + 1, 0.0);
    }
    s.mhcdrawn.assign(mhcstart_.back(), 0);
    s.micdrawn.assign(micstart_.back(), 0);
    for (int p = 0; p < ds_.npop; ++p) {
        std::int32_t* mhc = s.mhcdrawn.data() + mhcstart_[static_cast<std::size_t>(p)];
        for (int slot = 0; slot < ds_.nmhc[p]; ++slot) ++mhc[rep.mhcsrc[p][slot]];
        std::int32_t* mic = s.micdrawn.data() + micstart_[static_cast<std::size_t>(p)];
        for (int slot = 0; slot < ds_.nmic[p]; ++slot) ++mic[rep.micsrc[p][slot]];
    }
}

// Ends a population's counting: its codes (list `list`, the only ones it can
// hold) with copies become entries, in ascending order, and join the
// locus's totals. Returns the typed copies counted; the untyped copies'
// cell is left for the caller to read and clear.
long long GlobalCounts::closepopulation(GlobalScratch& s, const Lists& lists, std::size_t list, Tally& t) const {
    t.first = s.entries.size();
    long long copies = 0;
    for (std::size_t j = lists.start[list]; j < lists.start[list + 1]; ++j) {
        const std::int32_t a = lists.codes[j];
        std::int32_t& c = s.count[static_cast<std::size_t>(a)];
        if (c == 0) continue;
        s.entries.push_back(GlobalScratch::Entry{a, c});
        t.squares += static_cast<long long>(c) * c;
        s.total[static_cast<std::size_t>(a)] += c;
        copies += c;
        c = 0;
    }
    t.last = s.entries.size();
    return copies;
}

void GlobalCounts::countmhc(int locus, GlobalScratch& s, Het& het) const {
    const int w = ds_.mhccopies;
    const std::size_t shift = static_cast<std::size_t>(locus) * mhcstart_.back();
    const std::size_t lists = static_cast<std::size_t>(locus) * (static_cast<std::size_t>(ds_.npop) + 1);
    std::int32_t* count = s.count.data();
    for (int p = 0; p < ds_.npop; ++p) {
        Tally& t = s.pops[static_cast<std::size_t>(p)];
        t = Tally{};
        const std::size_t base = mhcstart_[static_cast<std::size_t>(p)];
        for (int i = 0; i < ds_.nmhc[p]; ++i) {
            const std::size_t at = base + static_cast<std::size_t>(i);
            const std::int32_t m = s.mhcdrawn[at];
            const std::int32_t* copies = ds_.mhclocus(p, i, locus);
            for (int c = 0; c < w; ++c) count[copies[c]] += m;
            t.q += static_cast<long long>(m) * mhcsquares_[shift + at];
            het.hets += m * mhchet_[shift + at];
        }
        t.n = ds_.nmhc[p];
        het.typed += t.n;
        closepopulation(s, mhccodes_, lists + static_cast<std::size_t>(p), t);
    }
}

void GlobalCounts::countmic(int source, GlobalScratch& s, Het& het) const {
    const std::size_t block = micstart_.back();
    const std::size_t locus = static_cast<std::size_t>(source) * block;
    std::int32_t* count = s.count.data();
    for (int p = 0; p < ds_.npop; ++p) {
        Tally& t = s.pops[static_cast<std::size_t>(p)];
        t = Tally{};
        const std::size_t base = micstart_[static_cast<std::size_t>(p)];
        const std::int32_t* g = mic_.data() + 2 * (locus + base);
        const std::int32_t* drawn = s.micdrawn.data() + base;
        // Without a branch: an individual not drawn adds 0, an untyped one
        // (two copies of code widest_, a homozygote) adds its copies to that
        // cell, which is then taken off the homozygotes.
        long long same = 0;
        const int individuals = ds_.nmic[p];
        for (int i = 0; i < individuals; ++i) {
            const std::int32_t m = drawn[i];
            const std::int32_t a = g[2 * i], b = g[2 * i + 1];
            count[a] += m;
            count[b] += m;
            same += a == b ? m : 0;
        }
        const std::size_t list =
            static_cast<std::size_t>(source) * (static_cast<std::size_t>(ds_.npop) + 1) + static_cast<std::size_t>(p);
        t.n = closepopulation(s, miccodes_, list, t) / 2;
        const long long homozygotes = same - count[widest_] / 2;
        count[widest_] = 0;
        // A homozygote's copies squared sum to 4, a heterozygote's to 2.
        t.q = 2 * t.n + 2 * homozygotes;
        het.hets += t.n - homozygotes;
        het.typed += t.n;
    }
}

GlobalValues GlobalCounts::measure(const ReplicateIndex& rep, GlobalScratch& s) const {
    prepare(rep, s);
    const bool corrected = ds_.settings.corrflag;
    const auto npop = static_cast<std::size_t>(ds_.npop);
    GlobalValues out;
    {
        Het het;
        JostTerms jost;
        double num = 0.0, den = 0.0;
        for (int k = 0; k < ds_.mhcloci; ++k) {
            countmhc(k, s, het);
            const std::size_t list = static_cast<std::size_t>(k) * (npop + 1) + npop;
            const std::int32_t* codes = mhccodes_.codes.data();
            const GlobalLocus m = finishlocus(s, ds_.mhccopies, codes + mhccodes_.start[list],
                                              codes + mhccodes_.start[list + 1], &jost);
            if (!m.enters) continue;
            num = num + m.num;
            den = den + m.den;
        }
        out.mhc.gst = estimate(num, den, corrected, het.hets, het.typed);
        out.mhc.jost = jostmeasures(jost, npop);
    }
    Het het;
    JostTerms jost;
    double num = 0.0, den = 0.0;
    for (int l = 0; l < ds_.nloci; ++l) {
        const int source = rep.rl[static_cast<std::size_t>(l)];
        countmic(source, s, het);
        const std::size_t list = static_cast<std::size_t>(source) * (npop + 1) + npop;
        const std::int32_t* codes = miccodes_.codes.data();
        const GlobalLocus m =
            finishlocus(s, 2, codes + miccodes_.start[list], codes + miccodes_.start[list + 1], &jost);
        if (!m.enters) continue;
        num = num + m.num;
        den = den + m.den;
    }
    out.mic.gst = estimate(num, den, corrected, het.hets, het.typed);
    out.mic.jost = jostmeasures(jost, npop);
    return out;
}

}  // namespace gstboot
