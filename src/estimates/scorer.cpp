#include "estimates/scorer.h"

#include <algorithm>

#include "estimates/engine.h"
#include "estimates/micengine.h"
#include "plain/heterozygosity.h"
#include "plain/pairmissing.h"

namespace gstboot {

namespace {

// With a missing genotype the plain MIC scoring is another function, so the
// MHC set is scored alone, on a copy of the data set's MHC half without loci
// (the plain pair scoring would read the missing codes as alleles).
const DataSet& mhcpart(const DataSet& ds, std::unique_ptr<DataSet>& copy) {
    if (!ds.micmissing) return ds;
    copy = std::make_unique<DataSet>();
    copy->shapemhc(ds.nmhc, ds.mhccopies, ds.present.width(0), ds.mhcloci);
    copy->mhcfirst = ds.mhcfirst;
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

// MHC locus k of `ds` as a data set of one MHC locus and no MIC locus: its
// copies, and present[0] marking its codes only (the code space stays).
std::unique_ptr<DataSet> mhclocusset(const DataSet& ds, int k) {
    auto one = std::make_unique<DataSet>();
    one->shapemhc(ds.nmhc, ds.mhccopies, ds.present.width(0));
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i) std::copy_n(ds.mhclocus(p, i, k), ds.mhccopies, one->mhc[p][i]);
    }
    const auto locus = static_cast<std::size_t>(k);
    for (int a = ds.mhcfirst[locus]; a < ds.mhcfirst[locus + 1]; ++a) one->present[0][a] = ds.present[0][a];
    one->shapemic(ds.nmic, 0, {0});
    one->settings = ds.settings;
    return one;
}

// The MHC estimate over several loci: each locus's sums by an engine of its
// own, added locus by locus in the pair's order, as the plain scoring adds
// them (pairgst.cpp), and the correction over every (individual, locus).
class MhcLoci {
public:
    MhcLoci(const DataSet& ds, Isa isa) : ds_(ds) {
        for (int k = 0; k < ds.mhcloci; ++k) {
            sets_.push_back(mhclocusset(ds, k));
            engines_.push_back(std::make_unique<Engine>(*sets_.back(), isa));
        }
        hets_.resize(static_cast<std::size_t>(ds.npop));
        for (int p = 0; p < ds.npop; ++p) {
            for (int i = 0; i < ds.nmhc[p]; ++i) {
                int n = 0;
                for (int k = 0; k < ds.mhcloci; ++k) n += heterozygous(ds.mhclocus(p, i, k), ds.mhccopies) ? 1 : 0;
                hets_[static_cast<std::size_t>(p)].push_back(n);
            }
        }
    }

    struct LociWork {
        std::vector<Engine::WorkPtr> works;
        std::vector<PairTable> num, den;
        std::vector<int> hets;  // per population, of the replicate
    };

    std::unique_ptr<LociWork> makework() const {
        auto w = std::make_unique<LociWork>();
        for (const auto& e : engines_) w->works.push_back(e->makework());
        w->num.resize(engines_.size());
        w->den.resize(engines_.size());
        return w;
    }

    void score(const ReplicateIndex& rep, LociWork& w, PairTable& out) const {
        for (std::size_t k = 0; k < engines_.size(); ++k) engines_[k]->sums(rep, *w.works[k], w.num[k], w.den[k]);
        const bool corr = ds_.settings.corrflag;
        if (corr) {
            w.hets.assign(static_cast<std::size_t>(ds_.npop), 0);
            for (int p = 0; p < ds_.npop; ++p) {
                for (int s = 0; s < ds_.nmhc[p]; ++s) {
                    w.hets[static_cast<std::size_t>(p)] += hets_[static_cast<std::size_t>(p)][static_cast<std::size_t>(rep.mhcsrc[p][s])];
                }
            }
        }
        for (int i = 0; i + 1 < ds_.npop; ++i) {
            for (int j = i + 1; j < ds_.npop; ++j) {
                double num = 0.0;
                double den = 0.0;
                for (std::size_t k = 0; k < engines_.size(); ++k) {
                    num = num + w.num[k][i][j];
                    den = den + w.den[k][i][j];
                }
                double mhc = num / den;
                if (corr) {
                    const int hets = w.hets[static_cast<std::size_t>(i)] + w.hets[static_cast<std::size_t>(j)];
                    mhc = mhc / hetdivisor(hets, (ds_.nmhc[i] + ds_.nmhc[j]) * ds_.mhcloci);
                }
                out[i][j] = mhc;
            }
        }
    }

private:
    const DataSet& ds_;
    std::vector<std::unique_ptr<DataSet>> sets_;
    std::vector<std::unique_ptr<Engine>> engines_;
    std::vector<std::vector<int>> hets_;  // [p][i]: heterozygous MHC loci of individual i as read
};

class EngineScorer final : public Scorer {
public:
    EngineScorer(const DataSet& ds, Isa isa) : Scorer(ds), mic_(ds, isa) {
        if (ds.mhcloci == 1) {
            engine_ = std::make_unique<Engine>(ds, isa);
        } else {
            loci_ = std::make_unique<MhcLoci>(ds, isa);
        }
    }

    struct EngineWork final : Work {
        Engine::WorkPtr work;
        std::unique_ptr<MhcLoci::LociWork> loci;
        MicEngine::WorkPtr mic;
    };

    std::unique_ptr<Work> makework() const override {
        auto w = std::make_unique<EngineWork>();
        if (engine_) w->work = engine_->makework();
        if (loci_) w->loci = loci_->makework();
        w->mic = mic_.makework();
        return w;
    }

    void scoreall(const ReplicateIndex& rep, Work& work, PairEstimates& out) const override {
        EngineWork& w = static_cast<EngineWork&>(work);
        if (engine_) {
            engine_->score(rep, *w.work, out.mhc);
        } else {
            loci_->score(rep, *w.loci, out.mhc);
        }
        mic_.score(rep, *w.mic, out.mic);
    }

private:
    std::unique_ptr<Engine> engine_;  // one MHC locus
    std::unique_ptr<MhcLoci> loci_;   // several
    MicEngine mic_;
};

}  // namespace

std::unique_ptr<Scorer> makereferencescorer(const DataSet& ds) { return std::make_unique<ReferenceScorer>(ds); }
std::unique_ptr<Scorer> makeenginescorer(const DataSet& ds, Isa isa) {
    return std::make_unique<EngineScorer>(ds, isa);
}

Scorer::Scorer(const DataSet& ds) : ds_(ds), asread_(std::make_unique<NoVariation>()) {
    auto identity = std::make_unique<ReplicateIndex>();
    identityreplicate(ds, *identity);
    asread_->take(ds, *identity);
}

void scoreobserved(const DataSet& ds, const Scorer& scorer, PairEstimates& out) {
    auto rep = std::make_unique<ReplicateIndex>();
    identityreplicate(ds, *rep);
    std::unique_ptr<Scorer::Work> work = scorer.makework();
    scorer.score(*rep, *work, out);
}

}  // namespace gstboot
