// The estimates of every population pair: one replicate's, and every
// replicate's of a run. The scorers fill them, the summary and the outputs
// read them, so they belong to neither.
#pragma once

#include <cstddef>
#include <vector>

#include "model/limits.h"

namespace gstboot {

// One value per pair [i][j], i < j < npop, held as a square of npop rows
// (entries with i >= j are not used).
class PairTable {
public:
    void assign(int npop) {
        npop_ = npop;
        cells_.assign(static_cast<std::size_t>(npop) * static_cast<std::size_t>(npop), 0.0);
    }
    int npop() const { return npop_; }
    double* operator[](int i) { return cells_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(npop_); }
    const double* operator[](int i) const {
        return cells_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(npop_);
    }

private:
    std::vector<double> cells_;
    int npop_ = 0;
};

// The two estimates of every pair [i][j], i < j < npop, of one replicate.
struct PairEstimates {
    PairTable mhc;
    PairTable mic;
    // Sized for npop populations (a no-op when it is).
    void shape(int npop) {
        if (mhc.npop() != npop) mhc.assign(npop);
        if (mic.npop() != npop) mic.assign(npop);
    }
};

// NREP values of every pair [i][j], i < j < npop, one row per pair that
// exists: t[i][j] is the pair's row, t[i][j][r] its value of replicate r.
class ReplicateTable {
public:
    void assign(int npop);
    template <typename T>
    struct Partners {
        T* row;  // of pair (i, i + 1)
        int i;
        T* operator[](int j) const { return row + static_cast<std::size_t>(j - i - 1) * NREP; }
    };
    Partners<double> operator[](int i) { return {cells_.data() + first(i), i}; }
    Partners<const double> operator[](int i) const { return {cells_.data() + first(i), i}; }
    // Bytes of the table of npop populations.
    static std::size_t bytes(int npop);

private:
    std::size_t first(int i) const {
        const auto n = static_cast<std::size_t>(npop_);
        const auto k = static_cast<std::size_t>(i);
        return k * (2 * n - k - 1) / 2 * NREP;
    }
    std::vector<double> cells_;
    int npop_ = 0;
};

// Every replicate estimate of a run, in replicate order.
struct ResultTables {
    ReplicateTable mhcGST;
    ReplicateTable micGST;
    void assign(int npop) {
        mhcGST.assign(npop);
        micGST.assign(npop);
    }
};

// Stores replicate r's estimates in mhcGST/micGST[i][j][r].
void storeestimates(int npop, const PairEstimates& est, int r, ResultTables& tables);

}  // namespace gstboot
