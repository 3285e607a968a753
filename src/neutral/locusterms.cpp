#include "neutral/locusterms.h"

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
            std::uint16_t carried[10];
            int times[10];
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
            double saved[10];
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

}  // namespace gstboot
