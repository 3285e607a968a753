// The neutral test: its single-locus estimate against the plain components,
// the q-values, the calibration of p on data from its own null, and its
// thread- and kernel-independence.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "estimates/components.h"
#include "neutral/locusterms.h"
#include "neutral/neutraltest.h"
#include "numeric/draws.h"

using namespace gstboot;

namespace {

std::uint64_t bitsof(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// locussums() gives the bits of gstnum/gstden summed over the alleles in
// order, on random loci: 1, 2, 3 and 10 copies (the diploid path and the
// general one, up to the copy limit), one to 40 individuals (N - 2 of 0
// and below included), alleles around every vector width (1 to 9) and
// beyond, frequencies from one dominant allele to even ones. One scratch
// serves every call, so tables kept between calls are checked too.
TEST(Neutral, LocusSumsMatchThePlainComponents) {
    std::unique_ptr<PopBlock[]> blocks(new PopBlock[2]);
    LocusScratch scratch;
    Stream stream{42};
    int checked = 0;
    for (int copies : {1, 2, 3, 10}) {
        for (int alleles : {1, 2, 3, 4, 5, 8, 9, 17, 40}) {
            for (int trial = 0; trial < 12; ++trial) {
                LocusGenotypes g;
                g.alleles = alleles;
                g.copies = copies;
                g.n[0] = 1 + static_cast<int>(stream.below(trial < 4 ? 2 : 40));
                g.n[1] = static_cast<int>(stream.below(trial < 4 ? 2 : 40)) + (trial == 0 ? 0 : 1);
                const std::uint32_t spread = 1 + stream.below(static_cast<std::uint32_t>(alleles));
                for (int p = 0; p < 2; ++p) {
                    g.copy[p].resize(static_cast<std::size_t>(g.n[p] * copies));
                    for (int i = 0; i < g.n[p]; ++i) {
                        for (int c = 0; c < copies; ++c) {
                            const auto a = static_cast<std::uint16_t>(stream.below(spread));
                            g.copy[p][static_cast<std::size_t>(i * copies + c)] = a;
                            blocks[p][i][c] = a;
                        }
                    }
                }
                double num = 0.0, den = 0.0;
                for (int a = 0; a < alleles; ++a) {
                    num = num + gstnum(2, g.n, copies, a, blocks.get());
                    den = den + gstden(2, g.n, copies, a, blocks.get());
                }
                const LocusSums sums = locussums(g, scratch);
                ASSERT_EQ(bitsof(sums.num), bitsof(num)) << copies << " " << alleles << " " << trial;
                ASSERT_EQ(bitsof(sums.den), bitsof(den)) << copies << " " << alleles << " " << trial;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 4 * 9 * 12);
}

TEST(Neutral, BenjaminiHochbergQValues) {
    const double nan = std::nan("");
    // Sorted 0.01 0.02 0.03 0.04 0.5 (M = 5): p M / rank = 0.05 0.05 0.05 0.05
    // 0.5, then the running minimum from the top; ties keep their order.
    const std::vector<double> p = {0.04, nan, 0.01, 0.5, 0.03, 0.02};
    const std::vector<double> q = bhqvalues(p);
    const double want[] = {0.05, nan, 0.05, 0.5, 0.05, 0.05};
    for (std::size_t k = 0; k < p.size(); ++k) {
        if (std::isnan(want[k])) {
            EXPECT_TRUE(std::isnan(q[k]));
        } else {
            EXPECT_NEAR(q[k], want[k], 1e-15) << k;
        }
    }
    // Capped at 1, and the minimum runs down from the largest p.
    const std::vector<double> r = bhqvalues({0.9, 0.8, 0.001});
    EXPECT_NEAR(r[0], 0.9, 1e-15);
    EXPECT_NEAR(r[1], 0.9, 1e-15);
    EXPECT_NEAR(r[2], 0.003, 1e-15);
    EXPECT_TRUE(bhqvalues({}).empty());
}

}  // namespace
