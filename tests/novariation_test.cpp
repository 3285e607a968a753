// Pairs without variation to split get no estimate, from either scorer: a
// population without individuals, or one allele over every copy of the pair
// (at every locus for the MIC). Checked against a plain reading of that
// rule on the written-out replicate, on random studies built to hit it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <sstream>

#include "estimates/scorer.h"
#include "missingstudy.h"
#include "plain/pairmissing.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// Studies where single alleles, shared or not, and empty populations are
// common: each population draws from one or two codes per row.
std::pair<std::string, std::string> flatstudy(std::mt19937& gen, int npop) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    const int w = 1 + pick(4);
    const int nloci = pick(4);
    std::ostringstream m, c;
    m << npop << ' ' << w << ' ' << pick(2) << ' ' << pick(2) << '\n';
    c << nloci << ' ' << pick(2) << ' ' << pick(2) << '\n';
    std::vector<int> nm, nc;
    for (int p = 0; p < npop; ++p) {
        nm.push_back(pick(5) == 0 ? 0 : 1 + pick(6));
        nc.push_back(pick(5) == 0 ? 0 : 1 + pick(6));
        m << nm.back() << ' ';
        c << nc.back() << ' ';
    }
    m << '\n';
    c << '\n';
    auto codes = [&]() { return std::vector<int>{pick(3), pick(2) ? pick(3) : -1}; };
    auto draw = [&](const std::vector<int>& k) { return k[1] < 0 || pick(4) ? k[0] : k[1]; };
    for (int p = 0; p < npop; ++p) {
        const std::vector<int> k = codes();
        for (int i = 0; i < nm[static_cast<std::size_t>(p)]; ++i) {
            for (int x = 0; x < w; ++x) m << draw(k) << ' ';
        }
        std::vector<std::vector<int>> lk;
        for (int l = 0; l < nloci; ++l) lk.push_back(codes());
        for (int i = 0; i < nc[static_cast<std::size_t>(p)]; ++i) {
            for (int l = 0; l < nloci; ++l) c << draw(lk[static_cast<std::size_t>(l)]) << ' ' << draw(lk[static_cast<std::size_t>(l)]) << ' ';
        }
    }
    return {m.str(), c.str()};
}

// The rule read plainly: the set of codes over the pair's copies.
bool mhcflat(const DataSet& ds, const Replicate& rep, int i, int j) {
    if (ds.nmhc[i] == 0 || ds.nmhc[j] == 0) return true;
    std::set<int> codes;
    for (int p : {i, j})
        for (int k = 0; k < ds.nmhc[p]; ++k)
            for (int c = 0; c < ds.mhccopies; ++c) codes.insert(rep.rmhc[p][k][c]);
    return codes.size() <= 1;
}

bool micflat(const DataSet& ds, const Replicate& rep, int i, int j) {
    if (ds.nmic[i] == 0 || ds.nmic[j] == 0) return true;
    for (int l = 0; l < ds.nloci; ++l) {
        std::set<int> codes;
        for (int p : {i, j})
            for (int k = 0; k < ds.nmic[p]; ++k)
                for (int a = 0; a < 2; ++a)
                    if (rep.rmic[p][k][l][a] != MISSING) codes.insert(rep.rmic[p][k][l][a]);
        if (codes.size() > 1) return false;
    }
    return true;
}

TEST(NoVariation, BothScorersGiveNoEstimateExactlyWhereTheRuleSays) {
    std::mt19937 gen(12);
    int flats = 0;
    int kept = 0;
    // Made once: each trial reshapes them to its study.
    auto idx = std::make_unique<ReplicateIndex>();
    auto rep = std::make_unique<Replicate>();
    auto scratch = std::make_unique<PairScratch>();
    auto raw = std::make_unique<PairEstimates>();
    auto missing = std::make_unique<MissingScratch>();
    auto e = std::make_unique<PairEstimates>();
    auto r = std::make_unique<PairEstimates>();
    // Then studies with missing genotypes and loci of one or two codes,
    // up to 40 loci, so that replicates draw loci twice and the untyped
    // genotypes count for nothing.
    for (int trial = 0; trial < 600; ++trial) {
        const int npop = std::vector<int>{2, 3, 7, 8, 9}[static_cast<std::size_t>(trial % 5)];
        std::unique_ptr<DataSet> ds;
        if (trial < 400) {
            const auto study = flatstudy(gen, npop);
            ds = testutil::parsedata(study.first, study.second);
        } else {
            missingstudy::Shape shape;
            shape.npop = npop;
            shape.nloci = 1 + trial % 40;
            shape.maxind = 1 + trial % 4;
            shape.alleles = 1 + trial % 2;
            ds = missingstudy::random(gen, shape);
        }
        const auto engine = makeenginescorer(*ds, chosenisa());
        const auto reference = makereferencescorer(*ds);
        auto ework = engine->makework();
        auto rwork = reference->makework();
        Random rng;
        rng.srand(static_cast<std::uint32_t>(trial));
        for (int k = 0; k < 3; ++k) {
            if (k == 0) {
                identityreplicate(*ds, *idx);
            } else {
                drawreplicate(*ds, *idx, rng);
            }
            materialize(*ds, *idx, *rep);
            // With missing genotypes the MIC set has its own plain scoring,
            // and the MHC set is held to the reference scorer alone.
            if (ds->micmissing) {
                scoremissingpairs(*ds, rep->present, rep->rmic, *missing, raw->mic);
            } else {
                scorepairs(*ds, rep->present, rep->rmhc, rep->rmic, *scratch, *raw);
            }
            engine->score(*idx, *ework, *e);
            reference->score(*idx, *rwork, *r);
            for (int i = 0; i + 1 < ds->npop; ++i) {
                for (int j = i + 1; j < ds->npop; ++j) {
                    const bool flat[2] = {mhcflat(*ds, *rep, i, j), micflat(*ds, *rep, i, j)};
                    const double want[2] = {raw->mhc[i][j], raw->mic[i][j]};
                    const double got[2][2] = {{e->mhc[i][j], e->mic[i][j]}, {r->mhc[i][j], r->mic[i][j]}};
                    for (int set = 0; set < 2; ++set) {
                        ASSERT_TRUE(testutil::sameresult(got[0][set], got[1][set])) << trial << " pair " << i << "," << j;
                        if (flat[set]) {
                            ++flats;
                            ASSERT_TRUE(std::isnan(got[0][set])) << trial << " set " << set << " pair " << i << "," << j;
                        } else {
                            ++kept;
                            if (set == 0 && ds->micmissing) continue;
                            ASSERT_TRUE(testutil::sameresult(got[0][set], want[set])) << trial << " set " << set;
                        }
                    }
                }
            }
        }
    }
    // The studies reach both sides of the rule often.
    EXPECT_GT(flats, 1200);
    EXPECT_GT(kept, 1200);
}

}  // namespace
