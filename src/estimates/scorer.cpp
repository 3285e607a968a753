#include "estimates/scorer.h"

#include "estimates/engine.h"

namespace gstboot {

namespace {

class ReferenceScorer final : public Scorer {
public:
    explicit ReferenceScorer(const DataSet& ds) : Scorer(ds) {}

    struct RefWork final : Work {
        // Not value-initialised: only the region below the counts is used.
        std::unique_ptr<Replicate> rep{new Replicate};
        std::unique_ptr<PairScratch> scratch{new PairScratch};
    };

    std::unique_ptr<Work> makework() const override { return std::make_unique<RefWork>(); }

    void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const override {
        RefWork& w = static_cast<RefWork&>(work);
        materialize(ds_, rep, *w.rep);
        scorepairs(ds_, w.rep->present, w.rep->rmhc, w.rep->rmic, *w.scratch, out);
    }
};

class EngineScorer final : public Scorer {
public:
    explicit EngineScorer(const DataSet& ds) : Scorer(ds), engine_(ds) {}

    struct EngineWork final : Work {
        Engine::WorkPtr work;
    };

    std::unique_ptr<Work> makework() const override {
        auto w = std::make_unique<EngineWork>();
        w->work = engine_.makework();
        return w;
    }

    void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const override {
        engine_.score(rep, *static_cast<EngineWork&>(work).work, out);
    }

private:
    Engine engine_;
};

}  // namespace

std::unique_ptr<Scorer> makereferencescorer(const DataSet& ds) { return std::make_unique<ReferenceScorer>(ds); }
std::unique_ptr<Scorer> makeenginescorer(const DataSet& ds) { return std::make_unique<EngineScorer>(ds); }

void scoreobserved(const DataSet& ds, const Scorer& scorer, PairEstimates& out) {
    std::unique_ptr<ReplicateIndex> rep(new ReplicateIndex);
    identityreplicate(ds, *rep);
    std::unique_ptr<Scorer::Work> work = scorer.makework();
    scorer.score(*rep, *work, out);
}

}  // namespace gstboot
