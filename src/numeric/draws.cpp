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
    threshold_.assign(k, std::uint64_t{1} << 32);
    alias_.resize(k);
    for (std::size_t a = 0; a < k; ++a) alias_[a] = static_cast<std::uint16_t>(a);
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
        threshold_[lo] = static_cast<std::uint64_t>(scaled_[lo] * 0x1p32);
        alias_[lo] = static_cast<std::uint16_t>(hi);
        scaled_[hi] = (scaled_[hi] + scaled_[lo]) - 1.0;
        if (scaled_[hi] < 1.0) {
            large_.pop_back();
            small_.push_back(static_cast<int>(hi));
        }
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
    for (std::size_t t = 0; t < count; ++t) {
        const std::uint64_t bits = stream.next();
        const std::uint32_t low = static_cast<std::uint32_t>(bits);
        if ((bits >> 32) < odds_[t]) {
            out[t] = base.draw32(low);
        } else {
            out[t] = out[(static_cast<std::uint64_t>(low) * t) >> 32];
        }
    }
}

}  // namespace gstboot
