#include "neutral/studytest.h"

#include <cmath>

#include "neutral/neutraltest.h"
#include "numeric/elementary.h"

namespace gstboot {

namespace {

constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();

// Running mean of the finite values given to it.
struct Mean {
    double sum = 0.0;
    int count = 0;
    void add(double v) {
        if (std::isnan(v)) return;
        sum = sum + v;
        ++count;
    }
    double value() const { return count > 0 ? sum / static_cast<double>(count) : NOTANUMBER; }
};

// `x`, a mean of `k` loci's values, placed among `others` (those with
// enough pairs).
Placement place(double x, int pairs, const std::vector<double>& others, double k = 1.0) {
    Placement out;
    out.pairs = pairs;
    double sum = 0.0;
    int m = 0;
    for (double v : others) {
        if (std::isnan(v)) continue;
        sum = sum + v;
        ++m;
    }
    out.loci = m;
    if (m < MINLOCI || pairs < MINPAIRS || std::isnan(x)) return out;
    const double count = static_cast<double>(m);
    const double mean = sum / count;
    double squares = 0.0;
    for (double v : others) {
        if (!std::isnan(v)) squares = squares + (v - mean) * (v - mean);
    }
    const double sd = std::sqrt(squares / (count - 1.0));
    if (!(sd > 0.0)) return out;
    out.t = (x - mean) / (sd * std::sqrt(1.0 / k + 1.0 / count));
    out.p = studenttwosided(out.t, m - 1);
    return out;
}

// The mean of a pair's finite MIC positions other than `z` (not a number
// for none), from their sum and count taken once per pair: each locus's
// contrast would otherwise sum the pair's loci again.
double othermean(const Mean& all, double z) {
    if (std::isnan(z)) return all.value();
    return all.count > 1 ? (all.sum - z) / static_cast<double>(all.count - 1) : NOTANUMBER;
}

}  // namespace

StudyAnswer studyanswer(const std::vector<PairPositions>& pairs, int npop, int nloci, int nmhcloci) {
    StudyAnswer out;
    const auto loci = static_cast<std::size_t>(nloci);
    const auto mhcloci = static_cast<std::size_t>(nmhcloci);
    // The locus answer.
    Mean mhc;
    std::vector<Mean> mic(loci), each(mhcloci);
    for (const PairPositions& p : pairs) {
        mhc.add(p.mhc);
        for (std::size_t l = 0; l < loci && l < p.mic.size(); ++l) mic[l].add(p.mic[l]);
        for (std::size_t k = 0; k < mhcloci && k < p.mhcs.size(); ++k) each[k].add(p.mhcs[k]);
    }
    std::vector<double> means(loci, NOTANUMBER);
    for (std::size_t l = 0; l < loci; ++l) {
        if (mic[l].count >= MINPAIRS) means[l] = mic[l].value();
    }
    const double kloci = static_cast<double>(mhcloci);
    out.locus = place(mhc.value(), mhc.count, means, kloci);
    if (mhcloci > 1) {
        for (const Mean& m : each) out.mhcloci.push_back(place(m.value(), m.count, means));
    }

    // Each population against the rest.
    std::vector<Placement> raw(static_cast<std::size_t>(npop));
    std::vector<Mean> pairmic(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        for (double z : pairs[k].mic) pairmic[k].add(z);
    }
    for (int i = 0; i < npop; ++i) {
        Mean own;
        std::vector<Mean> theirs(loci);
        for (std::size_t k = 0; k < pairs.size(); ++k) {
            const PairPositions& p = pairs[k];
            if (p.pop1 != i && p.pop2 != i) continue;
            if (!std::isnan(p.mhc)) own.add(p.mhc - othermean(pairmic[k], NOTANUMBER));
            for (std::size_t l = 0; l < loci && l < p.mic.size(); ++l) {
                if (!std::isnan(p.mic[l])) theirs[l].add(p.mic[l] - othermean(pairmic[k], p.mic[l]));
            }
        }
        std::vector<double> contrasts(loci, NOTANUMBER);
        for (std::size_t l = 0; l < loci; ++l) {
            if (theirs[l].count >= MINPAIRS) contrasts[l] = theirs[l].value();
        }
        raw[static_cast<std::size_t>(i)] = place(own.value(), own.count, contrasts, kloci);
    }
    std::vector<double> p;
    for (const Placement& r : raw) p.push_back(r.p);
    const std::vector<double> q = bhqvalues(p);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i].q = q[i];
    out.populations = std::move(raw);
    return out;
}

}  // namespace gstboot
