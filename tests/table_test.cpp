// The per-pair table: number form, columns, agreement with the console and
// report lines of the golden runs, the observed estimate of a hand-computed
// case, and loading with Python's csv module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <sstream>

#include "output/report.h"
#include "output/table.h"
#include "gendata.h"
#include "testutil.h"

using namespace testutil;

namespace {

using Row = std::vector<std::string>;

std::vector<Row> parsetsv(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        Row row;
        std::size_t at = 0;
        for (;;) {
            std::size_t tab = line.find('\t', at);
            row.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        rows.push_back(row);
    }
    return rows;
}

// The value as any strtod reads it; "NaN", "Inf" and "-Inf" included.
double value(const std::string& s) {
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    EXPECT_EQ(*end, '\0') << "'" << s << "' is not a whole number";
    return v;
}

int column(const Row& header, const std::string& name) {
    auto it = std::find(header.begin(), header.end(), name);
    EXPECT_NE(it, header.end()) << name;
    return static_cast<int>(it - header.begin());
}

// printf writes a negative not-a-number as "-nan"; the table keeps no sign.
std::string unsignednan(std::string s) {
    for (std::size_t at; (at = s.find("-nan")) != std::string::npos;) s.replace(at, 4, " nan");
    return s;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line + "\n");
    return out;
}

// A sorted row with only the three summary positions filled, for the
// report's own line formatters.
// One data set's columns of a table row, read back.
gstboot::SetSummary setof(const Row& r, const Row& h, const std::string& set) {
    auto at = [&](const char* c) { return value(r[static_cast<std::size_t>(column(h, set + c))]); };
    gstboot::SetSummary s;
    s.mean = at("_mean");
    s.median = at("_median");
    s.lower = at("_lower");
    s.upper = at("_upper");
    return s;
}

TEST(Shortest, RoundTripsEveryDouble) {
    std::mt19937_64 gen(20260);
    std::vector<double> cases = {0.0, 1.0, -1.0, 0.1, 1e-300, 5e-324, 1.7976931348623157e308, 2.5 / 6.5,
                                 1592736453582249.0, 0.34800000000000025};
    for (int k = 0; k < 20000; ++k) {
        std::uint64_t bits = gen();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d)) cases.push_back(d);
    }
    for (double d : cases) {
        const std::string s = gstboot::shortest(d);
        EXPECT_TRUE(testutil::sameresult(std::strtod(s.c_str(), nullptr), d)) << s;
        char longer[40];
        std::snprintf(longer, sizeof longer, "%.17g", d);
        EXPECT_LE(s.size(), std::strlen(longer) + 1) << s;  // never the long form with a spurious tail
    }
    EXPECT_EQ(gstboot::shortest(0.1), "0.1");
    EXPECT_EQ(gstboot::shortest(-0.0), "-0");
    EXPECT_EQ(gstboot::shortest(std::nan("")), "NaN");
    EXPECT_EQ(gstboot::shortest(-std::nan("")), "NaN");
    EXPECT_EQ(gstboot::shortest(HUGE_VAL), "Inf");
    EXPECT_EQ(gstboot::shortest(-HUGE_VAL), "-Inf");
}

TEST(TableText, HeaderAndRowShape) {
    const std::string header = gstboot::tableheader();
    EXPECT_EQ(header,
              "pop1\tpop2\tname1\tname2\tn_mhc1\tn_mhc2\tn_mic1\tn_mic2\tmhc_observed\tmhc_mean\tmhc_median\t"
              "mhc_lower\tmhc_upper\tmhc_finite\tmic_observed\tmic_mean\tmic_median\tmic_lower\tmic_upper\t"
              "mic_finite\tmic_loci\tfrac_mhc_gt_mic\tp\tseed\tmhc_ci_lower\tmhc_ci_upper\tmic_ci_lower\t"
              "mic_ci_upper\tneutral_z\tneutral_p\tneutral_q\tneutral_loci\tmhc_jost_d\tmic_jost_d\tmhc_gpp_st\t"
              "mic_gpp_st\n");
    gstboot::PairSummary s;
    s.pop1 = 0;
    s.pop2 = 49;
    s.mhc.n1 = 200;
    s.mhc.observed = std::nan("");
    s.mic.upper = -HUGE_VAL;
    s.mhc.finite = 1000;
    s.micloci = 7;
    gstboot::PairSummary named = s;
    named.name1 = "Lake \"North\"\tshore";
    named.name2 = "DRB*03";
    gstboot::RunSummary run;
    run.seed = 4294967295u;
    run.pairs = {s, named};
    const std::vector<Row> rows = parsetsv(gstboot::tabletext(run));
    ASSERT_EQ(rows.size(), 3u);
    for (const Row& r : rows) EXPECT_EQ(r.size(), 36u);
    EXPECT_EQ(rows[1][0], "1");
    EXPECT_EQ(rows[1][1], "50");
    EXPECT_EQ(rows[1][2], "1");
    EXPECT_EQ(rows[1][3], "50");
    EXPECT_EQ(rows[2][2], "Lake 'North' shore");  // one cell, no quoting needed
    EXPECT_EQ(rows[2][3], "DRB*03");
    EXPECT_EQ(rows[1][4], "200");
    EXPECT_EQ(rows[1][8], "NaN");
    EXPECT_EQ(rows[1][13], "1000");
    EXPECT_EQ(rows[1][18], "-Inf");
    EXPECT_EQ(rows[1][20], "7");
    EXPECT_EQ(rows[1][23], "4294967295");
    EXPECT_EQ(parsetsv(gstboot::tabletext(gstboot::RunSummary())).size(), 1u);
}

// frac_mhc_gt_mic and p from the count of replicates, divided once: 1000
// gave 1.0000000000000007 and -6.661338147750939e-16 by the running sum.
TEST(TableText, FractionsFromCounts) {
    const struct {
        int greater;
        const char* frac;
        const char* p;
    } cases[] = {{0, "0", "0"},         {1, "0.001", "0.001"}, {499, "0.499", "0.499"}, {500, "0.5", "0.5"},
                 {501, "0.501", "0.499"}, {999, "0.999", "0.001"}, {1000, "1", "0"}};
    gstboot::RunSummary run;
    for (const auto& c : cases) {
        gstboot::PairSummary s;
        s.greater = c.greater;
        for (int r = 0; r < c.greater; ++r) s.frac = s.frac + 0.001;  // as the report reckons it
        s.p = gstboot::fold(s.frac);
        run.pairs.push_back(s);
    }
    const std::vector<Row> rows = parsetsv(gstboot::tabletext(run));
    ASSERT_EQ(rows.size(), 1 + std::size(cases));
    const int frac = column(rows[0], "frac_mhc_gt_mic");
    const int p = column(rows[0], "p");
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        EXPECT_EQ(rows[k + 1][static_cast<std::size_t>(frac)], cases[k].frac) << cases[k].greater;
        EXPECT_EQ(rows[k + 1][static_cast<std::size_t>(p)], cases[k].p) << cases[k].greater;
    }
    // The report keeps its historical sum.
    EXPECT_NE(gstboot::fileline(run.pairs.back()).find(" -0.0000\n"), std::string::npos);
}

// Every golden case once more with --table and --plot: standard output and
// the report stay byte-identical, and each table row reproduces its console
// and report line through the report's own formatters.
class GoldenTable : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenTable, AgreesWithConsoleAndReport) {
    const std::string src = testdata("golden/" + GetParam());
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), readfile(src + "/MHCdata.txt"));
    writefile(dir.file("MICdata.txt"), readfile(src + "/MICdata.txt"));
    std::string seed = readfile(src + "/seed");
    seed.erase(seed.find_last_not_of("\r\n ") + 1);
    RunResult r = rungstboot(dir.path(), {"--seed", seed, "--table", "t.tsv", "--plot", "f.svg"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string golden = readfile(src + "/stdout.txt");
    EXPECT_EQ(r.out, golden);
    EXPECT_EQ(readfile(dir.file("output.txt")), readfile(src + "/output.txt"));

    const std::vector<Row> rows = parsetsv(readfile(dir.file("t.tsv")));
    ASSERT_GE(rows.size(), 1u);
    const Row& h = rows[0];
    ASSERT_GE(golden.size(), 50u);  // the countdown: ten fields of five
    const std::vector<std::string> console = lines(golden.substr(50));
    const std::vector<std::string> report = lines(readfile(src + "/output.txt"));
    ASSERT_EQ(rows.size() - 1, console.size());
    ASSERT_EQ(rows.size() - 1, report.size());
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const Row& row = rows[k];
        ASSERT_EQ(row.size(), h.size());
        const int i = std::atoi(row[0].c_str()) - 1;
        const int j = std::atoi(row[1].c_str()) - 1;
        gstboot::PairSummary pair;
        pair.pop1 = i;
        pair.pop2 = j;
        pair.mhc = setof(row, h, "mhc");
        pair.mic = setof(row, h, "mic");
        const double p = value(row[static_cast<std::size_t>(column(h, "p"))]);
        const double frac = value(row[static_cast<std::size_t>(column(h, "frac_mhc_gt_mic"))]);
        // The table's fractions are a count over 1000; the console and the
        // report print the same count by its historical running sum.
        const long greater = std::lround(frac * 1000.0);
        EXPECT_EQ(frac, static_cast<double>(greater) / 1000.0) << row[0] << "-" << row[1];
        EXPECT_EQ(p, static_cast<double>(std::min(greater, 1000 - greater)) / 1000.0) << row[0] << "-" << row[1];
        double sum = 0.0;
        for (long n = 0; n < greater; ++n) sum = sum + 0.001;
        pair.p = gstboot::fold(sum);
        EXPECT_EQ(unsignednan(gstboot::consoleline(pair)), unsignednan(console[k - 1]));
        EXPECT_EQ(unsignednan(gstboot::fileline(pair)), unsignednan(report[k - 1]));
        EXPECT_EQ(row[static_cast<std::size_t>(column(h, "seed"))], seed);
        for (const char* f : {"mhc_finite", "mic_finite"}) {
            const int n = std::atoi(row[static_cast<std::size_t>(column(h, f))].c_str());
            EXPECT_GE(n, 0);
            EXPECT_LE(n, 1000);
        }
    }
    EXPECT_NE(readfile(dir.file("f.svg")).find("</svg>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTable,
                         ::testing::ValuesIn([] {
                             std::vector<std::string> n = listdir(testdata("golden"));
                             std::sort(n.begin(), n.end());
                             return n;
                         }()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             std::string n = p.param;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// Two populations of two individuals, two copies: population 1 holds (5,5)
// and (5,7), population 2 (7,7) and (7,9). Per allele gstnum/gstden is 2/3
// for 5, 0.5/2.5 for 7 and 0/1 for 9, so the estimate is 2.5/6.5. With the
// replicates switched off every replicate is the data as read.
struct HandCase {
    int corrflag;
    double expected;
};

class HandComputed : public ::testing::TestWithParam<HandCase> {};

TEST_P(HandComputed, ObservedEstimate) {
    const gen::Genotypes mhc = {{{5, 5}, {5, 7}}, {{7, 7}, {7, 9}}};
    const gen::Genotypes mic = {{{1, 1}, {1, 2}, {2, 2}}, {{3, 3}, {3, 1}, {3, 3}}};
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), gen::mhcfile(2, GetParam().corrflag, 0, mhc));
    writefile(dir.file("MICdata.txt"), gen::micfile(1, 0, 0, mic));
    RunResult r = rungstboot(dir.path(), {"--seed", "5", "--table", "t.tsv", "--neutral-draws", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Row> rows = parsetsv(readfile(dir.file("t.tsv")));
    ASSERT_EQ(rows.size(), 2u);
    const Row& h = rows[0];
    const Row& row = rows[1];
    auto get = [&](const char* name) { return value(row[static_cast<std::size_t>(column(h, name))]); };
    EXPECT_EQ(row[2], "1");  // unnamed populations go by number
    EXPECT_EQ(row[3], "2");
    EXPECT_EQ(get("n_mhc1"), 2);
    EXPECT_EQ(get("n_mhc2"), 2);
    EXPECT_EQ(get("n_mic1"), 3);
    EXPECT_EQ(get("n_mic2"), 3);
    EXPECT_EQ(get("mic_loci"), 1);
    EXPECT_DOUBLE_EQ(get("mhc_observed"), GetParam().expected);
    for (const char* name : {"mhc_median", "mhc_lower", "mhc_upper"}) {
        EXPECT_TRUE(testutil::sameresult(get(name), get("mhc_observed"))) << name;
    }
    for (const char* name : {"mic_median", "mic_lower", "mic_upper"}) {
        EXPECT_TRUE(testutil::sameresult(get(name), get("mic_observed"))) << name;
    }
    EXPECT_NEAR(get("mhc_mean"), GetParam().expected, 1e-12);
    EXPECT_EQ(get("mhc_finite"), 1000);
    EXPECT_EQ(get("mic_finite"), 1000);
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

// With the correction on, half the individuals are heterozygous: the divisor
// is 1 - 0.5.
INSTANTIATE_TEST_SUITE_P(Correction, HandComputed,
                         ::testing::Values(HandCase{0, 2.5 / 6.5}, HandCase{1, 2.5 / 6.5 / 0.5}));

// Python's csv module with the tab dialect reads every field, and float()
// gives the same double as the table's text.
TEST(TableLoads, PythonCsvReadsTheSameValues) {
    if (!havetool("python3")) GTEST_SKIP() << "needs python3";
    for (const char* name : {"edge-codes", "all-heterozygous"}) {
        const std::string src = testdata(std::string("golden/") + name);
        TempDir dir;
        writefile(dir.file("MHCdata.txt"), readfile(src + "/MHCdata.txt"));
        writefile(dir.file("MICdata.txt"), readfile(src + "/MICdata.txt"));
        ASSERT_EQ(rungstboot(dir.path(), {"--seed", "9", "--table", "t.tsv"}).status, 0);
        writefile(dir.file("load.py"),
                  "import csv\n"
                  "with open('t.tsv', newline='') as f:\n"
                  "    for row in csv.DictReader(f, dialect='excel-tab'):\n"
                  "        print('\\t'.join(repr(float(v)) for v in row.values()))\n");
        const std::string cmd = "cd '" + dir.path() + "' && python3 load.py > py.txt";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const std::vector<Row> ours = parsetsv(readfile(dir.file("t.tsv")));
        const std::vector<Row> py = parsetsv(readfile(dir.file("py.txt")));
        ASSERT_EQ(py.size() + 1, ours.size());
        for (std::size_t k = 0; k < py.size(); ++k) {
            ASSERT_EQ(py[k].size(), ours[k + 1].size());
            for (std::size_t c = 0; c < py[k].size(); ++c) {
                std::string v = py[k][c];
                if (v == "nan") v = "NaN";
                if (v == "inf") v = "Inf";
                if (v == "-inf") v = "-Inf";
                EXPECT_TRUE(testutil::sameresult(value(v), value(ours[k + 1][c]))) << name << " " << ours[0][c] << ": " << v;
            }
        }
    }
}

}  // namespace
