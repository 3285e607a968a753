#include "numeric/draws.h"

#include <cmath>
#include <limits>

#include "numeric/elementary.h"

namespace gstboot {

namespace {

std::uint64_t splitmix(std::uint64_t& x) {
    x += 0x9e3779b97f4a7c15u;
    std::uint64_t z = x;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

Stream::Stream(std::initializer_list<std::uint64_t> words) {
    std::uint64_t x = 0x5eed5eed5eed5eedu;
    for (std::uint64_t w : words) {
        x ^= w;
        x = splitmix(x);
    }
    for (std::uint64_t& s : s_) s = splitmix(x);
}

std::uint64_t Stream::next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

double Stream::normal() {
    if (spare_) {
        spare_ = false;
        return kept_;
    }
    for (;;) {
        const double u = 2.0 * uniform() - 1.0;
        const double v = 2.0 * uniform() - 1.0;
        const double s = u * u + v * v;
        if (s >= 1.0 || s == 0.0) continue;
        const double f = std::sqrt(-2.0 * naturallog(s) / s);
        kept_ = v * f;
        spare_ = true;
        return u * f;
    }
}

double Stream::gamma(double shape) {
    const double d = shape - 1.0 / 3.0;
    const double c = 1.0 / std::sqrt(9.0 * d);
    for (;;) {
        double x;
        double v;
        do {
            x = normal();
            v = 1.0 + c * x;
        } while (v <= 0.0);
        v = v * v * v;
        const double u = uniform();
        const double xx = x * x;
        if (u < 1.0 - 0.0331 * (xx * xx) || naturallog(u) < 0.5 * xx + d * ((1.0 - v) + naturallog(v))) {
            return d * v;
        }
    }
}

double Stream::loggamma(double shape) {
    if (shape >= 1.0) return naturallog(gamma(shape));
    // Gamma(a) = Gamma(a + 1) * U^(1/a), in logs.
    const double boost = naturallog(uniform()) / shape;
    return naturallog(gamma(shape + 1.0)) + boost;
}

void dirichlet(Stream& stream, const std::vector<double>& alpha, std::vector<double>& q) {
    q.resize(alpha.size());
    bool small = false;
    for (double v : alpha) small = small || v < 1.0;
    double sum = 0.0;
    if (!small) {
        // Every shape at least 1: the draws themselves, no logs needed.
        for (std::size_t a = 0; a < alpha.size(); ++a) {
            q[a] = stream.gamma(alpha[a]);
            sum = sum + q[a];
        }
    } else {
        double top = -std::numeric_limits<double>::infinity();
        for (std::size_t a = 0; a < alpha.size(); ++a) {
            q[a] = stream.loggamma(alpha[a]);
            if (q[a] > top) top = q[a];
        }
        for (double& v : q) {
            v = exponential(v - top);
            sum = sum + v;
        }
    }
    for (double& v : q) v = v / sum;
}

}  // namespace gstboot
