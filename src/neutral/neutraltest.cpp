#include "neutral/neutraltest.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "model/replicate.h"
#include "plain/novariation.h"
#include "plain/pairmissing.h"
#include "numeric/draws.h"
#include "numeric/elementary.h"

namespace gstboot {

namespace {

constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();

// The only places that read the data set's genotypes.

// MIC locus l of populations i and j, typed individuals only, in slot order.
void gathermic(const DataSet& ds, int i, int j, int l, std::vector<std::int32_t> (&out)[2]) {
    const int pops[2] = {i, j};
    for (int side = 0; side < 2; ++side) {
        const int p = pops[side];
        out[side].clear();
        for (int k = 0; k < ds.nmic[p]; ++k) {
            if (ds.mic[p][k][l][0] == MISSING) continue;
            out[side].push_back(ds.mic[p][k][l][0]);
            out[side].push_back(ds.mic[p][k][l][1]);
        }
    }
}

void gathermhc(const DataSet& ds, int i, int j, int locus, std::vector<std::int32_t> (&out)[2]) {
    const int pops[2] = {i, j};
    for (int side = 0; side < 2; ++side) {
        const int p = pops[side];
        out[side].clear();
        for (int k = 0; k < ds.nmhc[p]; ++k) {
            const std::int32_t* copies = ds.mhclocus(p, k, locus);
            out[side].insert(out[side].end(), copies, copies + ds.mhccopies);
        }
    }
}

// One locus of the pair, observed: its genotypes renumbered, its sums, and
// the null's allele frequencies pi.
struct Locus {
    int id = 0;  // X: 0 the (first) MHC locus, 1 + l MIC locus l, nloci + k MHC locus k >= 1
    int n[2] = {0, 0};
    int copies = 0;
    LocusSums sums;
    double factor = 1.0;  // F_l
    double observed = 0.0;
    std::vector<double> pi;
};

// Renumbers the codes of `codes` (both populations) to 0..k-1 in ascending
// code order into `g`, and sets pi. False, leaving the locus out, when the
// pair holds more alleles there than a 16-bit number can tell apart.
// `rank` is scratch. The codes are a data set's, small non-negative
// numbers: each is ranked through a table indexed by code.
bool observe(const std::vector<std::int32_t> (&codes)[2], int copies, LocusGenotypes& g, Locus& locus,
             std::vector<std::int32_t>& rank) {
    std::int32_t top = -1;
    for (const auto& side : codes) {
        for (const std::int32_t c : side) top = std::max(top, c);
    }
    rank.assign(static_cast<std::size_t>(top + 1), 0);
    for (const auto& side : codes) {
        for (const std::int32_t c : side) rank[static_cast<std::size_t>(c)] = 1;
    }
    std::int32_t present = 0;
    for (std::int32_t& r : rank) {
        const std::int32_t seen = r;
        r = present;
        present += seen;
    }
    if (present > 65536) return false;
    g.alleles = present;
    g.copies = copies;
    locus.copies = copies;
    locus.pi.assign(static_cast<std::size_t>(present), 0.0);
    for (int side = 0; side < 2; ++side) {
        g.n[side] = static_cast<int>(codes[side].size()) / copies;
        locus.n[side] = g.n[side];
        g.copy[side].resize(codes[side].size());
        const double share = 0.5 / static_cast<double>(codes[side].size());
        for (std::size_t c = 0; c < codes[side].size(); ++c) {
            const std::int32_t at = rank[static_cast<std::size_t>(codes[side][c])];
            g.copy[side][c] = static_cast<std::uint16_t>(at);
            locus.pi[static_cast<std::size_t>(at)] += share;
        }
    }
    return true;
}

// F of a null: within [FLOOR, CEILING], a not-a-number at FLOOR.
double clampnull(double f) {
    if (!(f >= FLOOR)) return FLOOR;
    return f > CEILING ? CEILING : f;
}

// z_X of a locus: its place among `draws` draws from its null; not a
// number when fewer than half the draws are finite.
double position(const Locus& locus, double f, std::uint64_t seed, int i, int j, int draws, NeutralScratch& s) {
    const std::uint64_t pi = static_cast<std::uint64_t>(i), pj = static_cast<std::uint64_t>(j),
                        id = static_cast<std::uint64_t>(locus.id);
    Stream streams[2] = {Stream{seed, pi, pj, id, 0}, Stream{seed, pi, pj, id, 1}};
    s.base.build(locus.pi);
    const double concentration = (1.0 - f) / f;
    LocusGenotypes& g = s.genotypes;
    g.alleles = static_cast<int>(locus.pi.size());
    g.copies = locus.copies;
    int kept = 0, less = 0, equal = 0;
    for (int side = 0; side < 2; ++side) {
        g.n[side] = locus.n[side];
        g.copy[side].resize(static_cast<std::size_t>(g.n[side]) * static_cast<std::size_t>(g.copies));
    }
    s.urn.prepare(concentration, std::max(g.copy[0].size(), g.copy[1].size()));
    const std::size_t counts[2] = {g.copy[0].size(), g.copy[1].size()};
    std::uint16_t* const outs[2] = {g.copy[0].data(), g.copy[1].data()};
    for (int r = 0; r < draws; ++r) {
        s.urn.drawtwo(streams, s.base, counts, outs);
        const Comparison place = compareestimate(g, locus.observed, s.sums);
        if (place == Comparison::notfinite) continue;
        ++kept;
        less += place == Comparison::below;
        equal += place == Comparison::equal;
    }
    if (2 * kept < draws) return NOTANUMBER;
    const double u = ((static_cast<double>(less) + 0.5 * static_cast<double>(equal)) + 0.5) /
                     static_cast<double>(kept + 1);
    return normalquantile(u);
}

}  // namespace

NeutralPanel::NeutralPanel(const DataSet& ds)
    : nloci_(static_cast<std::size_t>(std::max(ds.nloci, 0))), typed_(mictypedtable(ds)) {
    auto identity = std::make_unique<ReplicateIndex>();
    identityreplicate(ds, *identity);
    NoVariation asread;
    asread.take(ds, *identity);
    single_ = std::move(asread.mic);
}

bool NeutralPanel::candidate(int i, int j, int l) const {
    const std::size_t a = static_cast<std::size_t>(i) * nloci_ + static_cast<std::size_t>(l);
    const std::size_t b = static_cast<std::size_t>(j) * nloci_ + static_cast<std::size_t>(l);
    if (!locusenters(typed_[a], typed_[b])) return false;
    return single_[a] == SEVERAL || single_[b] == SEVERAL || single_[a] != single_[b];
}

NeutralResult neutralpair(const DataSet& ds, int i, int j, std::uint32_t seed, int draws, NeutralScratch& s) {
    return neutralpair(ds, NeutralPanel(ds), i, j, seed, draws, s);
}

NeutralResult neutralpair(const DataSet& ds, const NeutralPanel& panel, int i, int j, std::uint32_t seed, int draws,
                          NeutralScratch& s) {
    NeutralResult result;
    result.zmic.assign(static_cast<std::size_t>(ds.nloci), NOTANUMBER);
    result.zmhcs.assign(static_cast<std::size_t>(ds.mhcloci), NOTANUMBER);
    std::vector<std::int32_t> codes[2];
    // The pair's loci, beyond MAXTESTLOCI that many evenly spaced in file
    // order: a rule blind to the estimates.
    std::vector<int> chosen;
    for (int l = 0; l < ds.nloci; ++l) {
        if (panel.candidate(i, j, l)) chosen.push_back(l);
    }
    if (chosen.size() > static_cast<std::size_t>(MAXTESTLOCI)) {
        std::vector<int> spaced;
        for (std::size_t t = 0; t < static_cast<std::size_t>(MAXTESTLOCI); ++t) {
            spaced.push_back(chosen[t * chosen.size() / MAXTESTLOCI]);
        }
        chosen.swap(spaced);
    }
    std::vector<Locus> loci;
    for (const int l : chosen) {
        gathermic(ds, i, j, l, codes);
        const int ni = static_cast<int>(codes[0].size() / 2), nj = static_cast<int>(codes[1].size() / 2);
        Locus locus;
        locus.id = 1 + l;
        if (!observe(codes, 2, s.genotypes, locus, s.rank) || s.genotypes.alleles < 2) continue;
        locus.sums = locussums(s.genotypes, s.sums);
        if (!(locus.sums.den > 0.0)) continue;
        locus.observed = locus.sums.num / locus.sums.den;
        locus.factor = locusfactor(ni, nj);
        loci.push_back(std::move(locus));
    }
    const std::size_t m = loci.size();
    result.loci = static_cast<int>(m);
    if (m < static_cast<std::size_t>(MINLOCI)) {
        result.fewloci = true;
        return result;
    }

    // G_MIC and G_-l, from running sums before and after each locus.
    std::vector<double> beforenum(m + 1, 0.0), beforeden(m + 1, 0.0), afternum(m + 1, 0.0), afterden(m + 1, 0.0);
    for (std::size_t l = 0; l < m; ++l) {
        beforenum[l + 1] = beforenum[l] + loci[l].sums.num / loci[l].factor;
        beforeden[l + 1] = beforeden[l] + loci[l].sums.den / loci[l].factor;
    }
    for (std::size_t l = m; l-- > 0;) {
        afternum[l] = afternum[l + 1] + loci[l].sums.num / loci[l].factor;
        afterden[l] = afterden[l + 1] + loci[l].sums.den / loci[l].factor;
    }
    const double gmic = beforenum[m] / beforeden[m];

    std::vector<double> z;
    for (std::size_t l = 0; l < m; ++l) {
        const double rest = (beforenum[l] + afternum[l + 1]) / (beforeden[l] + afterden[l + 1]);
        const double zl = position(loci[l], clampnull(rest), seed, i, j, micdraws(draws), s);
        if (!std::isnan(zl)) z.push_back(zl);
        result.zmic[static_cast<std::size_t>(loci[l].id - 1)] = zl;
    }
    result.loci = static_cast<int>(z.size());
    if (z.size() < static_cast<std::size_t>(MINLOCI)) {
        result.fewloci = true;
        return result;
    }

    // Each MHC locus placed in its own null; the pair's T takes their mean.
    double zsum = 0.0;
    int placed = 0;
    for (int k = 0; k < ds.mhcloci; ++k) {
        gathermhc(ds, i, j, k, codes);
        Locus mhc;
        mhc.id = k == 0 ? 0 : ds.nloci + k;
        if (ds.mhccopies < 1 || codes[0].empty() || codes[1].empty()) continue;
        if (!observe(codes, ds.mhccopies, s.genotypes, mhc, s.rank) || s.genotypes.alleles < 2) continue;
        mhc.sums = locussums(s.genotypes, s.sums);
        if (!(mhc.sums.den > 0.0)) continue;
        mhc.observed = mhc.sums.num / mhc.sums.den;
        const double zk = position(mhc, clampnull(gmic), seed, i, j, draws, s);
        result.zmhcs[static_cast<std::size_t>(k)] = zk;
        if (std::isnan(zk)) continue;
        zsum = zsum + zk;
        ++placed;
    }
    if (placed == 0) return result;
    const double zmhc = zsum / static_cast<double>(placed);
    result.zmhc = zmhc;

    const double count = static_cast<double>(z.size());
    double sum = 0.0;
    for (double v : z) sum = sum + v;
    const double mean = sum / count;
    double squares = 0.0;
    for (double v : z) squares = squares + (v - mean) * (v - mean);
    const double sd = std::sqrt(squares / (count - 1.0));
    if (!(sd > 0.0)) return result;
    result.t = (zmhc - mean) / (sd * std::sqrt(1.0 / static_cast<double>(placed) + 1.0 / count));
    result.p = studenttwosided(result.t, static_cast<int>(z.size()) - 1);
    return result;
}

std::vector<double> bhqvalues(const std::vector<double>& p) {
    std::vector<double> q(p.size(), NOTANUMBER);
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < p.size(); ++k) {
        if (std::isfinite(p[k])) order.push_back(k);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    const double total = static_cast<double>(order.size());
    double running = 1.0;
    for (std::size_t r = order.size(); r-- > 0;) {
        const double v = p[order[r]] * total / static_cast<double>(r + 1);
        if (v < running) running = v;
        q[order[r]] = running;
    }
    return q;
}

}  // namespace gstboot
