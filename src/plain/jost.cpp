#include "plain/jost.h"

#include <algorithm>
#include <cmath>

namespace gstboot {

namespace {

constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();

// Hs' and Ht' of one locus, summed into a running mean.
struct Terms {
    double hs = 0.0, ht = 0.0;
    int loci = 0;
};

// The copies of one locus in each population of the group, and w.
struct LocusCopies {
    int w = 0;
    std::vector<std::vector<std::int32_t>> pops;
};

// Adds the locus's Hs' and Ht' to `terms`, when every population is typed.
void addlocus(const LocusCopies& locus, Terms& terms) {
    const std::size_t k = locus.pops.size();
    if (k < 2 || locus.w < 1) return;
    std::vector<std::int32_t> codes;
    for (const auto& copies : locus.pops) {
        if (copies.empty()) return;
        codes.insert(codes.end(), copies.begin(), copies.end());
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    const double kd = static_cast<double>(k), wd = static_cast<double>(locus.w);
    std::vector<double> mean(codes.size(), 0.0);
    double hs = 0.0, inverse = 0.0;
    for (const auto& copies : locus.pops) {
        std::vector<long> count(codes.size(), 0);
        for (std::int32_t c : copies) {
            ++count[static_cast<std::size_t>(std::lower_bound(codes.begin(), codes.end(), c) - codes.begin())];
        }
        const double total = static_cast<double>(copies.size());
        double squares = 0.0;
        for (std::size_t a = 0; a < codes.size(); ++a) {
            const double p = static_cast<double>(count[a]) / total;
            squares = squares + p * p;
            mean[a] = mean[a] + p / kd;
        }
        hs = hs + (1.0 - squares) / kd;
        inverse = inverse + 1.0 / (total / wd);
    }
    double squares = 0.0;
    for (double p : mean) squares = squares + p * p;
    const double ht = 1.0 - squares;
    const double harmonic = kd / inverse;
    const double copies = wd * harmonic;
    const double hsc = copies - 1.0 > 0.0 ? copies / (copies - 1.0) * hs : NOTANUMBER;
    terms.hs = terms.hs + hsc;
    terms.ht = terms.ht + (ht + hsc / (copies * kd));
    ++terms.loci;
}

JostMeasures measures(const Terms& terms, std::size_t k) {
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

}  // namespace

JostMeasures mhcjost(const DataSet& ds, const std::vector<int>& pops) {
    LocusCopies locus;
    locus.w = ds.mhccopies;
    for (int p : pops) {
        locus.pops.emplace_back();
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            for (int c = 0; c < ds.mhccopies; ++c) locus.pops.back().push_back(ds.mhc[p][i][c]);
        }
    }
    Terms terms;
    addlocus(locus, terms);
    return measures(terms, pops.size());
}

JostMeasures micjost(const DataSet& ds, const std::vector<int>& pops) {
    Terms terms;
    for (int l = 0; l < ds.nloci; ++l) {
        LocusCopies locus;
        locus.w = 2;
        for (int p : pops) {
            locus.pops.emplace_back();
            for (int i = 0; i < ds.nmic[p]; ++i) {
                if (ds.mic[p][i][l][0] == MISSING) continue;
                locus.pops.back().push_back(ds.mic[p][i][l][0]);
                locus.pops.back().push_back(ds.mic[p][i][l][1]);
            }
        }
        addlocus(locus, terms);
    }
    return measures(terms, pops.size());
}

}  // namespace gstboot
