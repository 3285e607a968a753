#include "plain/jost.h"

#include <cmath>

namespace gstboot {

namespace {

constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();

// Adds locus `l`'s Hs' and Ht' over `pops` to `terms`, when every one of
// them is typed there.
void addlocus(const SetCounts& counts, std::size_t l, const std::vector<int>& pops, JostTerms& terms,
              std::vector<double>& mean) {
    const std::size_t k = pops.size();
    if (k < 2 || counts.w < 1) return;
    for (int p : pops) {
        if (counts.typed[l][static_cast<std::size_t>(p)] == 0) return;
    }
    const std::size_t width = counts.count[l].empty() ? 0 : counts.count[l][0].size();
    const double kd = static_cast<double>(k), wd = static_cast<double>(counts.w);
    mean.assign(width, 0.0);
    double hs = 0.0, inverse = 0.0;
    for (int p : pops) {
        const std::vector<long>& c = counts.count[l][static_cast<std::size_t>(p)];
        const double total = static_cast<double>(counts.typed[l][static_cast<std::size_t>(p)]);
        double squares = 0.0;
        for (std::size_t a = 0; a < width; ++a) {
            if (c[a] == 0) continue;
            const double f = static_cast<double>(c[a]) / total;
            squares = squares + f * f;
            mean[a] = mean[a] + f / kd;
        }
        hs = hs + (1.0 - squares) / kd;
        inverse = inverse + 1.0 / (total / wd);
    }
    double squares = 0.0;
    for (double f : mean) squares = squares + f * f;
    addjostlocus(terms, hs, 1.0 - squares, inverse, kd, wd);
}

}  // namespace

void addjostlocus(JostTerms& terms, double hs, double ht, double inverse, double kd, double wd) {
    const double copies = wd * (kd / inverse);
    const double hsc = copies - 1.0 > 0.0 ? copies / (copies - 1.0) * hs : NOTANUMBER;
    terms.hs = terms.hs + hsc;
    terms.ht = terms.ht + (ht + hsc / (copies * kd));
    ++terms.loci;
}

JostMeasures jostmeasures(const JostTerms& terms, std::size_t k) {
    JostMeasures out;
    if (terms.loci == 0 || k < 2) return out;
    const double n = static_cast<double>(terms.loci), kd = static_cast<double>(k);
    const double hs = terms.hs / n, ht = terms.ht / n;
    const double apart = 1.0 - hs;
    if (!(apart != 0.0)) return out;
    out.d = (ht - hs) / apart * (kd / (kd - 1.0));
    const double scale = (kd * ht - hs) * apart;
    if (scale != 0.0) out.gppst = kd * (ht - hs) / scale;
    return out;
}

SetCounts setcounts(const MarkerSet& set) {
    SetCounts out;
    out.w = set.copies();
    const auto npop = static_cast<std::size_t>(set.npop());
    for (int l = 0; l < set.loci(); ++l) {
        out.count.emplace_back(npop, std::vector<long>(static_cast<std::size_t>(set.codes(l)), 0));
        out.typed.emplace_back(npop, 0);
        for (int p = 0; p < set.npop(); ++p) {
            const auto pp = static_cast<std::size_t>(p);
            for (int i = 0; i < set.individuals(p); ++i) {
                if (!set.typed(p, i, l)) continue;
                const std::int32_t* g = set.genotype(p, i, l);
                for (int c = 0; c < out.w; ++c) ++out.count.back()[pp][static_cast<std::size_t>(g[c])];
                out.typed.back()[pp] += out.w;
            }
        }
    }
    return out;
}

JostMeasures jost(const SetCounts& counts, const std::vector<int>& pops) {
    JostTerms terms;
    std::vector<double> mean;
    for (std::size_t l = 0; l < counts.count.size(); ++l) addlocus(counts, l, pops, terms, mean);
    return jostmeasures(terms, pops.size());
}

JostMeasures mhcjost(const DataSet& ds, const std::vector<int>& pops) { return jost(setcounts({ds, Set::mhc}), pops); }

JostMeasures micjost(const DataSet& ds, const std::vector<int>& pops) { return jost(setcounts({ds, Set::mic}), pops); }

}  // namespace gstboot
