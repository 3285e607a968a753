// The MHC engine's private parts, shared by the files that do its jobs:
// engine.cpp (the tables of the data as read, the work), enginepop.cpp (a
// population's statistics in a replicate), enginelines.cpp (the pair sums
// continued over a population's lines), enginescore.cpp (the ratios).
#pragma once

#include <cstdint>
#include <vector>

#include "estimates/engine.h"
#include "estimates/kernels.h"
#include "estimates/lines.h"

namespace gstboot {

constexpr int WMAX = MAXNAMEDCOPIES;

// An allele code an individual carries, as stored once for the data as read.
struct Mark {
    std::int32_t dense;  // index among the MHC codes
    std::uint8_t m;
    std::uint64_t pattern;
};

// Running sums of 1/t: table[t][c] is 1/t added c times.
class ReciprocalSums {
public:
    void need(int t) {
        if (t < 0) return;
        if (static_cast<std::size_t>(t) >= tables_.size()) tables_.resize(static_cast<std::size_t>(t) + 1);
        std::vector<double>& v = tables_[static_cast<std::size_t>(t)];
        if (!v.empty()) return;
        v.resize(static_cast<std::size_t>(t) + 1);
        double s = 0.0;
        v[0] = s;
        for (int c = 1; c <= t; ++c) {
            s = 1.0 / static_cast<double>(t) + s;
            v[static_cast<std::size_t>(c)] = s;
        }
    }
    const double* of(int t) const { return tables_[static_cast<std::size_t>(t)].data(); }

private:
    std::vector<std::vector<double>> tables_;
};

struct Engine::Impl {
    const DataSet& ds;
    const Kernels& kern;  // of the instruction set chosen at construction
    std::vector<int> codes;  // the MHC codes present, ascending: the dense alleles
    int ndense = 0;
    int nterms = 0;          // term cells per population: ndense * (w + 1)
    int blocklines = 0;      // lines per block; 0: by size
    int maxind = 0;          // the largest population
    int lp = 0;              // lanepitch(npop)
    std::vector<Mark> marks;
    std::vector<std::int32_t> mhcmark;  // [p*maxind + i]: first mark, end at +1
    ReciprocalSums sums;
    std::vector<double> zeros;  // a table of zeros for unused lanes
    // SSW terms of a matching and of a non-matching copy, per width.
    double ssa[WMAX + 1][WMAX + 1] = {};
    double ssb[WMAX + 1][WMAX + 1] = {};
    bool dyadic[WMAX + 1] = {};

    Impl(const DataSet& d, Isa isa, int lines);
    int linesfor(int stride) const;
    void buildpop(int p, int n, const std::int32_t* src, const std::int32_t* mult, Work& work) const;
    void preparepop(int p, const ReplicateIndex& rep, Work& work) const;
    void continuessi(int j, const ReplicateIndex& rep, Work& work) const;
    void continuessw(int j, Work& work) const;
    void pairlanes(int j, int lane0, PairLanes& c) const;
    // Every pair's sums over the alleles, handed to take(i, j, num, den).
    template <typename Take>
    void eachpair(const ReplicateIndex& rep, Work& work, Take take) const;
};

struct Engine::Work {
    // Per population and dense allele.
    std::vector<AlleleStat> stats;  // [p*ndense + d]
    std::vector<double> terms;      // [p*nterms + d*(w+1) + m]: SSI term of m matches
    std::vector<std::int32_t> km;   // likewise: individuals with m matches
    std::vector<Carrier> carriers;  // per population
    std::vector<std::int32_t> carbase;  // [p]: first of population p's carriers
    std::vector<std::int32_t> cursor;   // [d], scratch
    std::vector<std::int32_t> mhchets;  // [p]
    std::vector<std::int32_t> mult;     // draws of each individual, scratch
    // Per population, its SSI from 0.0 over its own individuals, by
    // column: [p*stride + col].
    Lines ssi0;
    // Rows of sums being continued over one population's lines, and a
    // block of those lines (SSI terms by individual and column).
    Lines accs;
    Lines lines;
    Lines line0;
    std::vector<int> live, liveat;  // the columns j carries, and back
    // By dense allele and population (LP lanes): frequencies, matching
    // copies, own SSW; and for the current population j, each partner's
    // pair SSI and SSW.
    Lines pT;
    LineCounts cntT;
    Lines ssw0T;
    Lines ssiT;
    Lines sswT;
};

}  // namespace gstboot
