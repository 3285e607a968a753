// The storage and blocking the fast scorers share: tables on whole cache
// lines, and how many lines of terms a block holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace gstboot {

// Bytes of one block of generated term lines: small enough to stay in the
// second-level cache while every partner passes over it.
constexpr std::size_t BLOCKBYTES = std::size_t{192} << 10;
constexpr int MAXBLOCKLINES = 24;

inline int round8(int n) { return (n + 7) / 8 * 8; }

// Lines of `stride` columns a block holds: `fixed` when it is positive (the
// tests' choice, which changes the speed, never a result), else as many as
// fit BLOCKBYTES, 1 to MAXBLOCKLINES.
inline int blocklinesfor(int fixed, int stride) {
    if (fixed > 0) return fixed;
    const std::size_t fit = BLOCKBYTES / (sizeof(double) * static_cast<std::size_t>(std::max(stride, 8)));
    return static_cast<int>(std::clamp<std::size_t>(fit, 1, MAXBLOCKLINES));
}

// Cells of a block of lines `wide` columns wide, for blocklinesfor(fixed, .).
inline std::size_t blockcells(int fixed, std::size_t wide) {
    return fixed > 0 ? static_cast<std::size_t>(fixed) * wide
                     : std::min(MAXBLOCKLINES * wide, std::max(BLOCKBYTES / sizeof(double), wide));
}

// Storage on whole cache lines: rows of 8 doubles then never straddle two,
// which a vector load pays for twice.
template <typename T>
struct LineAllocator {
    using value_type = T;
    LineAllocator() = default;
    template <typename U>
    LineAllocator(const LineAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{64})); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t{64}); }
    template <typename U>
    bool operator==(const LineAllocator<U>&) const { return true; }
    template <typename U>
    bool operator!=(const LineAllocator<U>&) const { return false; }
};
using Lines = std::vector<double, LineAllocator<double>>;
using LineCounts = std::vector<std::int32_t, LineAllocator<std::int32_t>>;

}  // namespace gstboot
