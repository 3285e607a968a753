// Random draws for simulation, from integer arithmetic and + - * /, so that
// a seed gives the same values on every platform. The stream is
// xoshiro256**, seeded by splitmix64 from a key of several words: each (run
// seed, pair, locus) has its own stream, so work can be split among threads
// in any way without changing a value.
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

    // Uniform on 0..n-1 (n < 2^32), from the top 32 bits of one value.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32); }

private:
    std::uint64_t s_[4];
};

// Walker's alias table: draws category a with probability weight_a / sum,
// to a resolution of size * 2^-32, from 32 random bits.
class AliasTable {
public:
    // weights >= 0, not all 0, at most 65536 of them.
    void build(const std::vector<double>& weights);

    std::uint16_t draw(Stream& stream) const { return draw32(static_cast<std::uint32_t>(stream.next() >> 32)); }

    // The draw of 32 random bits: their product with the table's size
    // gives the column (high half) and the point within it (low half). A
    // column is one word: the threshold in its low 32 bits, the column's own
    // category and its alias above; the point picks one by a shift, without
    // a branch (which way it goes is a coin toss).
    std::uint16_t draw32(std::uint32_t bits) const {
        const std::uint64_t x = bits * size_;
        const std::uint64_t entry = columns_[static_cast<std::size_t>(x >> 32)];
        const unsigned shift = 32u + 16u * static_cast<unsigned>((x & 0xffffffffu) >= (entry & 0xffffffffu));
        return static_cast<std::uint16_t>(entry >> shift);
    }

private:
    std::uint64_t size_ = 0;
    std::vector<std::uint64_t> columns_;  // threshold | category << 32 | alias << 48
    std::vector<double> scaled_;
    std::vector<int> small_, large_;
};

// The Polya urn of base pi (an alias table) and concentration A > 0: draw
// t is from the base with probability A / (A + t), else a copy of a
// uniformly chosen earlier draw. Its draws have the law of drawing q ~
// Dirichlet(A pi) and then drawing from q independently, without drawing q.
// One stream value per draw: the high 32 bits against the odds (to 2^-32),
// the low 32 bits choose the draw.
class PolyaUrn {
public:
    // Up to `count` draws of concentration A.
    void prepare(double concentration, std::size_t count);
    void draw(Stream& stream, const AliasTable& base, std::size_t count, std::uint16_t* out) const;

    // Two independent urns of the same base and concentration, each with
    // its own stream, drawn side by side: the same draws as two calls of
    // draw(), in about the time of one, as neither waits on the other.
    void drawtwo(Stream (&streams)[2], const AliasTable& base, const std::size_t (&counts)[2],
                 std::uint16_t* const (&outs)[2]) const;

private:
    std::vector<std::uint64_t> odds_;  // A / (A + t) in units of 2^-32
};

}  // namespace gstboot
