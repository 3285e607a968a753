// The fast scoring of the MHC estimate of every pair of a replicate (the
// MIC set has a scorer of its own, micengine.h). It returns the same bits
// as scorepairs() on the same replicate; tests hold it to that on many
// random data sets.
//
// What makes it fast, and why each step keeps the bits:
// - A frequency is a running sum of one reciprocal, so it depends only on how
//   many copies matched: tables indexed by count replace the copy loops.
// - A population's sums as block 0 of a pair do not depend on the partner,
//   so they are formed once per population and replicate; each partner's
//   sums are then continued over population j's terms, all partners side by
//   side and every allele j carries in one vector line; an allele j lacks
//   adds +0.0 for each of j's individuals, which changes nothing. Each sum
//   still takes its additions in the scoring's order.
// - Every non-carrier copy adds +0.0 to SSW, which changes nothing, so SSW
//   is continued over carriers only. With 1, 2, 4 or 8 copies every SSW
//   term is a multiple of 1/64 and every partial sum is exact, so the pair's
//   SSW is the sum of the two halves.
// - Alleles that neither population of a pair carries add +0.0 or -0.0 to
//   sums that are never -0.0, which changes nothing, so every pair can take
//   every allele: eight pairs share one vector lane each.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/dataset.h"
#include "model/replicate.h"
#include "estimates/isa.h"
#include "model/pairtables.h"

namespace gstboot {

class Engine {
public:
    // Precomputes from the data as read; `ds` must outlive the engine.
    // `blocklines` fixes how many individuals' terms are formed at a time
    // (0: as many as fit the cache); it changes the speed, never a result.
    // `isa` names the kernels (one this build holds and the processor runs).
    Engine(const DataSet& ds, Isa isa, int blocklines = 0);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Scratch of one thread; scoring allocates nothing else.
    struct Work;
    struct WorkDeleter {
        void operator()(Work* w) const;
    };
    using WorkPtr = std::unique_ptr<Work, WorkDeleter>;
    WorkPtr makework() const;

    // The MHC estimate of every pair out[i][j], i < j < npop, of the
    // replicate, with the heterozygosity correction when it is on. Other
    // entries of `out` are left as they are.
    void score(const ReplicateIndex& rep, Work& work, PairTable& out) const;

    // The sums over the alleles whose ratio is the estimate (before any
    // correction), for an estimate over several loci: num[i][j], den[i][j].
    void sums(const ReplicateIndex& rep, Work& work, PairTable& num, PairTable& den) const;


    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace gstboot
