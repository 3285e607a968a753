#include "neutral/locusterms.h"

#include "common/check.h"
#include "model/limits.h"

#include <cmath>
#include <limits>

namespace gstboot {

namespace {

// table[c]: c additions of 1.0 / total to a running sum from 0.0, c = 0..total;
// kept while the total stays the same (its size tells it).
void runningsums(std::vector<double>& table, int total) {
    const int last = total;
    if (table.size() == static_cast<std::size_t>(last) + 1) return;
    table.resize(static_cast<std::size_t>(last) + 1);
    double sum = 0.0;
    table[0] = sum;
    for (int c = 1; c <= last; ++c) {
        sum = 1.0 / static_cast<double>(total) + sum;
        table[static_cast<std::size_t>(c)] = sum;
    }
}

// SSI and SSW over `n` diploid individuals: x is 0, 0.5 (1/2) or 1.0
// (1/2 + 1/2), so a heterozygote adds 0.25 twice to the SSW of each of its
// alleles and a homozygote adds 0 (exactly). Each individual adds to every
// allele's SSI at once; its own alleles' lanes are then redone with their
// terms from the sums before, so every lane adds its own term once.
void diploid(int n, const std::uint16_t* copy, const double* freq, LocusScratch& s, int k) {
    double* ssi = s.ssi.data();
    const double* idle = s.idle.data();
    const double half = s.fraction[1];
    const double whole = s.fraction[2];
    for (int j = 0; j < n; ++j, copy += 2) {
        const std::uint16_t c0 = copy[0];
        const std::uint16_t c1 = copy[1];
        const double x = c0 == c1 ? whole : half;
        const double d0 = x - freq[c0];
        const double d1 = x - freq[c1];
        const double t0 = (2.0 * d0) * d0;
        const double t1 = (2.0 * d1) * d1;
        // Every lane takes the non-carrier's term, then the carriers' lanes
        // are redone from their sums before it.
        const double before0 = ssi[c0];
        const double before1 = ssi[c1];
        for (int a = 0; a < k; ++a) ssi[a] = ssi[a] + idle[a];
        ssi[c0] = before0 + t0;
        if (c0 != c1) ssi[c1] = before1 + t1;
        if (c0 != c1) {
            s.ssw[c0] = (s.ssw[c0] + 0.25) + 0.25;
            s.ssw[c1] = (s.ssw[c1] + 0.25) + 0.25;
        }
    }
}

}  // namespace

LocusSums locussums(const LocusGenotypes& g, LocusScratch& s) {
    const int k = g.alleles;
    const int w = g.copies;
    GSTBOOT_CHECK(w >= 1 && w <= MAXNAMEDCOPIES);
    const std::size_t ka = static_cast<std::size_t>(k);
    const int big = g.n[0] + g.n[1];
    const int squares = g.n[0] * g.n[0] + g.n[1] * g.n[1];
    const double wd = static_cast<double>(w);

    for (int p = 0; p < 2; ++p) {
        std::vector<int>& count = s.count[p];
        count.assign(ka, 0);
        const std::size_t copies = static_cast<std::size_t>(g.n[p]) * static_cast<std::size_t>(w);
        for (std::size_t c = 0; c < copies; ++c) ++count[g.copy[p][c]];
        runningsums(s.reciprocal[p], g.n[p] * w);
        s.freq[p].resize(ka);
        for (std::size_t a = 0; a < ka; ++a) s.freq[p][a] = s.reciprocal[p][static_cast<std::size_t>(count[a])];
    }
    runningsums(s.pooled, big * w);
    runningsums(s.fraction, w);
    s.total.resize(ka);
    for (std::size_t a = 0; a < ka; ++a) {
        s.total[a] = s.pooled[static_cast<std::size_t>(s.count[0][a] + s.count[1][a])];
    }

    // SSI and SSW, individual by individual: population 0, then 1.
    s.ssi.assign(ka, 0.0);
    s.ssw.assign(ka, 0.0);
    s.idle.resize(ka);

    double* ssi = s.ssi.data();
    double* idle = s.idle.data();
    for (int p = 0; p < 2; ++p) {
        const double* freq = s.freq[p].data();
        for (std::size_t a = 0; a < ka; ++a) {
            const double d = 0.0 - freq[a];  // a non-carrier: x = 0
            idle[a] = (wd * d) * d;
        }
        const std::uint16_t* copy = g.copy[p].data();
        if (w == 2) {
            diploid(g.n[p], copy, freq, s, k);
            continue;
        }
        for (int j = 0; j < g.n[p]; ++j, copy += w) {
            // The individual's alleles, each once, with how many copies carry it.
            std::uint16_t carried[MAXNAMEDCOPIES];
            int times[MAXNAMEDCOPIES];
            int distinct = 0;
            for (int c = 0; c < w; ++c) {
                int at = 0;
                while (at < distinct && carried[at] != copy[c]) ++at;
                if (at == distinct) {
                    carried[distinct] = copy[c];
                    times[distinct++] = 0;
                }
                ++times[at];
            }
            double saved[MAXNAMEDCOPIES];
            for (int t = 0; t < distinct; ++t) {
                const std::uint16_t a = carried[t];
                const double x = s.fraction[static_cast<std::size_t>(times[t])];
                const double d = x - freq[a];
                saved[t] = idle[a];
                idle[a] = (wd * d) * d;
                double ssw = s.ssw[a];
                for (int c = 0; c < w; ++c) {
                    const double f = (copy[c] == a ? 1.0 : 0.0) - x;
                    ssw = ssw + f * f;
                }
                s.ssw[a] = ssw;
            }
            for (int a = 0; a < k; ++a) ssi[a] = ssi[a] + idle[a];
            for (int t = distinct - 1; t >= 0; --t) idle[carried[t]] = saved[t];
        }
    }

    const double n = static_cast<double>(big);
    const double nc = n - static_cast<double>(squares) / n;
    const double nk = static_cast<double>(big - 2);
    const double within = (nc * nk) / n;
    LocusSums out;
    for (std::size_t a = 0; a < ka; ++a) {
        const double e0 = s.freq[0][a] - s.total[a];
        const double e1 = s.freq[1][a] - s.total[a];
        double ssp = 0.0;
        ssp = ssp + (static_cast<double>(g.n[0] * w) * e0) * e0;
        ssp = ssp + (static_cast<double>(g.n[1] * w) * e1) * e1;
        const double tp = nk * ssp;
        out.num = out.num + (tp - 1.0 * s.ssi[a]);
        out.den = out.den + ((tp + (nc - 1.0) * s.ssi[a]) + within * s.ssw[a]);
    }
    return out;
}

namespace {

// What the estimate needs of a locus, per population and allele: the
// allele's copies c and, over individuals, the sum of the squares of their
// copies of it; and how many alleles the pair holds.
int tally(const LocusGenotypes& g, LocusScratch& s) {
    const int w = g.copies;
    const std::size_t ka = static_cast<std::size_t>(g.alleles);
    for (int p = 0; p < 2; ++p) {
        std::vector<int>& count = s.count[p];
        std::vector<long long>& square = s.square[p];
        count.assign(ka, 0);
        square.assign(ka, 0);
        const std::uint16_t* copy = g.copy[p].data();
        if (w == 2) {
            for (int j = 0; j < g.n[p]; ++j, copy += 2) {
                ++count[copy[0]];
                ++count[copy[1]];
                if (copy[0] == copy[1]) {
                    square[copy[0]] += 4;
                } else {
                    ++square[copy[0]];
                    ++square[copy[1]];
                }
            }
            continue;
        }
        // An individual's m-th copy of an allele adds (m + 1)^2 - m^2 = 2 m + 1
        // to its square; `mine` counts the individual's copies, reset after.
        std::vector<int>& mine = s.mine;
        mine.assign(ka, 0);
        for (int j = 0; j < g.n[p]; ++j, copy += w) {
            for (int c = 0; c < w; ++c) {
                const std::uint16_t a = copy[c];
                ++count[a];
                square[a] += 2 * mine[a] + 1;
                ++mine[a];
            }
            for (int c = 0; c < w; ++c) mine[copy[c]] = 0;
        }
    }
    int present = 0;
    for (std::size_t a = 0; a < ka; ++a) present += s.count[0][a] + s.count[1][a] > 0;
    return present;
}

// The ratio from tally()'s sums. Each sum of squares over individuals and
// copies is an integer over a product of sizes: with x = m / w and f = c /
// (n w), SSI = (n Q - c^2) / (n w), SSW = (w c - Q) / w and SSP = sum over
// populations of (N c_p - n_p C)^2 / (n_p N^2 w), so every numerator is
// exact and each term is rounded a few times only.
double tallyratio(const LocusGenotypes& g, const LocusScratch& s) {
    const long long w = g.copies;
    const long long n0 = g.n[0], n1 = g.n[1];
    const long long big = n0 + n1;
    const double wd = static_cast<double>(w);
    const double n = static_cast<double>(big);
    const double nc = n - static_cast<double>(n0 * n0 + n1 * n1) / n;
    const double nk = static_cast<double>(big - 2);
    const double within = (nc * nk) / n;
    const double sspscale = 1.0 / (n * n * wd);
    const long long sizes[2] = {n0, n1};
    double num = 0.0, den = 0.0;
    for (std::size_t a = 0; a < static_cast<std::size_t>(g.alleles); ++a) {
        const long long all = static_cast<long long>(s.count[0][a]) + s.count[1][a];
        double ssp = 0.0, ssi = 0.0, ssw = 0.0;
        for (int p = 0; p < 2; ++p) {
            const long long c = s.count[p][a];
            const long long q = s.square[p][a];
            const long long np = sizes[p];
            if (np == 0) continue;
            const double e = static_cast<double>(big * c - np * all);
            ssp += e * e / static_cast<double>(np);
            ssi += static_cast<double>(np * q - c * c) / (static_cast<double>(np) * wd);
            ssw += static_cast<double>(w * c - q) / wd;
        }
        ssp *= sspscale;
        num += nk * ssp - ssi;
        den += nk * ssp + (nc - 1.0) * ssi + within * ssw;
    }
    // den is a sum of non-negative terms whose scale is at most N w (N - 2)
    // per allele; below a millionth of one unit of it, rounding could decide.
    if (!(den > 1e-6)) return std::numeric_limits<double>::quiet_NaN();
    return num / den;
}

}  // namespace

double countedratio(const LocusGenotypes& g, LocusScratch& s) {
    GSTBOOT_CHECK(g.copies >= 1 && g.copies <= MAXNAMEDCOPIES);
    tally(g, s);
    return tallyratio(g, s);
}

Comparison compareestimate(const LocusGenotypes& g, double value, LocusScratch& s) {
    GSTBOOT_CHECK(g.copies >= 1 && g.copies <= MAXNAMEDCOPIES);
    // One allele: no variation, a 0 / 0 that rounding would make a number.
    if (tally(g, s) < 2) return Comparison::notfinite;
    const double counted = tallyratio(g, s);
    if (counted < value - TALLYSLACK) return Comparison::below;
    if (counted > value + TALLYSLACK) return Comparison::above;
    const LocusSums sums = locussums(g, s);
    const double exact = sums.num / sums.den;
    if (!std::isfinite(exact)) return Comparison::notfinite;
    return exact < value ? Comparison::below : exact == value ? Comparison::equal : Comparison::above;
}

}  // namespace gstboot
