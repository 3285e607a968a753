// Jost's D and Hedrick's G''st against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

#include "input/inputs.h"
#include "plain/jost.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

// Two populations of two diploid individuals. "mixed": A holds 1/1, 1/2 and B
// 2/2 twice: Hs = (3/8 + 0) / 2, Ht = 1 - (9 + 25) / 64, N~ = 2, so Hs' = 4/3
// Hs = 1/4 and Ht' = Ht + Hs' / 8 = 1/2: D = (1/4) / (3/4) * 2 = 2/3 and
// G''st = 2 (1/4) / ((1 - 1/4) (3/4)) = 8/9. "fixed": A all 1, B all 2:
// Hs' = 0, Ht' = 1/2: D = G''st = 1. "one allele": 0 / 0 for G''st, D = 0.
// Over the two MIC loci "mixed" and "fixed": Hs' = 1/8, Ht' = 1/2, so
// D = (3/8) / (7/8) * 2 = 6/7 and G''st = (3/4) / ((7/8) (7/8)) = 48/49.
TEST(Jost, HandWorkedValues) {
    struct Case {
        const char* what;
        std::string a, b;  // each population's two individuals, as GENEPOP genotypes
        double d, gppst;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"mixed", "a1, 0101\na2, 0102\n", "b1, 0202\nb2, 0202\n", 2.0 / 3.0, 8.0 / 9.0},
        {"fixed", "a1, 0101\na2, 0101\n", "b1, 0202\nb2, 0202\n", 1.0, 1.0},
        {"one allele", "a1, 0101\na2, 0101\n", "b1, 0101\nb2, 0101\n", 0.0, nan},
    };
    auto same = [](double got, double want) { return std::isnan(want) ? std::isnan(got) : std::fabs(got - want) < 1e-12; };
    for (const Case& c : cases) {
        TempDir dir;
        writefile(dir.file("mhc.gen"), "t\nDRB\nPop A\n" + c.a + "Pop B\n" + c.b);
        // The MIC file: this case's locus, then the "fixed" one.
        std::string mic = "t\nL1, L2\nPop A\n";
        const std::string fixeda[] = {"0101", "0101"}, fixedb[] = {"0202", "0202"};
        auto rows = [](const std::string& block, const std::string (&second)[2]) {
            std::string out;
            std::size_t at = 0;
            for (int i = 0; i < 2; ++i) {
                const std::size_t end = block.find('\n', at);
                out += block.substr(at, end - at) + " " + second[i] + "\n";
                at = end + 1;
            }
            return out;
        };
        mic += rows(c.a, fixeda) + "Pop B\n" + rows(c.b, fixedb);
        writefile(dir.file("mic.gen"), mic);
        InputRequest request;
        request.paths = {dir.file("mhc.gen"), dir.file("mic.gen")};
        auto ds = std::make_unique<DataSet>();
        std::vector<std::string> warnings;
        readinputs(request, *ds, warnings);
        const JostMeasures m = mhcjost(*ds, {0, 1});
        EXPECT_TRUE(same(m.d, c.d)) << c.what << " D " << m.d;
        EXPECT_TRUE(same(m.gppst, c.gppst)) << c.what << " G''st " << m.gppst;
        if (std::string(c.what) == "mixed") {
            const JostMeasures both = micjost(*ds, {0, 1});
            EXPECT_TRUE(same(both.d, 6.0 / 7.0)) << both.d;
            EXPECT_TRUE(same(both.gppst, 48.0 / 49.0)) << both.gppst;
        }
    }
}

}  // namespace

namespace {

// Over two populations the per-locus rows of --study are the pair's own
// estimates (correction off), and the global D and G''st the pair's: the same
// text, digit for digit.
TEST(Study, OverTwoPopulationsTheGlobalRowsAreThePairs) {
    TempDir dir;
    writefile(dir.file("mhc.gen"), "t\nDRB\nPop A\na1, 0101\na2, 0102\na3, 0303\nPop B\nb1, 0202\nb2, 0203\nb3, 0101\n");
    writefile(dir.file("mic.gen"), "t\nL1\nPop A\na1, 0102\na2, 0202\na3, 0103\nPop B\nb1, 0303\nb2, 0203\nb3, 0101\n");
    const testutil::RunResult r =
        testutil::rungstboot(dir.path(), {"--seed", "1", "--correction", "off", "--mhc", "mhc.gen", "--mic", "mic.gen",
                                          "--table", "t.tsv", "--study", "s.tsv", "--neutral-draws", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto split = [](const std::string& line) {
        std::vector<std::string> cells;
        std::size_t at = 0;
        for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) cells.push_back(line.substr(at, tab - at));
        cells.push_back(line.substr(at));
        return cells;
    };
    auto lines = [&](const std::string& text) {
        std::vector<std::vector<std::string>> rows;
        std::size_t at = 0;
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) rows.push_back(split(text.substr(at, end - at)));
        return rows;
    };
    const auto table = lines(testutil::readfile(dir.file("t.tsv")));
    const auto study = lines(testutil::readfile(dir.file("s.tsv")));
    ASSERT_EQ(table.size(), 2u);
    auto column = [&](const std::string& name) {
        for (std::size_t c = 0; c < table[0].size(); ++c) {
            if (table[0][c] == name) return table[1][c];
        }
        ADD_FAILURE() << name;
        return std::string();
    };
    std::map<std::string, std::string> values;  // "result set locus" -> value
    for (std::size_t k = 1; k < study.size(); ++k) values[study[k][0] + " " + study[k][1] + " " + study[k][2]] = study[k][4];
    EXPECT_EQ(values["gst mhc DRB"], column("mhc_observed"));
    EXPECT_EQ(values["gst mic L1"], column("mic_observed"));
    EXPECT_EQ(values["jost_d mhc all"], column("mhc_jost_d"));
    EXPECT_EQ(values["gpp_st mic all"], column("mic_gpp_st"));
    // The estimator over all populations is the pair's, from counts: the
    // same number up to rounding.
    for (const char* set : {"mhc", "mic"}) {
        const double all = std::stod(values[std::string("gst ") + set + " all"]);
        const double pair = std::stod(column(std::string(set) + "_observed"));
        EXPECT_NEAR(all, pair, 1e-14) << set;
    }
}

}  // namespace
