// The fast scoring of every pair of a replicate. It returns the same bits as
// scorepairs() on the same replicate; tests hold it to that on many random
// data sets.
//
// What makes it fast, and why each step keeps the bits:
// - A frequency is a running sum of one reciprocal, so it depends only on how
//   many copies matched: tables indexed by count replace the copy loops.
// - A population's sums as block 0 of a pair do not depend on the partner,
//   so they are formed once per population and replicate.
// - Within block 1, every non-carrier of an allele adds the same SSI term and
//   nothing (+0.0) to SSW; runs of equal additions inside one binade are
//   whole units of that binade, added in integers (see exactsum.h). Where a
//   term lies exactly halfway between units the sum is stepped singly.
// - With 1, 2, 4 or 8 copies every SSW term is a multiple of 1/64 and every
//   partial sum is exact, so the pair's SSW is the sum of the two halves.
// - Alleles that neither population of a pair carries add +0.0 or -0.0 to
//   the pair's sums, which changes nothing; they are skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "data/dataset.h"
#include "data/replicate.h"
#include "estimates/pairgst.h"

namespace gstboot {

class Engine {
public:
    // Precomputes from the data as read; `ds` must outlive the engine.
    // `tablebytes` bounds the per-thread cache of term tables; beyond it the
    // tables are rebuilt when needed (same results, more work).
    explicit Engine(const DataSet& ds, std::size_t tablebytes = std::size_t{12} << 20);
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

    // Scores every pair i < j < npop of the replicate into `out`, with the
    // heterozygosity correction when it is on.
    void score(const ReplicateIndex& rep, Work& work, PairEstimates& out) const;

    // The replicate that is the data as read.
    void identity(ReplicateIndex& rep) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace gstboot
