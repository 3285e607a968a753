// Random draws for simulation, from integer arithmetic and the project's
// own elementary functions, so that a seed gives the same values on every
// platform. The stream is xoshiro256**, seeded by splitmix64 from a key of
// several words: each (run seed, pair, locus) has its own stream, so work
// can be split among threads in any way without changing a value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace gstboot {

class Stream {
public:
    // The stream of the key `words`, in order (different orders, different
    // streams).
    explicit Stream(std::initializer_list<std::uint64_t> words);

    std::uint64_t next();

    // Uniform on (0, 1): (k + 1/2) / 2^53, k from 53 random bits; never 0 or 1.
    double uniform() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1p-53; }

    // Standard normal, by Marsaglia's polar method (pairs; the second of a
    // pair is kept for the next call).
    double normal();

    // A Gamma(shape, 1) draw, shape >= 1, by Marsaglia and Tsang's method.
    double gamma(double shape);

    // log of a Gamma(shape, 1) draw, shape > 0: Marsaglia and Tsang's
    // method (as gamma()), with shape < 1 boosted by U^(1/shape) (in logs, so that tiny
    // shapes, whose draws underflow, stay usable).
    double loggamma(double shape);

private:
    std::uint64_t s_[4];
    bool spare_ = false;
    double kept_ = 0.0;
};

// q ~ Dirichlet(alpha): q_a = g_a / sum g, g_a ~ Gamma(alpha_a), taken
// from the logs relative to their largest so that no share underflows all
// together; with every alpha_a >= 1 the draws are taken as they are.
// alpha_a > 0; q is resized to alpha's size.
void dirichlet(Stream& stream, const std::vector<double>& alpha, std::vector<double>& q);

}  // namespace gstboot
