#include "numeric/elementary.h"

#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>

namespace gstboot {

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();
// ln 2 split so that k * LN2HI is exact for |k| < 2^20.
constexpr double LN2HI = 0x1.62e42feep-1;
constexpr double LN2LO = 0x1.a39ef35793c76p-33;
constexpr double INVLN2 = 0x1.71547652b82fep0;
constexpr double SQRT2 = 0x1.6a09e667f3bcdp0;
// pi/2 = PIO2HI + PIO2LO to about 2^-106.
constexpr double PIO2HI = 0x1.921fb54442d18p0;
constexpr double PIO2LO = 0x1.1a62633145c07p-54;
constexpr double TWOOVERPI = 0x1.45f306dc9c883p-1;
constexpr double INVSQRT2PI = 0x1.9884533d43651p-2;

std::uint64_t bitsof(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

double frombits(std::uint64_t b) {
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// 2^k for -1022 <= k <= 1023, exactly.
double twopower(int k) { return frombits(static_cast<std::uint64_t>(k + 1023) << 52); }

// 2 / (2k + 1), k = 1..11: the series of log(1+f) = 2 atanh(s) past 2s.
constexpr double LOGSERIES[] = {2.0 / 3.0,  2.0 / 5.0,  2.0 / 7.0,  2.0 / 9.0,  2.0 / 11.0, 2.0 / 13.0,
                                2.0 / 15.0, 2.0 / 17.0, 2.0 / 19.0, 2.0 / 21.0, 2.0 / 23.0};
// 1 / n!, n = 2..13.
constexpr double EXPSERIES[] = {1.0 / 2.0,         1.0 / 6.0,         1.0 / 24.0,         1.0 / 120.0,
                                1.0 / 720.0,       1.0 / 5040.0,      1.0 / 40320.0,      1.0 / 362880.0,
                                1.0 / 3628800.0,   1.0 / 39916800.0,  1.0 / 479001600.0,  1.0 / 6227020800.0};

// Phi(z) for z <= 0.
double lowertail(double z);

// The standard normal density, with z^2 / 2 split so that its rounding does
// not reach the exponent: z = h + (z - h), h holding 25 significant bits.
double density(double z) {
    const double h = frombits(bitsof(z) & ~((std::uint64_t{1} << 28) - 1));
    const double rest = (z - h) * (z + h);
    return (exponential(-0.5 * (h * h)) * exponential(-0.5 * rest)) * INVSQRT2PI;
}

double lowertail(double z) {
    if (z > -2.0) {
        // Phi(z) = 1/2 + phi(z) * sum z^(2k+1) / (2k+1)!!
        const double zz = z * z;
        double term = z;
        double sum = z;
        for (int k = 1; k < 200; ++k) {
            term = term * zz / static_cast<double>(2 * k + 1);
            sum = sum + term;
            if (-term <= -sum * 0x1p-60) break;
        }
        return 0.5 + density(z) * sum;
    }
    if (z < -40.0) return 0.0;
    // Phi(z) = phi(z) * M(x), x = -z, M the Mills ratio as the continued
    // fraction 1/(x+ 1/(x+ 2/(x+ 3/(x+ ...)))), evaluated by Lentz's method.
    const double x = -z;
    const double tiny = 0x1p-1000;
    double f = x;
    double c = x;
    double d = 0.0;
    for (int k = 1; k < 5000; ++k) {
        const double a = static_cast<double>(k);
        d = x + a * d;
        if (d == 0.0) d = tiny;
        c = x + a / c;
        if (c == 0.0) c = tiny;
        d = 1.0 / d;
        const double delta = c * d;
        f = f * delta;
        const double off = delta - 1.0;
        if (off < 0x1p-60 && off > -0x1p-60) break;
    }
    return density(z) / f;
}

}  // namespace

double naturallog(double x) {
    if (x != x) return x;
    if (x < 0.0) return NOTANUMBER;
    if (x == 0.0) return -INF;
    if (x == INF) return INF;
    int e = 0;
    if (x < 0x1p-1022) {  // subnormal: scale into the normal range
        x = x * 0x1p54;
        e = -54;
    }
    const std::uint64_t b = bitsof(x);
    e += static_cast<int>((b >> 52) & 0x7ff) - 1023;
    double m = frombits((b & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1023} << 52));  // [1, 2)
    if (m > SQRT2) {
        m = m * 0.5;
        e += 1;
    }
    // log(m) = log(1 + f) = 2 atanh(s), s = f / (2 + f), |s| < 0.172, taken
    // as f - f^2/2 + s (f^2/2 + R) so that the leading terms stay exact.
    const double f = m - 1.0;  // exact
    const double s = f / (2.0 + f);
    const double z = s * s;
    double r = LOGSERIES[10];
    for (int k = 9; k >= 0; --k) r = LOGSERIES[k] + z * r;
    r = z * r;
    const double hfsq = 0.5 * (f * f);
    const double de = static_cast<double>(e);
    return de * LN2HI - ((hfsq - (s * (hfsq + r) + de * LN2LO)) - f);
}

double exponential(double x) {
    if (x != x) return x;
    if (x > 709.782712893384) return INF;
    if (x < -745.1332191019412) return 0.0;
    // x = k ln 2 + r, |r| <= ln 2 / 2 (k rounded half away from zero).
    const double kd = x * INVLN2;
    const int k = static_cast<int>(kd < 0.0 ? kd - 0.5 : kd + 0.5);
    const double dk = static_cast<double>(k);
    const double r = (x - dk * LN2HI) - dk * LN2LO;
    double y = EXPSERIES[11];
    for (int n = 10; n >= 0; --n) y = EXPSERIES[n] + r * y;
    y = 1.0 + r * (1.0 + r * y);
    if (k > 1023) return (y * 2.0) * twopower(k - 1);
    if (k < -1021) return (y * twopower(k + 1000)) * 0x1p-1000;  // one rounding, the last
    return y * twopower(k);
}

double arctangent(double x) {
    if (x != x) return x;
    const bool negative = x < 0.0;
    double a = negative ? -x : x;
    const bool inverted = a > 1.0;
    if (inverted) a = 1.0 / a;
    // atan(a) = 2 atan(a / (1 + sqrt(1 + a^2))), twice: a <= tan(pi/16).
    for (int h = 0; h < 2; ++h) a = a / (1.0 + std::sqrt(1.0 + a * a));
    // atan(a) = a (1 - z/3 + z^2/5 - ...), z = a^2 <= 0.04: 15 terms.
    const double z = a * a;
    double s = 1.0 / 29.0;
    for (int k = 13; k >= 0; --k) s = 1.0 / static_cast<double>(2 * k + 1) - z * s;
    double r = 4.0 * (a * s);
    if (inverted) r = PIO2HI + (PIO2LO - r);
    return negative ? -r : r;
}

double normalcdf(double z) {
    if (z != z) return z;
    if (z <= 0.0) return lowertail(z);
    return 1.0 - lowertail(-z);
}

double normalquantile(double u) {
    if (u != u || u < 0.0 || u > 1.0) return NOTANUMBER;
    if (u == 0.0) return -INF;
    if (u == 1.0) return INF;
    const bool upper = u > 0.5;
    const double p = upper ? 1.0 - u : u;  // exact
    // Acklam's rational approximation (relative error below 1.2e-9).
    static constexpr double A[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double B[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double C[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double D[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    double z;
    if (p < 0.02425) {
        const double q = std::sqrt(-2.0 * naturallog(p));
        z = (((((C[0] * q + C[1]) * q + C[2]) * q + C[3]) * q + C[4]) * q + C[5]) /
            ((((D[0] * q + D[1]) * q + D[2]) * q + D[3]) * q + 1.0);
    } else {
        const double q = p - 0.5;
        const double r = q * q;
        z = (((((A[0] * r + A[1]) * r + A[2]) * r + A[3]) * r + A[4]) * r + A[5]) * q /
            (((((B[0] * r + B[1]) * r + B[2]) * r + B[3]) * r + B[4]) * r + 1.0);
    }
    // Two Newton steps on the lower tail, where Phi keeps its relative
    // accuracy: the error squares with each.
    for (int step = 0; step < 2; ++step) {
        const double phi = density(z);
        if (!(phi > 0.0)) break;
        z = z - (lowertail(z) - p) / phi;
    }
    return upper ? -z : z;
}

double studenttwosided(double t, int df) {
    if (t != t || df < 1) return NOTANUMBER;
    const double at = t < 0.0 ? -t : t;
    if (at == INF) return 0.0;
    // theta = atan(|t| / sqrt(df)); x = cos^2 theta. With whole df the
    // distribution function is a finite series in x (even df: sin theta
    // times sum c_k x^k; odd df: (2/pi)(theta + sin theta cos theta times
    // sum d_k x^k)), and the full infinite series sums to one, so that p
    // is the series' tail: summed directly where p is small.
    const double nu = static_cast<double>(df);
    const double q = nu + at * at;
    const double x = nu / q;
    const double root = std::sqrt(q);
    const double sn = at / root;
    const bool even = df % 2 == 0;
    const int first = even ? df / 2 : (df - 1) / 2;  // the tail starts at k = first
    // c_k = prod (2j-1)/(2j), d_k = prod 2j/(2j+1), j = 1..k.
    auto ratio = [even](int k) {
        const double kk = static_cast<double>(2 * k);
        return even ? (kk - 1.0) / kk : kk / (kk + 1.0);
    };
    double p;
    if (x < 0.98) {
        double term = 1.0;
        for (int k = 1; k <= first; ++k) term = term * (x * ratio(k));
        double sum = 0.0;
        for (int k = first + 1; term > sum * 0x1p-60; ++k) {
            sum = sum + term;
            term = term * (x * ratio(k));
        }
        p = even ? sn * sum : TWOOVERPI * ((sn * (std::sqrt(nu) / root)) * sum);
    } else {
        double term = 1.0;
        double sum = 0.0;
        for (int k = 0; k < first; ++k) {
            sum = sum + term;
            term = term * (x * ratio(k + 1));
        }
        if (even) {
            p = 1.0 - sn * sum;
        } else {
            const double rest = at == 0.0 ? PIO2HI : arctangent(std::sqrt(nu) / at);
            p = TWOOVERPI * (rest - (sn * (std::sqrt(nu) / root)) * sum);
        }
    }
    if (p < 0.0) p = 0.0;
    if (p > 1.0) p = 1.0;
    return p;
}

}  // namespace gstboot
