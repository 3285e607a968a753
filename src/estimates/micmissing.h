// The fast scoring of the MIC estimate of a data set with missing
// genotypes (see pairmissing.h for the estimate). It returns the same bits as
// scoremissingpairs() on the same replicate; tests hold it to that on many
// random studies.
//
// What makes it fast, and why each step keeps the bits:
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
#pragma once

#include <memory>

#include "data/dataset.h"
#include "data/replicate.h"
#include "estimates/isa.h"
#include "plain/pairgst.h"

namespace gstboot {

class MissingMic {
public:
    // Precomputes from the data as read; `ds` must outlive the scorer.
    // `blocklines` fixes how many individuals' terms are formed at a time
    // (0: as many as fit the cache); it changes the speed, never a result.
    // `isa` names the kernels (one this build holds and the processor runs).
    MissingMic(const DataSet& ds, Isa isa, int blocklines = 0);
    ~MissingMic();
    MissingMic(const MissingMic&) = delete;
    MissingMic& operator=(const MissingMic&) = delete;

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

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace gstboot
