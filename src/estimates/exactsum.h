// Exact shortcuts for running sums of non-negative doubles.
//
// Within one binade [2^E, 2^(E+1)) every double is a whole multiple of the
// unit u = ulp(2^E). Adding t >= 0 to such a sum s, when the exact result
// stays below 2^(E+1), rounds to s + q*u with q = t/u rounded to the nearest
// whole number; only when t/u lies exactly halfway does the result depend on
// s (ties to even). So a run of additions that stays inside one binade and
// meets no tie is one addition of whole units, done exactly in integers.
#pragma once

#include <cstdint>
#include <cstring>

namespace gstboot {

// 2^53: a sum's units stay below this while it remains in its binade.
constexpr std::int64_t BINADE_UNITS = std::int64_t{1} << 53;
// Units of a term so large that any addition leaves the binade.
constexpr std::int64_t UNITS_CAP = std::int64_t{1} << 54;

// A positive sum seen as a whole number of units of its binade.
struct Binade {
    std::int64_t units;  // s / u, in [2^52, 2^53)
    double unit;         // u
    double scale;        // 1 / u

    // True when s is large enough for the decomposition (s >= 2^-900);
    // smaller sums, and zero, are stepped one addition at a time.
    static bool usable(double s) { return s >= 0x1p-900; }

    explicit Binade(double s) {
        std::uint64_t bits;
        std::memcpy(&bits, &s, sizeof bits);
        const std::uint64_t e = bits >> 52;
        units = static_cast<std::int64_t>((bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52));
        const std::uint64_t ubits = (e - 52) << 52;
        const std::uint64_t sbits = (2098 - e) << 52;
        std::memcpy(&unit, &ubits, sizeof unit);
        std::memcpy(&scale, &sbits, sizeof scale);
    }

    // The sum of `n` units, exactly (n < 2^53).
    double value(std::int64_t n) const { return static_cast<double>(n) * unit; }

    // t >= 0 in whole units, rounded to nearest; sets `tie` when t lies
    // exactly halfway between two whole units. Capped at UNITS_CAP.
    std::int64_t unitsof(double t, bool& tie) const {
        const double v = t * scale;  // exact: a power of two
        if (v >= static_cast<double>(UNITS_CAP)) return UNITS_CAP;
        const std::int64_t whole = static_cast<std::int64_t>(v);
        const double frac = v - static_cast<double>(whole);
        if (frac == 0.5) tie = true;
        return whole + (frac > 0.5 ? 1 : 0);
    }
};

// s + t + t + ... (r additions, each rounded), for s, t >= 0, in O(number of
// binades crossed) rather than O(r).
double repeatadd(double s, double t, std::int64_t r);

}  // namespace gstboot
