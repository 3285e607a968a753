#include "plain/globalcounts.h"

#include "plain/heterozygosity.h"

namespace gstboot {

namespace {

using Entry = GlobalScratch::Entry;
using Tally = GlobalScratch::Population;

void addcopy(GlobalScratch& s, std::int32_t a) {
    std::int32_t& c = s.count[static_cast<std::size_t>(a)];
    if (c == 0) s.touched.push_back(a);
    ++c;
}

// Ends a population's counting: its codes become entries, and their copies
// join the locus's totals.
void closepopulation(GlobalScratch& s, Tally& t) {
    t.first = s.entries.size();
    for (std::int32_t a : s.touched) {
        const auto at = static_cast<std::size_t>(a);
        const std::int32_t c = s.count[at];
        s.count[at] = 0;
        s.entries.push_back(Entry{a, c});
        t.squares += static_cast<long long>(c) * c;
        if (s.total[at] == 0) s.seen.push_back(a);
        s.total[at] += c;
    }
    s.touched.clear();
    t.last = s.entries.size();
}

// The locus counted into `s` (every population closed): its sums, and its
// Hs', Ht' added to `jost` when every population is typed there. Leaves the
// scratch's tables at 0 for the next locus.
GlobalLocus finishlocus(GlobalScratch& s, int w, JostTerms* jost) {
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
    for (std::int32_t a : s.seen) {
        const long long c = s.total[static_cast<std::size_t>(a)];
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
        for (std::int32_t a : s.seen) {
            double& mean = s.mean[static_cast<std::size_t>(a)];
            sum = sum + mean * mean;
            mean = 0.0;
        }
        addjostlocus(*jost, hs, 1.0 - sum, inverse, kd, wd);
    }
    for (std::int32_t a : s.seen) s.total[static_cast<std::size_t>(a)] = 0;
    s.seen.clear();
    s.entries.clear();
    return out;
}

void prepare(GlobalScratch& s, std::size_t npop, std::size_t widest) {
    s.pops.resize(npop);
    if (s.count.size() < widest) {
        s.count.resize(widest, 0);
        s.total.resize(widest, 0);
        s.mean.resize(widest, 0.0);
    }
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

GlobalCounts::GlobalCounts(const DataSet& ds) : ds_(ds) {
    const auto npop = static_cast<std::size_t>(ds.npop);
    const int w = ds.mhccopies;
    mhcstart_.assign(npop + 1, 0);
    micstart_.assign(npop + 1, 0);
    for (std::size_t p = 0; p < npop; ++p) {
        mhcstart_[p + 1] = mhcstart_[p] + static_cast<std::size_t>(ds.nmhc[p]);
        micstart_[p + 1] = micstart_[p] + static_cast<std::size_t>(ds.nmic[p]);
    }
    for (int p = 0; p < ds.npop; ++p) {
        mhcpops_ += ds.nmhc[p] >= 1;
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            const std::int32_t* copies = ds.mhc[p][i];
            // Its m-th copy of an allele adds (m + 1)^2 - m^2 = 2 m + 1.
            std::int32_t sum = 0;
            for (int c = 0; c < w; ++c) {
                int before = 0;
                for (int b = 0; b < c; ++b) before += copies[b] == copies[c];
                sum += 2 * before + 1;
            }
            mhcsquares_.push_back(sum);
            mhchet_.push_back(heterozygous(copies, w) ? 1 : 0);
        }
    }
    const std::size_t block = micstart_.back() * 2;
    mic_.resize(block * static_cast<std::size_t>(ds.nloci));
    for (int p = 0; p < ds.npop; ++p) {
        bool typed = false;
        for (int i = 0; i < ds.nmic[p]; ++i) {
            for (int l = 0; l < ds.nloci; ++l) {
                std::int32_t* g = mic_.data() + static_cast<std::size_t>(l) * block +
                                  (micstart_[static_cast<std::size_t>(p)] + static_cast<std::size_t>(i)) * 2;
                g[0] = ds.mic[p][i][l][0];
                g[1] = ds.mic[p][i][l][1];
                typed = typed || g[0] != MISSING;
            }
        }
        micpops_ += typed;
    }
    widest_ = static_cast<std::size_t>(ds.present.widest());
}

void GlobalCounts::countmhc(const ReplicateIndex& rep, GlobalScratch& s, Het& het) const {
    const int w = ds_.mhccopies;
    for (int p = 0; p < ds_.npop; ++p) {
        Tally& t = s.pops[static_cast<std::size_t>(p)];
        t = Tally{};
        const std::size_t base = mhcstart_[static_cast<std::size_t>(p)];
        const std::int32_t* source = rep.mhcsrc[p];
        for (int slot = 0; slot < ds_.nmhc[p]; ++slot) {
            const std::size_t i = static_cast<std::size_t>(source[slot]);
            const std::int32_t* copies = ds_.mhc[p][static_cast<int>(i)];
            for (int c = 0; c < w; ++c) addcopy(s, copies[c]);
            t.q += mhcsquares_[base + i];
            het.hets += mhchet_[base + i];
        }
        t.n = ds_.nmhc[p];
        het.typed += t.n;
        closepopulation(s, t);
    }
}

void GlobalCounts::countmic(const ReplicateIndex& rep, int l, GlobalScratch& s, Het& het) const {
    const std::size_t block = micstart_.back() * 2;
    const std::int32_t* locus = mic_.data() + static_cast<std::size_t>(rep.rl[static_cast<std::size_t>(l)]) * block;
    for (int p = 0; p < ds_.npop; ++p) {
        Tally& t = s.pops[static_cast<std::size_t>(p)];
        t = Tally{};
        const std::int32_t* pop = locus + micstart_[static_cast<std::size_t>(p)] * 2;
        const std::int32_t* source = rep.micsrc[p];
        for (int slot = 0; slot < ds_.nmic[p]; ++slot) {
            const std::int32_t* g = pop + static_cast<std::size_t>(source[slot]) * 2;
            if (g[0] == MISSING) continue;
            const bool homozygous = g[0] == g[1];
            ++t.n;
            t.q += homozygous ? 4 : 2;
            het.hets += !homozygous;
            addcopy(s, g[0]);
            addcopy(s, g[1]);
        }
        het.typed += t.n;
        closepopulation(s, t);
    }
}

GlobalLocus GlobalCounts::mhclocus(const ReplicateIndex& rep, GlobalScratch& s) const {
    prepare(s, static_cast<std::size_t>(ds_.npop), widest_);
    Het het;
    countmhc(rep, s, het);
    return finishlocus(s, ds_.mhccopies, nullptr);
}

GlobalLocus GlobalCounts::miclocus(const ReplicateIndex& rep, int l, GlobalScratch& s) const {
    prepare(s, static_cast<std::size_t>(ds_.npop), widest_);
    Het het;
    countmic(rep, l, s, het);
    return finishlocus(s, 2, nullptr);
}

GlobalValues GlobalCounts::measure(const ReplicateIndex& rep, GlobalScratch& s) const {
    prepare(s, static_cast<std::size_t>(ds_.npop), widest_);
    const bool corrected = ds_.settings.corrflag;
    const auto npop = static_cast<std::size_t>(ds_.npop);
    GlobalValues out;
    {
        Het het;
        JostTerms jost;
        countmhc(rep, s, het);
        const GlobalLocus m = finishlocus(s, ds_.mhccopies, &jost);
        out.mhc.gst = estimate(m.num, m.den, corrected, het.hets, het.typed);
        out.mhc.jost = jostmeasures(jost, npop);
    }
    Het het;
    JostTerms jost;
    double num = 0.0, den = 0.0;
    for (int l = 0; l < ds_.nloci; ++l) {
        countmic(rep, l, s, het);
        const GlobalLocus m = finishlocus(s, 2, &jost);
        if (!m.enters) continue;
        num = num + m.num;
        den = den + m.den;
    }
    out.mic.gst = estimate(num, den, corrected, het.hets, het.typed);
    out.mic.jost = jostmeasures(jost, npop);
    return out;
}

}  // namespace gstboot
