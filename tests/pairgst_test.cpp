// The scoring of pairs on the data as read: corrections, degenerate data
// sets, the accumulators, and agreement with an independent package.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "driver/summarize.h"
#include "plain/pairgst.h"
#include "testutil.h"

using namespace gstboot;

namespace {

struct Scored {
    std::unique_ptr<DataSet> ds;
    std::unique_ptr<PairScratch> scratch = std::make_unique<PairScratch>();
    std::unique_ptr<PairEstimates> est = std::make_unique<PairEstimates>();
    Scored(const std::string& mhc, const std::string& mic) : ds(testutil::parsedata(mhc, mic)) {
        scorepairs(*ds, ds->present, ds->mhc, ds->mic, *scratch, *est);
    }
};

TEST(PairGst, WorkedExample) {
    // MHC: 5/7/9 alleles of the components example; MIC with one individual
    // per population, so N - k = 0 and the ratio is 0/0.
    Scored s("2 2 0 0\n2 2\n5 5 5 7\n7 7 7 9\n", "1 0 0\n1 1\n1 2\n3 4\n");
    EXPECT_EQ(s.est->mhc[0][1], (2.0 + 0.5 + 0.0) / (3.0 + 2.5 + 1.0));
    EXPECT_TRUE(std::isnan(s.est->mic[0][1]));
}

TEST(PairGst, NoAlleleOrNoLocusIsNotANumber) {
    Scored none("2 0 0 0\n3 3\n", "0 0 0\n3 3\n");
    EXPECT_TRUE(std::isnan(none.est->mhc[0][1]));
    EXPECT_TRUE(std::isnan(none.est->mic[0][1]));
    // Both populations empty in one data set: N = 0, documented as NaN.
    Scored empty("2 2 0 0\n0 0\n", "1 0 0\n2 2\n1 1 2 2\n1 2 2 2\n");
    EXPECT_TRUE(std::isnan(empty.est->mhc[0][1]));
    EXPECT_TRUE(std::isfinite(empty.est->mic[0][1]));
}

TEST(PairGst, HeterozygosityCorrectionEdges) {
    PopBlock g[2];
    for (PopBlock& b : g) b.shape(20, 3);
    std::int32_t ni[2];
    // Every individual heterozygous: N additions of 1/N.
    for (int n : {3, 4, 10, 20}) {
        ni[0] = n / 2;
        ni[1] = n - n / 2;
        for (int b = 0; b < 2; ++b)
            for (int k = 0; k < ni[b]; ++k) {
                g[b][k][0] = 1;
                g[b][k][1] = 2;
            }
        const double div = mhccorrection(g, ni, 2);
        if (n <= 4) { EXPECT_EQ(div, 0.0) << n; }
        if (n == 10) { EXPECT_EQ(div, std::ldexp(1.0, -53)); }
        if (n == 20) { EXPECT_EQ(div, -std::ldexp(1.0, -52)); }
    }
    // Copies (7,7,7) homozygous; (7,7,5) and (5,7,7) heterozygous.
    ni[0] = 3;
    ni[1] = 0;
    const int pats[3][3] = {{7, 7, 7}, {7, 7, 5}, {5, 7, 7}};
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c) g[0][k][c] = pats[k][c];
    EXPECT_EQ(mhccorrection(g, ni, 3), 1.0 - (1.0 / 3.0 + 1.0 / 3.0));
    EXPECT_EQ(mhccorrection(g, ni, 1), 1.0);  // one copy: never heterozygous
}

TEST(PairGst, CorrectionSwitch) {
    const std::string body = "3 3\n1 2 1 1 2 2\n1 3 3 3 1 1\n";
    const std::string mic = "1 0 0\n3 3\n1 1 1 2 2 2\n1 1 3 3 1 3\n";
    Scored off("2 2 0 0\n" + body, mic);
    Scored two("2 2 2 0\n" + body, mic);
    Scored on("2 2 1 0\n" + body, mic);
    EXPECT_EQ(off.est->mhc[0][1], two.est->mhc[0][1]);
    // Two heterozygous individuals of six.
    EXPECT_EQ(on.est->mhc[0][1], off.est->mhc[0][1] / (1.0 - (1.0 / 6.0 + 1.0 / 6.0)));
    // MIC: two heterozygous loci of six individuals x one locus.
    EXPECT_EQ(on.est->mic[0][1], off.est->mic[0][1] / (1.0 - (1.0 / 6.0 + 1.0 / 6.0)));
}

TEST(PairGst, SummarySumsInReplicateOrderAndLeavesTheTables) {
    auto t = std::make_unique<ResultTables>();
    t->assign(3);
    auto est = std::make_unique<PairEstimates>();
    est->shape(3);
    for (int r = 0; r < NREP; ++r) {
        est->mhc[0][1] = r < 500 ? 1.0 : 0.0;  // above MIC in the first 500
        est->mic[0][1] = 0.0;
        est->mhc[0][2] = NAN;
        est->mic[0][2] = 0.0;
        est->mhc[1][2] = 0.25;
        est->mic[1][2] = 0.25;  // ties never count
        storeestimates(3, *est, r, *t);
    }
    auto ds = std::make_unique<DataSet>();
    ds->shapemhc({0, 0, 0}, 0, 0);
    const RunSummary run = summarizerun(*ds, *t, *est, 7, "a", "b");
    ASSERT_EQ(run.pairs.size(), 3u);
    EXPECT_EQ(run.pairs[0].frac, 0.5000000000000003);
    EXPECT_EQ(run.pairs[0].p, 0.49999999999999967);
    EXPECT_EQ(run.pairs[1].frac, 0.0);
    EXPECT_EQ(run.pairs[2].frac, 0.0);
    EXPECT_EQ(run.pairs[0].greater, 500);  // the count the table divides once
    EXPECT_EQ(run.pairs[1].greater, 0);
    EXPECT_EQ(run.pairs[2].greater, 0);
    double mean = 0.0;
    for (int r = 0; r < 500; ++r) mean = mean + 1.0 / 1000.0;
    EXPECT_EQ(run.pairs[0].mhc.mean, mean);
    EXPECT_EQ(run.pairs[0].mhc.median, 0.0);  // position 499 of 500 zeros, 500 ones
    EXPECT_EQ(run.pairs[0].mhc.upper, 1.0);
    EXPECT_TRUE(std::isnan(run.pairs[1].mhc.mean));
    EXPECT_EQ(run.pairs[1].mhc.nan, NREP);
    EXPECT_EQ(run.pairs[1].mhc.finite, 0);
    // The rows stay in replicate order.
    EXPECT_EQ(t->mhcGST[0][1][0], 1.0);
    EXPECT_EQ(t->mhcGST[0][1][999], 0.0);
}

TEST(PairGst, AgreesWithIndependentPackage) {
    const std::string dir = testutil::testdata("golden/amova-peer");
    Scored s(testutil::readfile(dir + "/MHCdata.txt"), testutil::readfile(dir + "/MICdata.txt"));
    std::istringstream in(testutil::readfile(dir + "/amova.txt"));
    int p1, p2, rows = 0;
    double mhc, mic;
    while (in >> p1 >> p2 >> mhc >> mic) {
        EXPECT_NEAR(s.est->mhc[p1 - 1][p2 - 1], mhc, 1e-12) << p1 << "," << p2;
        EXPECT_NEAR(s.est->mic[p1 - 1][p2 - 1], mic, 1e-12) << p1 << "," << p2;
        ++rows;
    }
    EXPECT_EQ(rows, s.ds->npop * (s.ds->npop - 1) / 2);
}

}  // namespace
