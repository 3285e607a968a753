#include "neutral/mantel.h"

#include <cmath>
#include <numeric>

#include "numeric/draws.h"

namespace gstboot {

namespace {

// The key word of the Mantel test's stream, apart from the neutral test's.
constexpr std::uint64_t MANTELKEY = 0x4d414e54454cULL;

double correlation(const std::vector<double>& a, const std::vector<double>& b, const std::vector<int>& order, int npop,
                   int& pairs) {
    // The pair index of (i, j), i < j, in the report's order.
    auto at = [npop](int i, int j) {
        if (i > j) std::swap(i, j);
        return static_cast<std::size_t>(i * npop - i * (i + 1) / 2 + (j - i - 1));
    };
    double sa = 0.0, sb = 0.0;
    pairs = 0;
    for (int i = 0; i + 1 < npop; ++i) {
        for (int j = i + 1; j < npop; ++j) {
            const double x = a[at(i, j)], y = b[at(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)])];
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            sa = sa + x;
            sb = sb + y;
            ++pairs;
        }
    }
    if (pairs < 3) return std::numeric_limits<double>::quiet_NaN();
    const double ma = sa / pairs, mb = sb / pairs;
    double sab = 0.0, saa = 0.0, sbb = 0.0;
    for (int i = 0; i + 1 < npop; ++i) {
        for (int j = i + 1; j < npop; ++j) {
            const double x = a[at(i, j)], y = b[at(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)])];
            if (!std::isfinite(x) || !std::isfinite(y)) continue;
            sab = sab + (x - ma) * (y - mb);
            saa = saa + (x - ma) * (x - ma);
            sbb = sbb + (y - mb) * (y - mb);
        }
    }
    const double scale = std::sqrt(saa) * std::sqrt(sbb);
    if (!(scale > 0.0)) return std::numeric_limits<double>::quiet_NaN();
    return sab / scale;
}

}  // namespace

MantelResult mantel(const std::vector<double>& a, const std::vector<double>& b, int npop, std::uint32_t seed,
                    int permutations) {
    MantelResult out;
    std::vector<int> order(static_cast<std::size_t>(npop));
    std::iota(order.begin(), order.end(), 0);
    out.r = correlation(a, b, order, npop, out.pairs);
    if (std::isnan(out.r)) return out;
    Stream stream{seed, MANTELKEY};
    int beyond = 0;
    for (int k = 0; k < permutations; ++k) {
        for (int i = npop - 1; i > 0; --i) {
            const std::uint32_t pick = stream.below(static_cast<std::uint32_t>(i + 1));
            std::swap(order[static_cast<std::size_t>(i)], order[pick]);
        }
        int pairs = 0;
        const double r = correlation(a, b, order, npop, pairs);
        if (!std::isnan(r) && std::fabs(r) >= std::fabs(out.r)) ++beyond;
    }
    out.p = (1.0 + beyond) / (1.0 + permutations);
    return out;
}

}  // namespace gstboot
