#include "estimates/scorer.h"

#include <algorithm>

#include "estimates/engine.h"
#include "estimates/micengine.h"
#include "plain/pairmissing.h"

namespace gstboot {

namespace {

// With a missing genotype the plain MIC scoring is another function, so the
// MHC set is scored alone, on a copy of the data set's MHC half without loci
// (the plain pair scoring would read the missing codes as alleles).
const DataSet& mhcpart(const DataSet& ds, std::unique_ptr<DataSet>& copy) {
    if (!ds.micmissing) return ds;
    copy = std::make_unique<DataSet>();
    copy->shapemhc(ds.nmhc, ds.mhccopies, ds.present.width(0));
    copy->mhc = ds.mhc;
    std::copy(ds.present[0], ds.present[0] + ds.present.width(0), copy->present[0]);
    copy->shapemic(ds.nmic, 0, {0});
    copy->settings = ds.settings;
    return *copy;
}

class ReferenceScorer final : public Scorer {
public:
    explicit ReferenceScorer(const DataSet& ds) : Scorer(ds), mhcset_(mhcpart(ds, mhconly_)) {}

    struct RefWork final : Work {
        Replicate rep;
        PairScratch scratch;
        MissingScratch missing;
    };

    std::unique_ptr<Work> makework() const override { return std::make_unique<RefWork>(); }

    void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const override {
        RefWork& w = static_cast<RefWork&>(work);
        materialize(ds_, rep, w.rep);
        scorepairs(mhcset_, w.rep.present, w.rep.rmhc, w.rep.rmic, w.scratch, out);
        if (ds_.micmissing) scoremissingpairs(ds_, w.rep.present, w.rep.rmic, w.missing, out.mic);
    }

private:
    std::unique_ptr<DataSet> mhconly_;  // before mhcset_, which may refer to it
    const DataSet& mhcset_;
};

class EngineScorer final : public Scorer {
public:
    EngineScorer(const DataSet& ds, Isa isa)
        : Scorer(ds), engine_(ds, isa), mic_(ds, isa) {}

    struct EngineWork final : Work {
        Engine::WorkPtr work;
        MicEngine::WorkPtr mic;
    };

    std::unique_ptr<Work> makework() const override {
        auto w = std::make_unique<EngineWork>();
        w->work = engine_.makework();
        w->mic = mic_.makework();
        return w;
    }

    void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const override {
        EngineWork& w = static_cast<EngineWork&>(work);
        engine_.score(rep, *w.work, out.mhc);
        mic_.score(rep, *w.mic, out.mic);
    }

private:
    Engine engine_;
    MicEngine mic_;
};

}  // namespace

std::unique_ptr<Scorer> makereferencescorer(const DataSet& ds) { return std::make_unique<ReferenceScorer>(ds); }
std::unique_ptr<Scorer> makeenginescorer(const DataSet& ds, Isa isa) {
    return std::make_unique<EngineScorer>(ds, isa);
}

void scoreobserved(const DataSet& ds, const Scorer& scorer, PairEstimates& out) {
    auto rep = std::make_unique<ReplicateIndex>();
    identityreplicate(ds, *rep);
    std::unique_ptr<Scorer::Work> work = scorer.makework();
    scorer.score(*rep, *work, out);
}

}  // namespace gstboot
