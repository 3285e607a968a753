// The heapsort, the fold, and the fixed-width lines of the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "output/format.h"
#include "output/report.h"
#include "output/summary.h"

using namespace gstboot;

namespace {

// A pair whose three points are positions MEDIAN, LOWER and UPPER of the
// sorted rows given.
PairSummary pairof(int i, int j, double meanmhc, const std::vector<double>& mhc, double meanmic,
                   const std::vector<double>& mic, double p) {
    PairSummary s;
    s.pop1 = i;
    s.pop2 = j;
    s.mhc.mean = meanmhc;
    s.mhc.median = mhc[MEDIAN];
    s.mhc.lower = mhc[LOWER];
    s.mhc.upper = mhc[UPPER];
    s.mic.mean = meanmic;
    s.mic.median = mic[MEDIAN];
    s.mic.lower = mic[LOWER];
    s.mic.upper = mic[UPPER];
    s.p = p;
    return s;
}

TEST(SortVals, SmallCasesAndSignedZeros) {
    double none[1] = {7.0};
    sortvals(0, none);
    sortvals(1, none);
    sortvals(-3, none);
    EXPECT_EQ(none[0], 7.0);

    double three[3] = {3.0, 1.0, 2.0};
    sortvals(3, three);
    EXPECT_EQ(std::vector<double>(three, three + 3), (std::vector<double>{1.0, 2.0, 3.0}));

    // Equal values are exchanged by the sort's own steps, which shows on the
    // sign of zero: (+0, -0) comes out (-0, +0), and (-0, +0) as (+0, -0).
    double pz[2] = {0.0, -0.0};
    sortvals(2, pz);
    EXPECT_TRUE(std::signbit(pz[0]));
    EXPECT_FALSE(std::signbit(pz[1]));
    double nz[2] = {-0.0, 0.0};
    sortvals(2, nz);
    EXPECT_FALSE(std::signbit(nz[0]));
    EXPECT_TRUE(std::signbit(nz[1]));
}

TEST(SortVals, SortsRandomRowsAndToleratesNan) {
    std::mt19937 gen(7);
    for (int n : {2, 3, 7, 8, 9, 16, 17, 999, 1000, 1001}) {
        std::vector<double> v(static_cast<std::size_t>(n));
        for (double& x : v) x = static_cast<double>(gen() % 50) - 25.0;  // many ties
        std::vector<double> want = v;
        std::sort(want.begin(), want.end());
        sortvals(n, v.data());
        EXPECT_EQ(v, want) << n;
    }
    // A not-a-number compares false with everything: the sort ends and keeps
    // every value, whatever order it leaves.
    std::vector<double> v = {3.0, NAN, 1.0, -INFINITY, 2.0, INFINITY, NAN};
    sortvals(static_cast<int>(v.size()), v.data());
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), 2);
    EXPECT_EQ(std::count(v.begin(), v.end(), INFINITY), 1);
    EXPECT_EQ(std::count(v.begin(), v.end(), -INFINITY), 1);
}

TEST(Fold, RunningSumConstants) {
    double half = 0.0, all = 0.0;
    for (int r = 0; r < 1000; ++r) {
        if (r < 500) half = half + 0.001;
        all = all + 0.001;
    }
    EXPECT_EQ(half, 0.5000000000000003);
    EXPECT_EQ(all, 1.0000000000000007);
    EXPECT_EQ(fold(0.5), 0.5);
    EXPECT_EQ(fold(half), 0.49999999999999967);
    EXPECT_EQ(fold(all), 1.0 - 1.0000000000000007);
    EXPECT_LT(fold(all), 0.0);

    std::vector<double> row(1000, 0.25);
    std::string line = consoleline(pairof(0, 1, 0.0, row, 0.0, row, fold(all)));
    EXPECT_EQ(line.substr(line.size() - 9), " -0.0000\n");
    line = consoleline(pairof(0, 1, 0.0, row, 0.0, row, fold(half)));
    EXPECT_EQ(line.substr(line.size() - 9), "  0.5000\n");
}

TEST(Lines, FieldsAndWidths) {
    std::vector<double> mhc(1000), mic(1000);
    for (int k = 0; k < 1000; ++k) {
        mhc[static_cast<std::size_t>(k)] = k / 1000.0;
        mic[static_cast<std::size_t>(k)] = -k / 1000.0;
    }
    std::sort(mic.begin(), mic.end());
    // median 499, lower 24, upper 974.
    EXPECT_EQ(consoleline(pairof(0, 1, 0.0, mhc, 0.0, mic, 0.0)),
              "   1   2  0.4990  0.0240  0.9740 -0.5000 -0.9750 -0.0250  0.0000\n");
    EXPECT_EQ(fileline(pairof(48, 49, 1.5, mhc, NAN, mic, 0.125)),
              "  49  50  1.5000  0.4990  0.0240  0.9740    -nan -0.5000 -0.9750 -0.0250  0.1250\n");
    // Every not-a-number prints as the C library prints the 0/0 of x86-64,
    // whatever its sign, so the report is the same on every platform.
    EXPECT_EQ(consoleline(pairof(0, 1, 0.0, std::vector<double>(1000, -NAN), 0.0,
                                 std::vector<double>(1000, INFINITY), -INFINITY)),
              "   1   2    -nan    -nan    -nan     inf     inf     inf    -inf\n");
    // A value too wide for its field widens it instead of being cut.
    std::vector<double> big(1000, -123456.0);
    EXPECT_EQ(consoleline(pairof(0, 1, 0.0, big, 0.0, mhc, 0.0)).size(), 65u + 3u * 4u);
}

// The report's numbers may not depend on the platform's C library, so they
// are not printf's; they must still be exactly what a correct "%.*f" writes.
TEST(Fixed, ExactRoundingSignsAndNonFinite) {
    struct Case {
        double value;
        int decimals;
        const char* want;
    };
    const Case cases[] = {
        {0.125, 2, "0.12"},      {0.375, 2, "0.38"},          // binary ties go to even
        {0.00005, 4, "0.0001"},  {0.00015, 4, "0.0001"},       // decimal "ties" are not ties in binary
        {-0.0, 4, "-0.0000"},    {-0.00004, 4, "-0.0000"},     // the sign of what rounds to zero stays
        {2.5, 0, "2"},           {-3.5, 0, "-4"},             {1e22, 0, "10000000000000000000000"},
        {0.1, 17, "0.10000000000000001"},                       {-NAN, 4, "-nan"},
        {NAN, 4, "-nan"},        {INFINITY, 4, "inf"},         {-INFINITY, 2, "-inf"},
    };
    for (const Case& c : cases) EXPECT_EQ(fixed(c.value, c.decimals), c.want) << c.value << " " << c.decimals;
    const std::string largest = fixed(std::numeric_limits<double>::max(), 4);
    EXPECT_EQ(largest.size(), 309u + 5u);
    EXPECT_EQ(largest.substr(0, 6), "179769");
#if defined(__GLIBC__)
    // glibc rounds exactly too: random magnitudes, including subnormals and
    // values within half a unit of a rounding boundary.
    std::mt19937_64 gen(9);
    for (int k = 0; k < 200000; ++k) {
        double v;
        const std::uint64_t bits = gen();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v) || std::fabs(v) > 1e30) v = std::ldexp(static_cast<double>(bits >> 11), -60 + k % 80);
        if (k % 3 == 0) v = std::nearbyint(v * 1e4) / 1e4 + (k % 2 ? 5e-5 : -5e-5);
        const int decimals = k % 18;
        char want[400];
        std::snprintf(want, sizeof want, "%.*f", decimals, v);
        ASSERT_EQ(fixed(v, decimals), want) << v;
    }
#endif
}

}  // namespace
