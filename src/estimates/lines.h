// The storage and blocking the fast scorers share: tables on whole cache
// lines, and how many lines of terms a block holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace gstboot {

// Lines of generated terms a block holds. The line sums take a block a
// piece of columns at a time (see kernelbody.h, addlines), so the rows of
// sums are read and written once per block whatever the width of a line:
// blocks stay this deep even for wide lines (SNP panels of many loci).
constexpr int MAXBLOCKLINES = 24;

inline int round8(int n) { return (n + 7) / 8 * 8; }

// Lines a block holds: `fixed` when it is positive (the tests' choice,
// which changes the speed, never a result), else MAXBLOCKLINES.
inline int blocklinesfor(int fixed, int) { return fixed > 0 ? fixed : MAXBLOCKLINES; }

// Cells of a block of lines `wide` columns wide, for blocklinesfor(fixed, .).
inline std::size_t blockcells(int fixed, std::size_t wide) {
    return static_cast<std::size_t>(fixed > 0 ? fixed : MAXBLOCKLINES) * wide;
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
