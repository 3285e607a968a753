// Scoring of every pair of one replicate, behind one interface with two
// implementations: the straightforward one (gstnum and gstden over copies of
// each pair, the oracle) and the fast engine. Both give the same bits; the
// run chooses one and uses it for the replicates and the data as read.
#pragma once

#include <memory>

#include "model/dataset.h"
#include "model/replicate.h"
#include "estimates/isa.h"
#include "plain/novariation.h"
#include "model/pairtables.h"

namespace gstboot {

class Scorer {
public:
    virtual ~Scorer() = default;

    // Scratch of one thread, allocated once; scoring allocates nothing else.
    struct Work {
        virtual ~Work() = default;
        NoVariation flat;
    };
    virtual std::unique_ptr<Work> makework() const = 0;

    // Scores every pair i < j < npop of the replicate `rep` of the data set
    // the scorer was made for into `out`, with the heterozygosity correction
    // when it is on; a pair without variation to split gets no estimate
    // (see novariation.h), whichever implementation scores. Threads may
    // score side by side, each with its own work.
    void score(const ReplicateIndex& rep, Work& work, PairEstimates& out) const {
        out.shape(ds_.npop);
        scoreall(rep, work, out);
        work.flat.take(ds_, rep, asread_.get());
        work.flat.apply(ds_, out);
    }

protected:
    explicit Scorer(const DataSet& ds);
    // The implementation's scoring, before pairs without variation are set.
    virtual void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const = 0;
    const DataSet& ds_;

private:
    // Each population's single alleles in the data as read.
    std::unique_ptr<NoVariation> asread_;
};

// `ds` must outlive the scorer; `isa` names the fast scorer's kernels (one
// this build holds and the processor runs, as chosenisa() gives).
std::unique_ptr<Scorer> makereferencescorer(const DataSet& ds);
std::unique_ptr<Scorer> makeenginescorer(const DataSet& ds, Isa isa);
inline std::unique_ptr<Scorer> makescorer(const DataSet& ds, bool reference, Isa isa) {
    return reference ? makereferencescorer(ds) : makeenginescorer(ds, isa);
}

// The pair scoring of the data as read, by `scorer`.
void scoreobserved(const DataSet& ds, const Scorer& scorer, PairEstimates& out);

}  // namespace gstboot
