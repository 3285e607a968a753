// The per-allele variance components on small hand-worked populations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "plain/components.h"

using namespace gstboot;

namespace {

// Two population blocks filled from {individual: {copies}} lists; the rest
// of the blocks holds junk that must not matter.
constexpr int ROOM = 8;     // individuals a block holds
constexpr int COPIES = 10;  // copies a block holds per individual

struct Pair {
    PopBlock blocks[2];
    std::int32_t ni[2] = {0, 0};
    Pair(std::initializer_list<std::initializer_list<int>> pop0,
         std::initializer_list<std::initializer_list<int>> pop1) {
        for (auto& b : blocks) {
            b.shape(ROOM, COPIES);
            for (int j = 0; j < ROOM; ++j)
                for (int c = 0; c < COPIES; ++c) b[j][c] = 5;  // junk: a code the tests score
        }
        fill(0, pop0);
        fill(1, pop1);
    }
    void fill(int b, std::initializer_list<std::initializer_list<int>> pop) {
        int j = 0;
        for (auto& ind : pop) {
            int c = 0;
            for (int code : ind) blocks[b][j][c++] = code;
            ++j;
        }
        ni[b] = j;
    }
    double num(int w, int allele) const { return gstnum(2, ni, w, allele, blocks); }
    double den(int w, int allele) const { return gstden(2, ni, w, allele, blocks); }
};

TEST(Components, WorkedExampleTable) {
    // pop 0: (5,5) (5,7); pop 1: (7,7) (7,9). N = 4, nc = 2.
    Pair p({{5, 5}, {5, 7}}, {{7, 7}, {7, 9}});
    EXPECT_EQ(p.num(2, 5), 2.0);
    EXPECT_EQ(p.den(2, 5), 3.0);
    EXPECT_EQ(p.num(2, 7), 0.5);
    EXPECT_EQ(p.den(2, 7), 2.5);
    EXPECT_EQ(p.num(2, 9), 0.0);
    EXPECT_EQ(p.den(2, 9), 1.0);
    EXPECT_EQ(p.num(2, 3), 0.0);
    EXPECT_EQ(p.den(2, 3), 0.0);
}

TEST(Components, FixedDifferenceAndEqualFrequencies) {
    Pair fixed({{5, 5}, {5, 5}}, {{7, 7}, {7, 7}});
    EXPECT_EQ(fixed.num(2, 5), 4.0);
    EXPECT_EQ(fixed.den(2, 5), 4.0);

    // Homozygous individuals at equal frequencies: a negative numerator,
    // never clamped.
    Pair homo({{5, 5}, {7, 7}}, {{5, 5}, {7, 7}});
    EXPECT_EQ(homo.num(2, 5), -2.0);
    EXPECT_EQ(homo.den(2, 5), 2.0);

    Pair het({{5, 7}, {5, 7}}, {{5, 7}, {5, 7}});
    EXPECT_EQ(het.num(2, 5), 0.0);
    EXPECT_EQ(het.den(2, 5), 2.0);
}

TEST(Components, DegenerateSizes) {
    // One individual each: N - k = 0, so both vanish for every allele.
    Pair single({{5, 7}}, {{7, 9}});
    for (int a : {5, 7, 9}) {
        EXPECT_EQ(single.num(2, a), 0.0) << a;
        EXPECT_EQ(single.den(2, a), 0.0) << a;
    }
    // w = 0: nothing is read.
    Pair any({{5, 7}, {5, 5}}, {{7, 9}});
    EXPECT_EQ(any.num(0, 5), 0.0);
    EXPECT_EQ(any.den(0, 5), 0.0);
    // An empty population beside a full one divides by nothing.
    Pair empty({}, {{5, 7}, {7, 7}, {5, 5}});
    EXPECT_TRUE(std::isfinite(empty.num(2, 5)));
    EXPECT_TRUE(std::isfinite(empty.den(2, 5)));
    // Both empty: the numerator is zero, the denominator not a number.
    Pair none({}, {});
    EXPECT_EQ(none.num(2, 5), 0.0);
    EXPECT_TRUE(std::isnan(none.den(2, 5)));
}

TEST(Components, SingleCopyHasNoWithinIndividualTerm) {
    // w = 1: every individual fraction is 0 or 1, so SSW is 0 and the
    // denominator is TP + TI only: here p = (1, 0.5), P = 0.75, SSP = 0.25,
    // SSI = 0.5, N = 4, nc = 2, so gstden = 2 * 0.25 + (2 - 1) * 0.5.
    Pair p({{5}, {5}}, {{5}, {7}});
    EXPECT_EQ(p.den(1, 5), 1.0);
    EXPECT_EQ(p.num(1, 5), 0.0);
    EXPECT_EQ(p.den(1, 7), 1.0);  // two alleles: the same split
}

TEST(Components, CellsOutsideTheCountsAreNotRead) {
    Pair p({{5, 5}, {5, 7}}, {{7, 7}, {7, 9}});
    Pair q = p;
    for (auto& b : q.blocks) {
        for (int j = 0; j < ROOM; ++j) {
            for (int c = 0; c < COPIES; ++c) {
                if (j >= 2 || c >= 2) b[j][c] = 7;
            }
        }
    }
    for (int a : {5, 7, 9}) {
        EXPECT_EQ(p.num(2, a), q.num(2, a));
        EXPECT_EQ(p.den(2, a), q.den(2, a));
    }
}

TEST(Components, FrequenciesAreRunningSums) {
    // Three matching copies among ten copies: p = 0.1 + 0.1 + 0.1, which is
    // 0.30000000000000004, not 0.3. With population 1 empty, P equals p, so
    // SSP = 0 and gstnum = -(k - 1) * SSI, where SSI sums (w d) d with the
    // running-sum fraction: one (5,5) individual, one (5,7), three (7,7).
    Pair p({{5, 5}, {5, 7}, {7, 7}, {7, 7}, {7, 7}}, {});
    const double pf = 0.1 + 0.1 + 0.1;
    ASSERT_NE(pf, 0.3);
    double ssi = 0.0;
    const double xs[5] = {0.5 + 0.5, 0.5, 0.0, 0.0, 0.0};
    for (double x : xs) ssi = ssi + (2.0 * (x - pf)) * (x - pf);
    EXPECT_EQ(p.num(2, 5), 3.0 * 0.0 - 1.0 * ssi);
}

}  // namespace
