// The fast MIC scorer against the plain one, bit for bit, replicate by
// replicate, on random studies with and without missing genotypes.
#include <gtest/gtest.h>

#include <cmath>

#include "estimates/isa.h"
#include "estimates/micengine.h"
#include "plain/pairmissing.h"
#include "missingstudy.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// Scores the data as read and `replicates` replicates both ways; the plain
// scoring takes the replicate as genotypes, the fast one as source indices.
// Odd seeds form the lines in blocks of 1 to 5, take chunks of 1 to 9
// columns, and hold the terms of one to three groups of pairs, so that small
// studies cross block, chunk and pass boundaries too. The kernel sets the
// machine runs take turns by seed.
void compare(const DataSet& ds, std::uint32_t seed, int replicates) {
    static const std::vector<Isa> isas = testutil::runnableisas();
    MicBlocking cut;
    if (seed % 2) {
        cut.lines = static_cast<int>(1 + seed / 2 % 5);
        cut.columns = static_cast<int>(1 + seed / 3 % 9);
        cut.tablebytes = (1 + seed / 5 % 3) * 16 * sizeof(double) * static_cast<std::size_t>(ds.nloci);
    }
    MicEngine fast(ds, isas[seed / 4 % isas.size()], cut);
    auto work = fast.makework();
    auto rep = std::make_unique<Replicate>();
    auto idx = std::make_unique<ReplicateIndex>();
    auto scratch = std::make_unique<MissingScratch>();
    auto pairs = std::make_unique<PairScratch>();
    auto both = std::make_unique<PairEstimates>();
    PairTable want, got;
    Random a, b;
    a.srand(seed);
    b.srand(seed);
    for (int r = -1; r < replicates; ++r) {
        if (r < 0) {
            identityreplicate(ds, *idx);
            materialize(ds, *idx, *rep);
        } else {
            resample(ds, *rep, a);
            drawreplicate(ds, *idx, b);
            ASSERT_EQ(a.state(), b.state());
        }
        // Without a missing genotype the estimate is the one pooled over
        // every allele, as the complete-data scoring forms it.
        if (ds.micmissing) {
            scoremissingpairs(ds, rep->present, rep->rmic, *scratch, want);
        } else {
            scorepairs(ds, rep->present, rep->rmhc, rep->rmic, *pairs, *both);
            want = both->mic;
        }
        fast.score(*idx, *work, got);
        for (int i = 0; i + 1 < ds.npop; ++i) {
            for (int j = i + 1; j < ds.npop; ++j) {
                ASSERT_TRUE(testutil::sameresult(want[i][j], got[i][j]))
                    << "pair " << i << "," << j << " replicate " << r << " seed " << seed << ": " << want[i][j]
                    << " vs " << got[i][j] << " (npop " << ds.npop << ", nloci " << ds.nloci << ", corr "
                    << ds.settings.corrflag << ", bootloci " << ds.settings.bootloci << ")";
            }
        }
    }
}

TEST(MicEngine, MatchesThePlainScoringOnSmallStudies) {
    std::mt19937 gen(2027);
    // Partners below, at and above one and two groups of 8 lanes.
    const int npops[] = {0, 1, 2, 3, 7, 8, 9, 16, 17};
    int missing = 0;
    const int trials = 200 * testutil::SWEEP;
    for (int trial = 0; trial < trials; ++trial) {
        missingstudy::Shape s;
        s.npop = npops[trial % 9];
        s.maxind = 1 + static_cast<int>(gen() % 14);
        auto ds = missingstudy::random(gen, s);
        missing += ds->micmissing;
        compare(*ds, static_cast<std::uint32_t>(trial), 2);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(missing, trials / 2);
}

TEST(MicEngine, MatchesAtTheEdgesOfLanesLociAndSwitches) {
    struct Case {
        int npop, nloci, maxind, corrflag, bootmic, bootloci;
    };
    const Case cases[] = {
        {50, 3, 6, 1, 1, 1},  {50, 2, 4, 0, 1, 0},  {49, 1, 5, 1, 0, 1},  {17, 50, 3, 1, 1, 1},
        {16, 50, 2, 0, 1, 1}, {9, 50, 4, 1, 1, 0},  {8, 1, 40, 1, 1, 1},  {7, 1, 40, 0, 0, 0},
        {16, 0, 5, 1, 1, 1},  {50, 0, 3, 0, 1, 1},  {2, 50, 200, 1, 1, 1}, {3, 4, 200, 0, 1, 1},
        {2, 1, 1, 1, 1, 1},   {1, 50, 10, 1, 1, 1}, {0, 50, 10, 1, 1, 1},
    };
    std::mt19937 gen(17);
    std::uint32_t seed = 0;
    for (const Case& c : cases) {
        for (int round = 0; round < 4; ++round) {
            missingstudy::Shape s;
            s.npop = c.npop;
            s.nloci = c.nloci;
            s.maxind = c.maxind;
            s.corrflag = c.corrflag;
            s.bootmic = c.bootmic;
            s.bootloci = c.bootloci;
            compare(*missingstudy::random(gen, s), seed++, 2);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(MicEngine, MatchesOnRowsAtTheVectorAndBlockWidths) {
    // Loci of exactly 7, 8, 9, 63, 64 and 65 codes, most of them carried:
    // the line columns then sit below, at and above the vector width and the
    // 64-column block of the row sums.
    const int widths[] = {7, 8, 9, 63, 64, 65};
    std::mt19937 gen(5);
    for (int trial = 0; trial < 24; ++trial) {
        missingstudy::Shape s;
        s.npop = trial % 4 == 0 ? 17 : 3 + trial % 6;
        s.nloci = 1 + trial % 2;
        s.maxind = 60;
        s.alleles = widths[trial % 6];
        s.exact = true;
        compare(*missingstudy::random(gen, s), static_cast<std::uint32_t>(trial), 2);
        if (HasFatalFailure()) return;
    }
}

TEST(MicEngine, MatchesOnLociOfTwoCodes) {
    // SNP-like panels, where every locus of a chunk may have two codes:
    // loci of one or two codes mixed, or two everywhere; loci below, at and
    // above one and two tiles of 16; populations of up to 600 individuals,
    // past the 255 slots a byte counts before it is emptied, and one
    // population all of one genotype (`alike`), so that a single count
    // passes them.
    struct Case {
        missingstudy::Shape shape;  // npop, nloci, maxind, alleles, exact
        bool alike;
    };
    const Case cases[] = {
        {{7, 15, 12, 2, false}, false},  {{8, 16, 40, 2, true}, false}, {{9, 17, 40, 2, false}, false},
        {{16, 31, 8, 2, true}, false},   {{17, 33, 20, 2, true}, false}, {{3, 32, 600, 2, true}, false},
        {{2, 17, 260, 2, false}, false}, {{9, 1, 256, 2, true}, true},   {{3, 16, 600, 2, true}, true},
    };
    std::mt19937 gen(41);
    std::uint32_t seed = 0;
    for (const Case& c : cases) {
        for (int round = 0; round < 4; ++round) {
            auto ds = missingstudy::random(gen, c.shape);
            for (int i = 0; c.alike && i < ds->nmic[0]; ++i) {
                for (int l = 0; l < ds->nloci; ++l) ds->mic[0][i][l] = MicGenotype{5, 5};
            }
            missingstudy::finish(*ds);
            compare(*ds, seed++, 2);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(MicEngine, NothingToScoreIsNotANumberOnBothSides) {
    // No locus; no individuals; individuals typed nowhere: 0.0 / 0.0 on
    // both sides. Its sign is the processor's or the compiler's (see
    // testutil::sameresult), so only that it is a NaN is held.
    struct Case {
        int nloci, size;
        bool typed;
    };
    const Case cases[] = {{0, 3, true}, {2, 0, true}, {2, 4, false}};
    for (const Case& c : cases) {
        auto ds = std::make_unique<DataSet>();
        ds->shapemhc({0, 0}, 2, NALLELE);
        ds->shapemic({c.size, c.size}, c.nloci, {NALLELE});
        ds->settings.corrflag = true;
        for (int p = 0; p < 2; ++p) {
            for (int i = 0; i < c.size; ++i)
                for (int l = 0; l < c.nloci; ++l)
                    for (int a = 0; a < 2; ++a) ds->mic[p][i][l][a] = c.typed ? a : MISSING;
        }
        missingstudy::finish(*ds);
        PairTable want, got;
        auto scratch = std::make_unique<MissingScratch>();
        scoremissingpairs(*ds, ds->present, ds->mic, *scratch, want);
        MicEngine fast(*ds, chosenisa());
        auto idx = std::make_unique<ReplicateIndex>();
        identityreplicate(*ds, *idx);
        fast.score(*idx, *fast.makework(), got);
        EXPECT_TRUE(std::isnan(want[0][1])) << c.nloci << " " << c.size;
        EXPECT_TRUE(std::isnan(got[0][1])) << c.nloci << " " << c.size;
    }
}

}  // namespace
