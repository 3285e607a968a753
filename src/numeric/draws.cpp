#include "numeric/draws.h"

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

void AliasTable::build(const std::vector<double>& weights) {
    const std::size_t k = weights.size();
    size_ = k;
    // threshold[a] in units of 2^-32 (2^32: the whole column is a), alias[a].
    std::vector<std::uint64_t> threshold(k, std::uint64_t{1} << 32);
    std::vector<std::size_t> alias(k);
    for (std::size_t a = 0; a < k; ++a) alias[a] = a;
    double total = 0.0;
    for (double w : weights) total = total + w;
    scaled_.resize(k);
    small_.clear();
    large_.clear();
    for (std::size_t a = 0; a < k; ++a) {
        scaled_[a] = weights[a] * static_cast<double>(k) / total;
        (scaled_[a] < 1.0 ? small_ : large_).push_back(static_cast<int>(a));
    }
    // Each short column is topped up from a long one; what is left over at
    // the end (rounding) keeps its full column.
    while (!small_.empty() && !large_.empty()) {
        const std::size_t lo = static_cast<std::size_t>(small_.back());
        small_.pop_back();
        const std::size_t hi = static_cast<std::size_t>(large_.back());
        threshold[lo] = static_cast<std::uint64_t>(scaled_[lo] * 0x1p32);
        alias[lo] = hi;
        scaled_[hi] = (scaled_[hi] + scaled_[lo]) - 1.0;
        if (scaled_[hi] < 1.0) {
            large_.pop_back();
            small_.push_back(static_cast<int>(hi));
        }
    }
    columns_.resize(k);
    for (std::size_t a = 0; a < k; ++a) {
        // A full column (threshold 2^32) has itself as alias: either half gives a.
        const std::uint64_t t = threshold[a] > 0xffffffffu ? 0xffffffffu : threshold[a];
        columns_[a] = t | (static_cast<std::uint64_t>(a) << 32) | (static_cast<std::uint64_t>(alias[a]) << 48);
    }
}

void PolyaUrn::prepare(double concentration, std::size_t count) {
    odds_.resize(count);
    for (std::size_t t = 0; t < count; ++t) {
        odds_[t] = static_cast<std::uint64_t>(concentration / (concentration + static_cast<double>(t)) * 0x1p32);
    }
    if (count > 0) odds_[0] = std::uint64_t{1} << 32;  // the first is always from the base
}

void PolyaUrn::draw(Stream& stream, const AliasTable& base, std::size_t count, std::uint16_t* out) const {
    // The stream's state in a local copy, so that it stays in registers;
    // both candidates are formed and one is chosen by a mask: the odds are
    // too even for a branch predictor.
    Stream local = stream;
    for (std::size_t t = 0; t < count; ++t) {
        const std::uint64_t bits = local.next();
        const std::uint32_t low = static_cast<std::uint32_t>(bits);
        const std::uint32_t fresh = base.draw32(low);
        const std::uint32_t earlier = out[(static_cast<std::uint64_t>(low) * t) >> 32];
        const std::uint32_t mask = 0u - static_cast<std::uint32_t>((bits >> 32) < odds_[t]);
        out[t] = static_cast<std::uint16_t>((fresh & mask) | (earlier & ~mask));
    }
    stream = local;
}

namespace {

// Draw t of one urn, from one stream value.
inline std::uint16_t urnstep(std::uint64_t bits, std::uint64_t odds, const AliasTable& base, const std::uint16_t* out,
                             std::size_t t) {
    const std::uint32_t low = static_cast<std::uint32_t>(bits);
    const std::uint32_t fresh = base.draw32(low);
    const std::uint32_t earlier = out[(static_cast<std::uint64_t>(low) * t) >> 32];
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>((bits >> 32) < odds);
    return static_cast<std::uint16_t>((fresh & mask) | (earlier & ~mask));
}

}  // namespace

void PolyaUrn::drawtwo(Stream (&streams)[2], const AliasTable& base, const std::size_t (&counts)[2],
                       std::uint16_t* const (&outs)[2]) const {
    Stream first = streams[0];
    Stream second = streams[1];
    std::uint16_t* const a = outs[0];
    std::uint16_t* const b = outs[1];
    const std::size_t both = counts[0] < counts[1] ? counts[0] : counts[1];
    std::size_t t = 0;
    for (; t < both; ++t) {
        const std::uint64_t x = first.next();
        const std::uint64_t y = second.next();
        a[t] = urnstep(x, odds_[t], base, a, t);
        b[t] = urnstep(y, odds_[t], base, b, t);
    }
    for (std::size_t u = t; u < counts[0]; ++u) a[u] = urnstep(first.next(), odds_[u], base, a, u);
    for (std::size_t u = t; u < counts[1]; ++u) b[u] = urnstep(second.next(), odds_[u], base, b, u);
    streams[0] = first;
    streams[1] = second;
}

}  // namespace gstboot
