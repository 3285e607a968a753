// The figures: which pairs are drawn, the list of marked pairs, the
// caption, the axes, every text on the page at 6 to 1225 pairs, and the SVG
// rendered by a real renderer for 1, 10 and 1225 pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <algorithm>

#include "output/format.h"
#include "output/heatmap.h"
#include "output/lociplot.h"
#include "output/plot.h"
#include "gendata.h"
#include "testutil.h"

using namespace testutil;
using gstboot::PairSummary;

namespace {

// A pair at observed (mic, mhc) with the neutral test's q, the MHC less
// differentiated than neutral when z < 0.
PairSummary pairat(int i, int j, double mic, double mhc, double q, double z = -1.0) {
    PairSummary s;
    s.pop1 = i;
    s.pop2 = j;
    s.mic.observed = mic;
    s.mic.cilower = mic - 0.05;
    s.mic.ciupper = mic + 0.05;
    s.mhc.observed = mhc;
    s.mhc.cilower = mhc - 0.1;
    s.mhc.ciupper = mhc + 0.1;
    s.mhc.finite = s.mic.finite = 1000;
    s.neutral.q = q;
    s.neutral.z = z;
    return s;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct Pixels {
    int width = 0;
    int height = 0;
    long dark = 0;
};

// Renders with rsvg-convert and counts the pixels that are not background.
Pixels render(const std::string& svg) {
    TempDir dir;
    writefile(dir.file("f.svg"), svg);
    const std::string cmd = "rsvg-convert -o '" + dir.file("f.png") + "' '" + dir.file("f.svg") + "' && python3 '" +
                            std::string(GSTBOOT_TESTDATA) + "/../pngpixels.py' '" + dir.file("f.png") + "' > '" +
                            dir.file("count") + "'";
    Pixels px;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "rsvg-convert (librsvg2-bin) and python3 are needed";
    const std::string out = readfile(dir.file("count"));
    long red = 0;
    EXPECT_EQ(std::sscanf(out.c_str(), "%d %d %ld %ld", &px.width, &px.height, &px.dark, &red), 4) << out;
    return px;
}

TEST(Drawable, LimitsOfEverySummaryPoint) {
    const double far = gstboot::FARLIMIT;
    const double beyond = std::nextafter(far, HUGE_VAL);
    for (int which = 0; which < 6; ++which) {
        for (double v : {far, -far, beyond, -beyond, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
            PairSummary s = pairat(0, 1, 0.1, 0.2, 0.5);
            double* slots[] = {&s.mhc.observed, &s.mhc.cilower, &s.mhc.ciupper,
                               &s.mic.observed, &s.mic.cilower, &s.mic.ciupper};
            *slots[which] = v;
            EXPECT_EQ(gstboot::drawable(s), std::isfinite(v) && std::fabs(v) <= far) << which << " " << v;
        }
    }
}

TEST(PlotSvg, CaptionCountsPairsNotDrawn) {
    std::vector<PairSummary> pairs = {pairat(0, 1, 0.1, 0.2, 0.5), pairat(0, 2, 0.1, 0.2, 0.5),
                                      pairat(1, 2, 0.1, 0.2, 0.5)};
    EXPECT_NE(gstboot::plotsvg(pairs, 1).find("All 3 pairs are drawn."), std::string::npos);
    pairs[1].mhc.ciupper = std::nan("");
    pairs[2].mic.observed = 1e13;
    const std::string svg = gstboot::plotsvg(pairs, 1);
    EXPECT_NE(svg.find("2 of 3 pairs could not be drawn"), std::string::npos);
    EXPECT_EQ(count(svg, "<circle"), 1u + 2u);  // one pair and the keys: tested, not tested
    EXPECT_NE(gstboot::plotsvg({}, 1).find("There is no pair to draw"), std::string::npos);
    EXPECT_NE(gstboot::plotsvg({pairs[0]}, 1).find("The one pair is drawn."), std::string::npos);
}

// Marked below q = QLEVEL only, in the direction of T; a pair the test
// could not judge (q not a number) is not marked but hollow and counted;
// the caption says whether the test ran.
TEST(PlotSvg, MarksOnlyPairsBelowTheThreshold) {
    const double below = std::nextafter(gstboot::QLEVEL, 0.0);
    const std::string svg =
        gstboot::plotsvg({pairat(0, 1, 0.1, 0.2, gstboot::QLEVEL), pairat(0, 2, 0.1, 0.3, below, -2.0),
                          pairat(1, 2, 0.1, 0.4, 0.0, 3.0), pairat(1, 3, 0.1, 0.4, std::nan(""), 3.0)},
                         1);
    EXPECT_NE(svg.find("Pairs with q &lt; 0.05: 2"), std::string::npos);
    EXPECT_NE(svg.find("1: 1-3, q = 0.0500, less"), std::string::npos);
    EXPECT_NE(svg.find("2: 2-3, q &lt; 0.0001, more"), std::string::npos);
    EXPECT_EQ(svg.find(": 1-2,"), std::string::npos);
    EXPECT_EQ(svg.find(": 2-4,"), std::string::npos);
    EXPECT_EQ(count(svg, "<polygon"), 2u + 2u);  // two marked pairs and the two legend keys
    EXPECT_NE(svg.find("Marks: the neutral test"), std::string::npos);
    EXPECT_NE(svg.find("Hollow grey: 1 of 4 pairs it could not test"), std::string::npos);
    EXPECT_EQ(count(svg, "fill=\"none\" stroke=\"#8c8c8c\""), 1u + 1u);  // the pair and its key
    const std::string off = gstboot::plotsvg({pairat(0, 1, 0.1, 0.2, std::nan(""))}, 1, false);
    EXPECT_NE(off.find("No pair has q &lt; 0.05."), std::string::npos);
    EXPECT_NE(off.find("No neutral test (--neutral-draws 0)"), std::string::npos);
    // Named populations appear by name, escaped, cut to 18 characters and isolated.
    PairSummary named = pairat(0, 1, 0.1, 0.2, 0.01, 1.0);
    named.name1 = "Bern<A>";
    named.name2 = "Z\u00fcrich-Oberland-Nord-Ost";
    EXPECT_NE(gstboot::plotsvg({named}, 1)
                  .find("1: \u2068Bern&lt;A&gt;\u2069 \u2013 \u2068Z\u00fcrich-Oberland-No\u2026\u2069, q = 0.0100, more"),
              std::string::npos);
}

// Every marked pair is listed, however many, with a marked pair that cannot
// be drawn among them; nothing is left as "and N more".
TEST(PlotSvg, ListHoldsEveryMarkedPair) {
    for (int marked : {1, 20, 21, 57, 300}) {
        std::vector<PairSummary> pairs;
        for (int k = 0; k < marked + 5; ++k) pairs.push_back(pairat(0, k + 1, 0.01 * k, 0.02 * k, k < marked ? 0.0 : 0.4));
        pairs[static_cast<std::size_t>(marked / 2)].mic.cilower = -HUGE_VAL;
        const std::string svg = gstboot::plotsvg(pairs, 1);
        EXPECT_EQ(count(svg, ", q &lt; 0.0001"), static_cast<std::size_t>(marked)) << marked;
        EXPECT_EQ(count(svg, "(not drawn)"), 1u);
        EXPECT_EQ(count(svg, "\u2026 and "), 0u);
        EXPECT_NE(svg.find("1 of " + std::to_string(marked + 5) + " pairs could not be drawn"), std::string::npos);
    }
}

// Each axis spans its data with a little room, from 0 when 0 is near, on
// six to eight round steps; never below MINSPAN.
TEST(AxisRange, FitsTheData) {
    const struct {
        double lo, hi;
        const char* first;  // tick labels
        const char* last;
        double step;
    } cases[] = {
        {0.02, 0.12, "0.00", "0.12", 0.02},     // 0 near: from 0
        {0.5, 0.6, "0.50", "0.60", 0.02},       // 0 far: not
        {-0.013, 0.95, "0.0", "0.8", 0.2},      // a residue below 0 does not stretch the axis to -0.2
        {-0.3, -0.2, "-0.30", "-0.20", 0.02},   // below 0, 0 far: not
        {-0.1, -0.05, "-0.10", "0.00", 0.02},   // below 0, 0 near: to 0
        {0.3, 0.3, "0.00", "0.30", 0.05},       // one value: from 0
        {0.0, 0.0, "0.0", "1.0", 0.2},
        {-10.0, 10.0, "-10", "10", 5.0},
        {0.5, 0.5 + 1e-12, "0.5000000", "0.5000010", 2e-7},  // MINSPAN
    };
    for (const auto& c : cases) {
        const gstboot::AxisRange a = gstboot::axisrange(c.lo, c.hi);
        EXPECT_LE(a.lo, std::min(c.lo, c.hi)) << c.lo;
        EXPECT_GE(a.hi, c.hi) << c.lo;
        EXPECT_GE(a.hi - a.lo, gstboot::MINSPAN);
        EXPECT_DOUBLE_EQ(a.step, c.step) << c.lo;
        EXPECT_LE(a.last - a.first, 9) << c.lo;
        EXPECT_GE(a.last - a.first, 3) << c.lo;
        EXPECT_EQ(gstboot::fixed(static_cast<double>(a.first) * a.step, a.decimals), c.first) << c.lo;
        EXPECT_EQ(gstboot::fixed(static_cast<double>(a.last) * a.step, a.decimals), c.last) << c.lo;
        EXPECT_GE(static_cast<double>(a.first) * a.step, a.lo);
        EXPECT_LE(static_cast<double>(a.last) * a.step, a.hi);
    }
}

// A study of `npop` populations as the figures see it: a third of the pairs
// marked, crowded round one point, a sixth not tested, one not drawable,
// and names long, not ASCII and numbered.
gstboot::RunSummary crowd(int npop) {
    std::mt19937 gen(static_cast<unsigned>(npop));
    auto unit = [&gen] { return static_cast<double>(gen() % 10000) / 10000.0; };
    gstboot::RunSummary run;
    run.npop = npop;
    run.neutraldraws = 500;
    for (int i = 0; i < npop; ++i) {
        for (int j = i + 1; j < npop; ++j) {
            const std::size_t k = run.pairs.size();
            const bool marked = k % 3 == 0;
            PairSummary s = marked ? pairat(i, j, 0.05 + 0.01 * unit(), 0.4 + 0.02 * unit(), 0.01, k % 2 ? 1.0 : -1.0)
                                   : pairat(i, j, 0.15 * unit(), 0.9 * unit(), k % 6 == 1 ? std::nan("") : 0.3);
            s.name1 = i % 5 == 0 ? "Z\u00fcrich-Oberland-Nord-Ost-" + std::to_string(i) : "Pop" + std::to_string(i);
            s.name2 = j % 5 == 0 ? "Z\u00fcrich-Oberland-Nord-Ost-" + std::to_string(j) : "Pop" + std::to_string(j);
            run.pairs.push_back(s);
        }
    }
    run.pairs[1].mhc.ciupper = std::nan("");
    return run;
}

// Every text of both figures lies on the page and no two overlap (the
// texts' extents reckoned by tests/svgtext.py); every marked pair is
// listed.
TEST(FigureLayout, EveryTextOnThePageAndClear) {
    if (!havetool("python3")) GTEST_SKIP() << "needs python3";
    for (int npop : {4, 17, 40, 50}) {
        const gstboot::RunSummary run = crowd(npop);
        const std::string plot = gstboot::plotsvg(run.pairs, 1);
        EXPECT_EQ(count(plot, ", q = 0.0100, "), (run.pairs.size() + 2) / 3) << npop;
        const std::string figures[] = {plot, gstboot::heatmapsvg(run, gstboot::ColourScale::shared),
                                       gstboot::heatmapsvg(run, gstboot::ColourScale::separate)};
        for (const std::string& svg : figures) {
            TempDir dir;
            writefile(dir.file("f.svg"), svg);
            const std::string cmd = "python3 '" + std::string(GSTBOOT_TESTDATA) + "/../svgtext.py' '" +
                                    dir.file("f.svg") + "' > '" + dir.file("out") + "'";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << npop << " populations:\n" << readfile(dir.file("out"));
        }
    }
}

TEST(PlotSvg, EmptyFigureStillRenders) {
    if (!havetool("rsvg-convert") || !havetool("python3")) GTEST_SKIP() << "needs rsvg-convert (librsvg2-bin) and python3";
    Pixels px = render(gstboot::plotsvg({}, 1));
    EXPECT_GE(px.width, 860);
    EXPECT_GT(px.dark, 1000);  // axes, labels and caption
}

// A study of `npop` populations of three individuals: MHC alleles private to
// each population (strong differentiation), MIC alleles shared. Populations
// 1 and 2 have a single MIC individual, so their pair's MIC estimate is not
// a number, and population 3 has no MHC individuals, in studies of more than
// three populations.
void writestudy(const TempDir& dir, int npop, unsigned seed) {
    std::mt19937 gen(seed);
    gen::Genotypes mhc(static_cast<std::size_t>(npop));
    gen::Genotypes mic(static_cast<std::size_t>(npop));
    for (int p = 0; p < npop; ++p) {
        const int nmhc = (p == 2 && npop > 3) ? 0 : 3;
        const int nmic = (p < 2 && npop > 3) ? 1 : 3;
        for (int i = 0; i < nmhc; ++i) {
            mhc[static_cast<std::size_t>(p)].push_back({p * 7 % 350, (p * 7 + static_cast<int>(gen() % 2)) % 350});
        }
        for (int i = 0; i < nmic; ++i) {
            mic[static_cast<std::size_t>(p)].push_back({static_cast<int>(gen() % 3), static_cast<int>(gen() % 3)});
        }
    }
    writefile(dir.file("MHCdata.txt"), gen::mhcfile(2, 0, 1, mhc));
    writefile(dir.file("MICdata.txt"), gen::micfile(1, 1, 0, mic));
}

class RenderedRun : public ::testing::TestWithParam<int> {};

TEST_P(RenderedRun, FigureIsNotBlank) {
    if (!havetool("rsvg-convert") || !havetool("python3")) GTEST_SKIP() << "needs rsvg-convert (librsvg2-bin) and python3";
    const int npop = GetParam();
    TempDir dir;
    writestudy(dir, npop, 77u + static_cast<unsigned>(npop));
    RunResult r = rungstboot(dir.path(), {"--seed", "3", "--plot", "f.svg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string svg = readfile(dir.file("f.svg"));
    const std::size_t pairs = static_cast<std::size_t>(npop * (npop - 1) / 2);
    std::size_t missing = 0;
    const std::size_t caption = svg.find(" of " + std::to_string(pairs) + " pairs could not be drawn");
    if (caption != std::string::npos) {
        missing = std::stoul(svg.substr(svg.rfind('>', caption) + 1));
    } else {
        EXPECT_NE(svg.find(pairs == 1 ? "The one pair is drawn." : "All " + std::to_string(pairs)), std::string::npos);
    }
    if (npop > 3) {
        EXPECT_GE(missing, 1u);  // the pair 1-2 has no finite MIC estimate
    }
    EXPECT_EQ(count(svg, "<title>pair "), pairs - missing);
    Pixels px = render(svg);
    EXPECT_GE(px.width, 860);
    EXPECT_GE(px.height, 700);
    EXPECT_GT(px.dark, 3000) << npop;
}

INSTANTIATE_TEST_SUITE_P(Pairs, RenderedRun, ::testing::Values(2, 5, 50),
                         [](const ::testing::TestParamInfo<int>& p) {
                             const int n = p.param;
                             return std::to_string(n * (n - 1) / 2) + "_pairs";
                         });

}  // namespace

namespace {

// The per-locus figure: every text on the page and clear, the MHC named
// (cut when long), loci without an estimate counted in the caption.
TEST(LociPlot, OnThePageWithTheMhcNamed) {
    if (!testutil::havetool("python3")) GTEST_SKIP() << "needs python3";
    for (const std::string& name : {std::string("DRB"), std::string(60, 'x'), std::string()}) {
        gstboot::RunSummary run;
        run.seed = 9;
        const double gst[] = {0.3, 0.05, 0.07, 0.06, std::nan(""), 0.08};
        const double he[] = {0.95, 0.6, 0.7, 0.8, 0.7, 0.9};
        for (int l = 0; l < 6; ++l) {
            gstboot::RunSummary::Locus locus;
            locus.mhc = l == 0;
            locus.name = l == 0 ? name : "L" + std::to_string(l);
            locus.gst = gst[l];
            locus.he = he[l];
            run.loci.push_back(locus);
        }
        const std::string svg = gstboot::lociplotsvg(run);
        EXPECT_NE(svg.find(name.empty() ? ">MHC</text>" : name.size() > 24 ? "xxx...</text>" : ">DRB</text>"),
                  std::string::npos);
        EXPECT_NE(svg.find("1 locus has no estimate"), std::string::npos);
        testutil::TempDir dir;
        testutil::writefile(dir.file("f.svg"), svg);
        const std::string cmd = "python3 '" + std::string(GSTBOOT_TESTDATA) + "/../svgtext.py' '" + dir.file("f.svg") +
                                "' > '" + dir.file("out") + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << testutil::readfile(dir.file("out"));
    }
}

}  // namespace
