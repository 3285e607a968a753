// The plain scoring of the MIC estimate with missing genotypes, against a
// study worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "plain/pairmissing.h"
#include "missingstudy.h"
#include "resampling/resample.h"

using namespace gstboot;

namespace {

constexpr std::int32_t M = MISSING;

// Populations A (3 individuals), B (3), C (2); two loci, codes {1,2,3} and
// {5,6}:
//   A: (1,2)(5,6)  (M,M)(M,M)  (M,M)(6,6)
//   B: (2,2)(5,5)  (1,2)(5,6)  (2,3)(M,M)
//   C: (3,3)(M,M)  (M,M)(M,M)
// Expected values from exact fractions (a Python script over
// fractions.Fraction forming p, SSP, SSI, SSW, nc and F from their
// definitions, not from this program's code):
//   A-B: locus 1 (n 1+3): num -1/2, den 13/4, F 6; locus 2 (2+2): num 1,
//        den 5, F 8; estimate (-1/12 + 1/8) / (13/24 + 5/8) = 1/28.
//        Typed genotypes T = 8, heterozygous 5: corrected 1/28 / (3/8) = 2/21.
//   A-C: locus 1 has N = 2, locus 2 no C individual typed: nothing enters.
//   B-C: locus 1 only (3+1): num 5/2, den 11/2, F 6: 5/11; T = 6, 3
//        heterozygous: corrected 10/11.
std::unique_ptr<DataSet> handstudy(int corrflag) {
    auto ds = std::make_unique<DataSet>();
    ds->shapemhc({0, 0, 0}, 2, NALLELE);
    ds->shapemic({3, 3, 2}, 2, {NALLELE});
    ds->settings.corrflag = corrflag == 1;
    const std::int32_t g[3][3][4] = {
        {{1, 2, 5, 6}, {M, M, M, M}, {M, M, 6, 6}},
        {{2, 2, 5, 5}, {1, 2, 5, 6}, {2, 3, M, M}},
        {{3, 3, M, M}, {M, M, M, M}},
    };
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < ds->nmic[p]; ++i)
            for (int l = 0; l < 2; ++l)
                for (int a = 0; a < 2; ++a) ds->mic[p][i][l][a] = g[p][i][2 * l + a];
    }
    missingstudy::finish(*ds);
    return ds;
}

TEST(PairMissing, HandWorkedStudy) {
    struct Case {
        int corrflag;
        double ab, bc;
    };
    const Case cases[] = {{0, 1.0 / 28.0, 5.0 / 11.0}, {1, 2.0 / 21.0, 10.0 / 11.0}, {2, 1.0 / 28.0, 5.0 / 11.0}};
    for (const Case& c : cases) {
        auto ds = handstudy(c.corrflag);
        ASSERT_TRUE(ds->micmissing);
        auto scratch = std::make_unique<MissingScratch>();
        PairTable out;
        scoremissingpairs(*ds, ds->present, ds->mic, *scratch, out);
        EXPECT_NEAR(out[0][1], c.ab, 1e-15) << c.corrflag;
        EXPECT_NEAR(out[1][2], c.bc, 1e-15) << c.corrflag;
        // Nothing enters: 0.0 / 0.0, a NaN whose sign is the processor's
        // (negative on x86-64, positive on aarch64).
        EXPECT_TRUE(std::isnan(out[0][2]));
    }
}

TEST(PairMissing, LociThatEnter) {
    auto ds = handstudy(0);
    const int want[][3] = {{0, 1, 2}, {0, 2, 0}, {1, 2, 1}};
    const std::vector<int> typed = mictypedtable(*ds);
    for (const auto& w : want) {
        EXPECT_EQ(micloci(*ds, w[0], w[1]), w[2]);
        EXPECT_EQ(micloci(typed, ds->nloci, w[0], w[1]), w[2]);
    }
    // Complete data: every locus or none.
    const int sizes[][3] = {{1, 2, 2}, {1, 1, 0}, {0, 5, 0}, {3, 0, 0}, {2, 1, 2}};
    for (const auto& s : sizes) {
        DataSet& d = *ds;
        d.shapemic({s[0], s[1], 0}, 2, {NALLELE});
        for (int p = 0; p < 2; ++p)
            for (int i = 0; i < d.nmic[p]; ++i)
                for (int l = 0; l < 2; ++l) d.mic[p][i][l][0] = d.mic[p][i][l][1] = 1;
        EXPECT_EQ(micloci(d, 0, 1), s[2]) << s[0] << "+" << s[1];
    }
}

TEST(PairMissing, FactorAndEntry) {
    // n_i + n_j = 4, 2 and 2: nc = 4 - 8/4 = 2, F = (2 * 2) * 2.
    EXPECT_EQ(locusfactor(2, 2), 8.0);
    // 1 + 3: nc = 4 - 10/4 = 1.5, F = 4 * 1.5.
    EXPECT_EQ(locusfactor(1, 3), 6.0);
    EXPECT_EQ(locusfactor(200, 199), static_cast<double>(397 * 2) * (399.0 - 79601.0 / 399.0));
    EXPECT_FALSE(locusenters(0, 5));
    EXPECT_FALSE(locusenters(5, 0));
    EXPECT_FALSE(locusenters(1, 1));
    EXPECT_TRUE(locusenters(1, 2));
    EXPECT_TRUE(locusenters(2, 1));
}

TEST(PairMissing, ReplicatePresenceNeverMarksMissing) {
    // A missing genotype at the first locus must not mark the last code of
    // the row before it (the MHC row).
    auto ds = handstudy(0);
    ds->settings.bootmic = true;
    auto rep = std::make_unique<Replicate>();
    Random rng;
    rng.srand(3);
    for (int r = 0; r < 20; ++r) {
        resample(*ds, *rep, rng);
        EXPECT_EQ(rep->present[0][NALLELE - 1], 0);
        EXPECT_EQ(rep->present[1][NALLELE - 1], 0);
    }
}

}  // namespace
