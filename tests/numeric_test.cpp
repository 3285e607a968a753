// The project's elementary functions against high-precision values, and the
// random draws' moments.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "numeric/draws.h"
#include "numeric/elementary.h"

using namespace gstboot;

namespace {

enum class Fn { log, exp, atan, cdf, quantile, t };

struct Case {
    Fn fn;
    double x;
    int df;  // Student's t only
    double want;
    double tolerance;  // relative
};

// Two units in the last place, relative.
constexpr double ULP2 = 0x1p-52 * 2.0;

double evaluate(Fn fn, double x, int df) {
    switch (fn) {
        case Fn::log: return naturallog(x);
        case Fn::exp: return exponential(x);
        case Fn::atan: return arctangent(x);
        case Fn::cdf: return normalcdf(x);
        case Fn::quantile: return normalquantile(x);
        case Fn::t: return studenttwosided(x, df);
    }
    return 0.0;
}

// Reference values: mpmath 1.3.0 at 50 digits (log, exp, atan, ncdf; the
// quantile by 220 bisections of ncdf; the t distribution's two-sided p as
// the regularized incomplete beta I_x(df/2, 1/2), x = df / (df + t^2)), each
// at the double the argument's literal denotes, rounded here to 21 digits.
// Arguments reach each function's edges: subnormal and largest doubles,
// both sides of sqrt(2) and of 1 in log, the ends of exp's range, both
// branches of atan, the series and continued-fraction sides of Phi (|z| = 2),
// the tails and centre of Phi^-1 (Acklam's 0.02425), and Student's t on
// both sides of the tail/direct switch (x = 0.98) for odd and even df.
const Case CASES[] = {
        {Fn::log, 1e-300, 0, -690.77552789821370518, ULP2},
        {Fn::log, 5e-324, 0, -744.44007192138126231, ULP2},
        {Fn::log, 0.5, 0, -0.69314718055994530942, ULP2},
        {Fn::log, 0.70710678, 0, -0.3465735919580041927, ULP2},
        {Fn::log, 0.9999999999999999, 0, -1.1102230246251566021e-16, ULP2},
        {Fn::log, 1, 0, 0.0, ULP2},
        {Fn::log, 1.0000000000000002, 0, 2.2204460492503128343e-16, ULP2},
        {Fn::log, 1.4142135, 0, 0.34657354617553321816, ULP2},
        {Fn::log, 2, 0, 0.69314718055994530942, ULP2},
        {Fn::log, 3, 0, 1.0986122886681096914, ULP2},
        {Fn::log, 10, 0, 2.302585092994045684, ULP2},
        {Fn::log, 1e10, 0, 23.02585092994045684, ULP2},
        {Fn::log, 1.7976931348623157e308, 0, 709.78271289338399673, ULP2},
        {Fn::exp, -745, 0, 2.8223507304719370764e-324, ULP2},
        {Fn::exp, -700, 0, 9.8596765437597708567e-305, ULP2},
        {Fn::exp, -20, 0, 2.061153622438557828e-9, ULP2},
        {Fn::exp, -1, 0, 0.3678794411714423216, ULP2},
        {Fn::exp, -1e-10, 0, 0.9999999999, ULP2},
        {Fn::exp, 0, 0, 1.0, ULP2},
        {Fn::exp, 1e-10, 0, 1.0000000001, ULP2},
        {Fn::exp, 0.5, 0, 1.6487212707001281468, ULP2},
        {Fn::exp, 1, 0, 2.7182818284590452354, ULP2},
        {Fn::exp, 2.5, 0, 12.182493960703473438, ULP2},
        {Fn::exp, 20, 0, 485165195.40979027797, ULP2},
        {Fn::exp, 700, 0, 1.0142320547350045095e+304, ULP2},
        {Fn::exp, 709.7, 0, 1.6549840276802644031e+308, ULP2},
        {Fn::atan, 1e-8, 0, 9.9999999999999998759e-9, 1e-15},
        {Fn::atan, 0.1, 0, 0.099668652491162032875, 1e-15},
        {Fn::atan, 0.5, 0, 0.46364760900080611621, 1e-15},
        {Fn::atan, 1, 0, 0.78539816339744830962, 1e-15},
        {Fn::atan, 2, 0, 1.107148717794090503, 1e-15},
        {Fn::atan, 10, 0, 1.4711276743037345919, 1e-15},
        {Fn::atan, 1e8, 0, 1.5707963167948966192, 1e-15},
        {Fn::atan, -0.75, 0, -0.6435011087932843868, 1e-15},
        {Fn::cdf, -38, 0, 2.8854283600687843084e-316, 1e-14},
        {Fn::cdf, -20, 0, 2.7536241186062336951e-89, 1e-14},
        {Fn::cdf, -8, 0, 6.2209605742717841235e-16, 1e-14},
        {Fn::cdf, -3, 0, 0.0013498980316300945267, 1e-14},
        {Fn::cdf, -2.0001, 0, 0.022744733391410547102, 1e-14},
        {Fn::cdf, -1.9999, 0, 0.022755531584767186476, 1e-14},
        {Fn::cdf, -1, 0, 0.15865525393145705141, 1e-14},
        {Fn::cdf, -0.1, 0, 0.46017216272297101633, 1e-14},
        {Fn::cdf, 0, 0, 0.5, 1e-14},
        {Fn::cdf, 0.5, 0, 0.69146246127401310364, 1e-14},
        {Fn::cdf, 1.5, 0, 0.933192798731141934, 1e-14},
        {Fn::cdf, 3, 0, 0.99865010196836990547, 1e-14},
        {Fn::cdf, 8, 0, 0.9999999999999993779, 1e-14},
        {Fn::quantile, 1e-300, 0, -37.047096299361199237, 1e-14},
        {Fn::quantile, 1e-20, 0, -9.2623400897984075796, 1e-14},
        {Fn::quantile, 1e-10, 0, -6.3613409024040561991, 1e-14},
        {Fn::quantile, 0.001, 0, -3.0902323061678135354, 1e-14},
        {Fn::quantile, 0.02, 0, -2.0537489106318230443, 1e-14},
        {Fn::quantile, 0.025, 0, -1.9599639845400542118, 1e-14},
        {Fn::quantile, 0.1, 0, -1.2815515655446004353, 1e-14},
        {Fn::quantile, 0.3, 0, -0.52440051270804081597, 1e-14},
        {Fn::quantile, 0.5, 0, 0.0, 1e-14},
        {Fn::quantile, 0.7, 0, 0.52440051270804065631, 1e-14},
        {Fn::quantile, 0.975, 0, 1.9599639845400538556, 1e-14},
        {Fn::quantile, 0.999, 0, 3.0902323061678132778, 1e-14},
        {Fn::quantile, 0.9999999999, 0, 6.3613408896974218642, 1e-14},
        {Fn::t, 0.5, 1, 0.70483276469913345165, 1e-13},
        {Fn::t, 3, 1, 0.20483276469913345165, 1e-13},
        {Fn::t, 100, 1, 0.0063659855298165102982, 1e-13},
        {Fn::t, 0.1, 2, 0.92946543841414016922, 1e-13},
        {Fn::t, 2, 2, 0.18350341907227396727, 1e-13},
        {Fn::t, 20, 2, 0.0024906638923670969772, 1e-13},
        {Fn::t, 1, 5, 0.3632174676491226256, 1e-13},
        {Fn::t, 3, 7, 0.019942126131992537922, 1e-13},
        {Fn::t, 10, 7, 0.000021394202890772811868, 1e-13},
        {Fn::t, 2.2, 19, 0.040381101646174106685, 1e-13},
        {Fn::t, 0.01, 19, 0.99212554200255807876, 1e-13},
        {Fn::t, 4, 28, 0.0004202068571065577993, 1e-13},
        {Fn::t, 6, 199, 9.178170004044680753e-9, 1e-13},
        {Fn::t, 1, 199, 0.31852491231977385093, 1e-13},
        {Fn::t, 50, 3, 0.000017617152041271974156, 1e-13},
        {Fn::t, -2.5, 12, 0.027915399571325253147, 1e-13},
};

TEST(Numeric, ElementaryFunctionsMatchHighPrecision) {
    for (const Case& c : CASES) {
        const double got = evaluate(c.fn, c.x, c.df);
        const double error = std::fabs(got - c.want);
        EXPECT_TRUE(error == 0.0 || error <= c.tolerance * std::fabs(c.want))
            << "function " << static_cast<int>(c.fn) << " at " << c.x << " (df " << c.df << "): got " << got
            << ", want " << c.want << ", relative error " << error / std::fabs(c.want);
    }
}

TEST(Numeric, EdgesOfTheDomains) {
    EXPECT_EQ(naturallog(0.0), -INFINITY);
    EXPECT_TRUE(std::isnan(naturallog(-1.0)));
    EXPECT_EQ(naturallog(INFINITY), INFINITY);
    EXPECT_EQ(exponential(710.0), INFINITY);
    EXPECT_EQ(exponential(-746.0), 0.0);
    EXPECT_EQ(exponential(0.0), 1.0);
    EXPECT_EQ(normalquantile(0.0), -INFINITY);
    EXPECT_EQ(normalquantile(1.0), INFINITY);
    EXPECT_TRUE(std::isnan(normalquantile(1.5)));
    EXPECT_EQ(studenttwosided(0.0, 9), 1.0);
    EXPECT_EQ(studenttwosided(INFINITY, 9), 0.0);
    EXPECT_TRUE(std::isnan(studenttwosided(1.0, 0)));
    // Symmetric: Phi^-1(1 - u) = -Phi^-1(u) exactly, t's p in |t|.
    EXPECT_EQ(normalquantile(0.75), -normalquantile(0.25));
    EXPECT_EQ(studenttwosided(-2.0, 11), studenttwosided(2.0, 11));
}

// Sample mean and variance of n draws, and the standard errors of both
// (the variance's from the sample's fourth central moment).
struct Moments {
    double mean, var, semean, sevar;
};

template <class Draw>
Moments moments(int n, Draw draw) {
    std::vector<double> v(static_cast<std::size_t>(n));
    double sum = 0.0;
    for (double& x : v) sum += (x = draw());
    const double mean = sum / n;
    double m2 = 0.0, m4 = 0.0;
    for (double x : v) {
        const double d = (x - mean) * (x - mean);
        m2 += d;
        m4 += d * d;
    }
    m2 /= n;
    m4 /= n;
    return {mean, m2, std::sqrt(m2 / n), std::sqrt((m4 - m2 * m2) / n)};
}

// The alias table draws each category in proportion to its weight, and the
// Polya urn's counts have the Dirichlet-multinomial's moments: for N draws
// of concentration A, category a has mean N pi_a and variance
// N pi_a (1 - pi_a) (N + A) / (1 + A). Each sample moment must lie within 5
// of its standard errors of the truth: a fault (a wrong threshold, an urn
// that copies from the wrong place or with the wrong odds) moves a moment
// by far more, while a correct draw fails by chance less than once in a
// million per check. Concentrations from nearly all copies (0.01) to
// nearly all base draws (9999); one category alone, and a zero weight.
TEST(Numeric, AliasTableAndPolyaUrnMoments) {
    const int n = 100000;
    for (const std::vector<double>& w : {std::vector<double>{1.0}, std::vector<double>{0.5, 0.0, 0.25, 0.25},
                                         std::vector<double>{3.0, 1.0, 1e-3, 6.0, 2.0}}) {
        double total = 0.0;
        for (double x : w) total += x;
        AliasTable table;
        table.build(w);
        for (std::size_t a = 0; a < w.size(); ++a) {
            Stream s{3, a};
            const double pi = w[a] / total;
            const Moments m = moments(n, [&] { return table.draw(s) == a ? 1.0 : 0.0; });
            EXPECT_NEAR(m.mean, pi, 5 * std::sqrt(pi * (1 - pi) / n) + 1e-12) << a;
            // A rare category's urn counts are too seldom non-zero for a
            // sample variance to judge.
            if (pi < 0.01) continue;
            for (double concentration : {0.01, 1.0, 13.0, 9999.0}) {
                Stream u{5, a};
                std::vector<std::uint16_t> out(60);
                PolyaUrn urn;
                urn.prepare(concentration, out.size());
                const Moments c = moments(n / 10, [&] {
                    urn.draw(u, table, out.size(), out.data());
                    double count = 0;
                    for (std::uint16_t x : out) count += x == a;
                    return count;
                });
                const double copies = static_cast<double>(out.size());
                const double var = copies * pi * (1 - pi) * (copies + concentration) / (1 + concentration);
                EXPECT_NEAR(c.mean, copies * pi, 5 * std::sqrt(var / (n / 10)) + 1e-12) << a << " " << concentration;
                EXPECT_NEAR(c.var, var, 5 * c.sevar + 1e-12) << a << " " << concentration;
            }
        }
    }
}

// Two urns side by side give the draws of two separate ones, whichever is
// longer, down to none.
TEST(Numeric, TwoUrnsSideBySideAreTwoUrns) {
    AliasTable table;
    table.build({0.2, 0.5, 0.3});
    PolyaUrn urn;
    urn.prepare(3.0, 9);
    for (const auto& sizes : {std::pair<std::size_t, std::size_t>{0, 0}, {1, 0}, {0, 1}, {9, 9}, {4, 9}, {9, 2}}) {
        Stream pair[2] = {Stream{1, sizes.first}, Stream{2, sizes.second}};
        Stream one{1, sizes.first}, two{2, sizes.second};
        std::vector<std::uint16_t> a(9, 7), b(9, 7), c(9, 7), d(9, 7);
        const std::size_t counts[2] = {sizes.first, sizes.second};
        std::uint16_t* const outs[2] = {a.data(), b.data()};
        urn.drawtwo(pair, table, counts, outs);
        urn.draw(one, table, sizes.first, c.data());
        urn.draw(two, table, sizes.second, d.data());
        EXPECT_EQ(a, c);
        EXPECT_EQ(b, d);
        EXPECT_EQ(pair[0].next(), one.next());  // each stream left where one urn leaves it
        EXPECT_EQ(pair[1].next(), two.next());
    }
}

}  // namespace
