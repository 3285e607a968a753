// The fast scoring of the MIC estimate. With a missing genotype it is the
// per-locus estimate (pairmissing.h) and returns the same bits as
// scoremissingpairs(); without, the one ratio pooled over every allele of
// every locus, the same bits as scorepairs(). Tests hold it to both on many
// random studies, replicate by replicate.
//
// What makes it fast, and why each step keeps the bits (for the pooled
// estimate every individual is typed everywhere):
// - A frequency is a running sum of one reciprocal, so it depends only on
//   the number of typed individuals and of matching copies: tables indexed
//   by both replace the copy loops.
// - A population's sums as the first of a pair depend only on its own typed
//   individuals, so they are formed once per population and replicate, and
//   each partner's SSI is continued over population j's terms, all partners
//   side by side. An individual untyped at a locus adds +0.0 to that
//   locus's columns, and an allele j lacks adds +0.0 for every individual:
//   no SSI is ever -0.0, so neither changes a sum.
// - SSW terms of two copies are multiples of 1/4, so every partial sum is
//   exact and the pair's SSW is the sum of the two populations' own.
// - A locus's terms num_l / F_l depend only on its source locus, so a locus
//   drawn twice is scored once and added twice; a locus that does not enter
//   a pair adds +0.0 to sums that are never -0.0.
// - Every sum of a locus involves that locus alone, so the loci are taken a
//   run at a time (a chunk whose tables stay in the cache while every
//   population passes); the terms of each pair and source locus (of each
//   allele, for the pooled estimate) are kept, and each pair's ratio adds
//   them in the replicate's order at the end, the order of the plain
//   scoring. Where that table of terms would grow past its budget, the
//   pairs are taken a batch of populations j at a time, each a pass of its
//   own.
#pragma once

#include <cstddef>
#include <memory>

#include "model/dataset.h"
#include "model/replicate.h"
#include "estimates/isa.h"
#include "model/pairtables.h"

namespace gstboot {

// How the work is cut up: it changes the speed and the memory, never a
// result. Zero (or less) in a field means the default.
struct MicBlocking {
    int lines = 0;               // individuals' term lines formed at a time
    int columns = 0;             // allele columns of a chunk of loci (a chunk holds one locus at least)
    std::size_t tablebytes = 0;  // the per-thread table of the pairs' locus terms
};

class MicEngine {
public:
    // Precomputes from the data as read; `ds` must outlive the scorer.
    // `isa` names the kernels (one this build holds and the processor runs).
    MicEngine(const DataSet& ds, Isa isa, const MicBlocking& blocking = {});
    ~MicEngine();
    MicEngine(const MicEngine&) = delete;
    MicEngine& operator=(const MicEngine&) = delete;

    // Scratch of one thread; scoring allocates nothing else.
    struct Work;
    struct WorkDeleter {
        void operator()(Work* w) const;
    };
    using WorkPtr = std::unique_ptr<Work, WorkDeleter>;
    WorkPtr makework() const;

    // The MIC estimate of every pair out[i][j], i < j < npop, of the
    // replicate, with the heterozygosity correction when it is on. Other
    // entries of `out` are left as they are.
    void score(const ReplicateIndex& rep, Work& work, PairTable& out) const;

    // The columns of a chunk and the populations j of a pass the defaults
    // give for `ds` (for the memory estimate).
    static int chunkcolumns(const DataSet& ds);
    static std::size_t tablebudget();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace gstboot
