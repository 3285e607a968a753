// The Mantel test: its p is uniform on unrelated matrices, small on related
// ones, and not a number where there is nothing to correlate.
#include <gtest/gtest.h>

#include <cmath>

#include "neutral/mantel.h"
#include "numeric/draws.h"

using namespace gstboot;

namespace {

TEST(Mantel, UniformOnUnrelatedMatricesSmallOnRelatedOnes) {
    // 300 pairs of unrelated random matrices of 8 populations (28 pairs), 199
    // permutations each: the share of p below 0.05 and below 0.5 stays within
    // about three binomial standard errors (0.013 and 0.029) of its level.
    Stream stream{77};
    int below05 = 0, belowhalf = 0;
    const int studies = 300, npop = 8, pairs = npop * (npop - 1) / 2;
    for (int s = 0; s < studies; ++s) {
        std::vector<double> a, b;
        for (int k = 0; k < pairs; ++k) {
            a.push_back(stream.uniform());
            b.push_back(stream.uniform());
        }
        const MantelResult m = mantel(a, b, npop, static_cast<std::uint32_t>(s), 199);
        ASSERT_EQ(m.pairs, pairs);
        below05 += m.p < 0.05;
        belowhalf += m.p < 0.5;
    }
    EXPECT_GE(below05, 3) << below05;
    EXPECT_LE(below05, 27) << below05;
    EXPECT_GE(belowhalf, 124) << belowhalf;
    EXPECT_LE(belowhalf, 176) << belowhalf;

    // A matrix against itself plus a little noise: r near 1, p at its floor.
    std::vector<double> a, b;
    for (int k = 0; k < pairs; ++k) {
        a.push_back(stream.uniform());
        b.push_back(a.back() + 0.01 * stream.uniform());
    }
    const MantelResult related = mantel(a, b, npop, 1, 199);
    EXPECT_GT(related.r, 0.99);
    EXPECT_LE(related.p, 2.0 / 200.0);

    // Pairs that are not numbers are left out; fewer than 3 left: no test.
    const double nan = std::nan("");
    EXPECT_TRUE(std::isnan(mantel({0.1, 0.2, 0.3}, {0.3, nan, 0.1}, 3, 1, 9).r));
    EXPECT_TRUE(std::isnan(mantel({0.1}, {0.2}, 2, 1, 9).p));
    const MantelResult three = mantel({0.1, 0.2, 0.3}, {0.1, 0.2, 0.3}, 3, 1, 9);
    EXPECT_EQ(three.pairs, 3);
    EXPECT_DOUBLE_EQ(three.r, 1.0);
}

}  // namespace
