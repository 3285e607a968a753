// The random stream and the bootstrap built on it.
#include <gtest/gtest.h>

#include <cstring>

#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// A generator that hands out chosen values, to probe drawindex at its edges.
// It works by searching the seed whose first value is r (every r in 0..32767
// is the first value of some seed in 0..2^32).
Random withfirst(int r) {
    // state' = state * a + c; the value is bits 16..30 of state'. Choose
    // state' = r << 16 and invert the affine step (a is odd, so invertible).
    const std::uint32_t target = static_cast<std::uint32_t>(r) << 16;
    std::uint32_t inv = 1;  // inverse of 214013 modulo 2^32 by Newton steps
    for (int k = 0; k < 5; ++k) inv *= 2u - 214013u * inv;
    Random g;
    g.srand((target - 2531011u) * inv);
    return g;
}

int draw(int r, int n) {
    Random g = withfirst(r);
    return drawindex(g, n);
}

TEST(Random, KnownSequences) {
    Random g;  // unseeded: state 1, as after srand(1)
    const int one[5] = {41, 18467, 6334, 26500, 19169};
    for (int v : one) EXPECT_EQ(g.rand(), v);
    g.srand(0);
    const int zero[3] = {38, 7719, 21238};
    for (int v : zero) EXPECT_EQ(g.rand(), v);
}

TEST(Random, DiscardEqualsStepping) {
    for (std::uint64_t n : {0ull, 1ull, 2ull, 3ull, 7ull, 1000ull, 123457ull}) {
        Random a, b;
        a.srand(987654321u);
        b.srand(987654321u);
        for (std::uint64_t k = 0; k < n; ++k) a.rand();
        b.discard(n);
        EXPECT_EQ(a.state(), b.state()) << n;
        EXPECT_EQ(a.rand(), b.rand());
    }
}

TEST(DrawIndex, Boundaries) {
    ASSERT_EQ(withfirst(12345).rand(), 12345);
    EXPECT_EQ(draw(16383, 2), 0);
    EXPECT_EQ(draw(16384, 2), 1);
    EXPECT_EQ(draw(10922, 3), 0);
    EXPECT_EQ(draw(10923, 3), 1);
    EXPECT_EQ(draw(21844, 3), 1);
    EXPECT_EQ(draw(21845, 3), 2);  // a divisor of 32768 would give 1
    EXPECT_EQ(draw(4681, 7), 0);   // 4681 * 7 = 32767
    EXPECT_EQ(draw(4682, 7), 1);
    EXPECT_EQ(draw(32767, 7), 6);
    EXPECT_EQ(draw(32767, 200), 199);
    for (int r : {0, 1, 32767}) EXPECT_EQ(draw(r, 1), 0);
}

TEST(DrawIndex, MatchesIntegerFormulaForAllInputs) {
    // 0 for r = 0, else floor((r n - 1) / 32767), for every n the data allow.
    for (int n = 1; n <= MAXIND; ++n) {
        for (int r = 0; r <= 32767; r += (n % 7 == 0 ? 1 : 13)) {
            const int want = r == 0 ? 0 : (r * n - 1) / 32767;
            ASSERT_EQ(draw(r, n), want) << "r=" << r << " n=" << n;
        }
    }
}

const char* kMhc =
    "3 2 0 1\n"
    "2 1 3\n"
    "1 2  3 4\n"
    "5 6\n"
    "7 8  9 10  11 12\n";
const char* kMic =
    "2 1 1\n"
    "1 2 2\n"
    "1 2 3 4\n"
    "5 6 7 8  9 10 11 12\n"
    "13 14 15 16  17 18 19 20\n";

void expectpresence(const DataSet& ds, const Replicate& rep) {
    Presence want;
    want.assign(1 + ds.nloci, ds.present.widest());
    for (int p = 0; p < ds.npop; ++p) {
        for (int s = 0; s < ds.nmhc[p]; ++s)
            for (int c = 0; c < ds.mhccopies; ++c) want[0][rep.rmhc[p][s][c]] = 1;
        for (int s = 0; s < ds.nmic[p]; ++s)
            for (int l = 0; l < ds.nloci; ++l)
                for (int a = 0; a < 2; ++a) want[1 + l][rep.rmic[p][s][l][a]] = 1;
    }
    EXPECT_TRUE(want == rep.present);
}

TEST(Resample, SwitchesOffCopyTheDataAndTakeNoValue) {
    std::string mhc = kMhc, mic = kMic;
    mhc[6] = '2';  // bootmhc 2: off
    mic[2] = '0';
    mic[4] = '-';  // "-1"
    mic.insert(5, "1");
    auto ds = testutil::parsedata(mhc, mic);
    ASSERT_FALSE(ds->settings.bootmhc);
    ASSERT_FALSE(ds->settings.bootloci);
    EXPECT_EQ(drawcount(*ds), 0u);
    auto rep = std::make_unique<Replicate>();
    Random g;
    g.srand(5);
    resample(*ds, *rep, g);
    EXPECT_EQ(g.state(), 5u);
    for (int p = 0; p < ds->npop; ++p) {
        for (int s = 0; s < ds->nmhc[p]; ++s)
            for (int c = 0; c < 2; ++c) EXPECT_EQ(rep->rmhc[p][s][c], ds->mhc[p][s][c]);
        for (int s = 0; s < ds->nmic[p]; ++s)
            for (int l = 0; l < 2; ++l)
                for (int a = 0; a < 2; ++a) EXPECT_EQ(rep->rmic[p][s][l][a], ds->mic[p][s][l][a]);
    }
    EXPECT_TRUE(ds->present == rep->present);
}

TEST(Resample, DrawsInTheDocumentedOrder) {
    auto ds = testutil::parsedata(kMhc, kMic);
    // MHC slots 2 + 1 + 3, then 2 loci, then MIC slots 1 + 2 + 2.
    EXPECT_EQ(drawcount(*ds), 6u + 2u + 5u);
    auto rep = std::make_unique<Replicate>();
    for (std::uint32_t seed : {1u, 2u, 99u, 31337u}) {
        Random g, mirror;
        g.srand(seed);
        mirror.srand(seed);
        resample(*ds, *rep, g);
        // Replay the stream by hand.
        for (int p = 0; p < 3; ++p) {
            for (int s = 0; s < ds->nmhc[p]; ++s) {
                const int src = drawindex(mirror, ds->nmhc[p]);
                for (int c = 0; c < 2; ++c) ASSERT_EQ(rep->rmhc[p][s][c], ds->mhc[p][src][c]);
            }
        }
        int rl[2];
        for (int& l : rl) l = drawindex(mirror, 2);
        for (int p = 0; p < 3; ++p) {
            for (int s = 0; s < ds->nmic[p]; ++s) {
                const int src = drawindex(mirror, ds->nmic[p]);
                for (int l = 0; l < 2; ++l)
                    for (int a = 0; a < 2; ++a) ASSERT_EQ(rep->rmic[p][s][l][a], ds->mic[p][src][rl[l]][a]);
            }
        }
        EXPECT_EQ(g.state(), mirror.state());
        expectpresence(*ds, *rep);
    }
}

TEST(Resample, PresenceFollowsTheReplicateNotTheData) {
    // Population 0 has one carrier of allele 9 among many 1s; some replicate
    // leaves it out, and then 9 must not be marked.
    std::string mhc = "1 1 0 1\n8\n9 1 1 1 1 1 1 1\n";
    auto ds = testutil::parsedata(mhc, "0 0 0\n0\n");
    auto rep = std::make_unique<Replicate>();
    Random g;
    g.srand(3);
    bool absent = false, present = false;
    for (int r = 0; r < 50; ++r) {
        resample(*ds, *rep, g);
        expectpresence(*ds, *rep);
        (rep->present[0][9] ? present : absent) = true;
    }
    EXPECT_TRUE(absent);
    EXPECT_TRUE(present);
}

}  // namespace
