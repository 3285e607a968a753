#include "plain/novariation.h"

#include <algorithm>

namespace gstboot {

namespace {

// One more copy carrying `code` seen where `state` was seen before.
inline std::int32_t meet(std::int32_t state, std::int32_t code) {
    if (state == NOCOPY) return code;
    return state == code ? state : SEVERAL;
}

// A source locus the replicate does not draw (take()'s scratch).
constexpr std::int32_t UNDRAWN = -3;

}  // namespace

double undefinedestimate() {
    // Computed when called, not folded at build time: a folded 0.0 / 0.0 may
    // have the other sign.
    volatile double zero = 0.0;
    return zero / zero;
}

void NoVariation::take(const DataSet& ds, const ReplicateIndex& rep, const NoVariation* asread) {
    nloci = static_cast<std::size_t>(ds.nloci);
    mhcloci = static_cast<std::size_t>(ds.mhcloci);
    mhc.resize(static_cast<std::size_t>(ds.npop) * mhcloci);
    mic.resize(static_cast<std::size_t>(ds.npop) * nloci);
    varies.assign(static_cast<std::size_t>(ds.npop), 0);
    // Every source locus drawn, in the order the genotypes are stored.
    bysource.assign(nloci, UNDRAWN);
    for (std::size_t l = 0; l < nloci; ++l) bysource[static_cast<std::size_t>(rep.rl[l])] = NOCOPY;
    sources.clear();
    for (std::size_t src = 0; src < nloci; ++src) {
        if (bysource[src] != UNDRAWN) sources.push_back(static_cast<std::int32_t>(src));
    }
    open.resize(nloci);
    drawn.resize(static_cast<std::size_t>(std::max(ds.maxind(), 0)));
    for (int p = 0; p < ds.npop; ++p) {
        for (int locus = 0; locus < ds.mhcloci; ++locus) {
            std::int32_t s = NOCOPY;
            for (int k = 0; k < ds.nmhc[p] && s != SEVERAL; ++k) {
                const std::int32_t* copies = ds.mhclocus(p, rep.mhcsrc[p][k], locus);
                for (int c = 0; c < ds.mhccopies; ++c) s = meet(s, copies[c]);
            }
            mhc[static_cast<std::size_t>(p) * mhcloci + static_cast<std::size_t>(locus)] = s;
        }
        // Which allele meets which does not change the outcome, so the
        // drawn individuals are taken in the order they are stored, each
        // over every drawn locus not yet known to hold several: the
        // genotypes are read in their order, and most loci close within a
        // few individuals. Given the states as read, a locus the
        // population holds one allele of (or none) closes at its first
        // typed genotype, or at once without missing genotypes.
        const std::int32_t* once = asread != nullptr ? asread->mic.data() + static_cast<std::size_t>(p) * nloci : nullptr;
        std::size_t nopen = 0;
        for (const std::int32_t src : sources) {
            const std::int32_t known = once != nullptr ? once[src] : SEVERAL;
            std::int32_t& t = bysource[static_cast<std::size_t>(src)];
            t = known == NOCOPY || (known != SEVERAL && !ds.micmissing && ds.nmic[p] > 0) ? known : NOCOPY;
            open[nopen] = src;
            nopen += known == SEVERAL || (known != NOCOPY && t == NOCOPY);
        }
        std::fill(drawn.begin(), drawn.begin() + ds.nmic[p], 0);
        for (int k = 0; k < ds.nmic[p]; ++k) drawn[static_cast<std::size_t>(rep.micsrc[p][k])] = 1;
        bool settled = false;
        for (int i = 0; i < ds.nmic[p] && nopen > 0 && !settled; ++i) {
            if (!drawn[static_cast<std::size_t>(i)]) continue;
            const auto row = ds.mic[p][i];
            std::size_t kept = 0;
            for (std::size_t o = 0; o < nopen; ++o) {
                const std::int32_t src = open[o];
                const MicGenotype& g = row[src];
                std::int32_t& t = bysource[static_cast<std::size_t>(src)];
                if (g[0] != MISSING) t = meet(meet(t, g[0]), g[1]);
                // Of a replicate, one locus of several alleles settles
                // every pair with p (the states as read are kept whole).
                if (once != nullptr && t == SEVERAL) {
                    settled = true;
                    break;
                }
                open[kept] = src;
                const bool single = once != nullptr && once[src] != SEVERAL;
                kept += t != SEVERAL && !(single && t != NOCOPY);
            }
            nopen = kept;
        }
        if (settled) {
            varies[static_cast<std::size_t>(p)] = 1;
            continue;
        }
        for (int l = 0; l < ds.nloci; ++l) {
            const auto src = static_cast<std::size_t>(rep.rl[static_cast<std::size_t>(l)]);
            mic[static_cast<std::size_t>(p) * nloci + static_cast<std::size_t>(l)] = bysource[src];
        }
    }
}

bool NoVariation::mhcflat(const DataSet& ds, int i, int j) const {
    if (ds.nmhc[i] == 0 || ds.nmhc[j] == 0) return true;
    for (std::size_t locus = 0; locus < mhcloci; ++locus) {
        const std::int32_t a = mhc[static_cast<std::size_t>(i) * mhcloci + locus];
        const std::int32_t b = mhc[static_cast<std::size_t>(j) * mhcloci + locus];
        if (a == SEVERAL || b == SEVERAL) return false;
        // Both populations hold copies (or none at all, with no copies scored).
        if (a != NOCOPY && b != NOCOPY && a != b) return false;
    }
    return true;
}

bool NoVariation::micflat(const DataSet& ds, int i, int j) const {
    if (ds.nmic[i] == 0 || ds.nmic[j] == 0) return true;
    if (varies[static_cast<std::size_t>(i)] || varies[static_cast<std::size_t>(j)]) return false;
    for (int l = 0; l < ds.nloci; ++l) {
        const std::int32_t a = mic[static_cast<std::size_t>(i) * nloci + static_cast<std::size_t>(l)];
        const std::int32_t b = mic[static_cast<std::size_t>(j) * nloci + static_cast<std::size_t>(l)];
        if (a == SEVERAL || b == SEVERAL) return false;
        if (a != NOCOPY && b != NOCOPY && a != b) return false;
    }
    return true;
}

void NoVariation::apply(const DataSet& ds, PairEstimates& out) const {
    for (int i = 0; i + 1 < ds.npop; ++i) {
        for (int j = i + 1; j < ds.npop; ++j) {
            if (mhcflat(ds, i, j)) out.mhc[i][j] = undefinedestimate();
            if (micflat(ds, i, j)) out.mic[i][j] = undefinedestimate();
        }
    }
}

}  // namespace gstboot
