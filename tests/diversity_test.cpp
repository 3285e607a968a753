// The diversity table against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "input/inputs.h"
#include "output/diversity.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

// A: 1/1 and 1/2 (N = 4, He = 4/3 (1 - 10/16) = 1/2, Ho = 1/2); B: 2/2, 2/2
// and 1/1 (N = 6, He = 6/5 (1 - 20/36) = 8/15, Ho = 0, FIS = 1). Richness at
// g = 4, the smaller N: A keeps both alleles; in B allele 1 (2 of 6 copies)
// is missed by 4 draws with probability 4/6 3/5 2/4 1/3 = 1/15, so 1 + 14/15.
// The MIC locus L1 repeats the MHC; L2 is untyped in B's first individual
// and B has one allele there (He 0 over 4 copies).
TEST(Diversity, HandWorkedValues) {
    TempDir dir;
    writefile(dir.file("mhc.gen"), "t\nDRB\nPop A\na1, 0101\na2, 0102\nPop B\nb1, 0202\nb2, 0202\nb3, 0101\n");
    writefile(dir.file("mic.gen"),
              "t\nL1, L2\nPop A\na1, 0101 0102\na2, 0102 0202\nPop B\nb1, 0202 0000\nb2, 0202 0303\nb3, 0101 0303\n");
    InputRequest request;
    request.paths = {dir.file("mhc.gen"), dir.file("mic.gen")};
    auto ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    readinputs(request, *ds, warnings);
    std::istringstream text(diversitytext(*ds));
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, "set\tpop\tname\tloci\tn\talleles\trichness\tho\the\tfis");
    struct Row {
        std::string set, name;
        double loci, n, alleles, richness, ho, he, fis;
    };
    // L2 in A: 1/2, 2/2 (He = 4/3 (1 - 10/16) = 1/2, Ho = 1/2); in B: 3/3 twice.
    const std::vector<Row> want = {
        {"mhc", "A", 1, 2, 2, 2, 0.5, 0.5, 0.0},
        {"mhc", "B", 1, 3, 2, 1.0 + 14.0 / 15.0, 0.0, 8.0 / 15.0, 1.0},
        {"mic", "A", 2, 2, 2, 2, 0.5, 0.5, 0.0},
        // L1 as the MHC's B; L2: n 2, one allele, richness 1, Ho 0, He 0.
        {"mic", "B", 2, 2.5, 1.5, (1.0 + 14.0 / 15.0 + 1.0) / 2.0, 0.0, 4.0 / 15.0, 1.0},
    };
    for (const Row& r : want) {
        ASSERT_TRUE(std::getline(text, line));
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
        ASSERT_EQ(cells.size(), 10u) << line;
        EXPECT_EQ(cells[0], r.set);
        EXPECT_EQ(cells[2], r.name);
        const double got[] = {std::strtod(cells[3].c_str(), nullptr), std::strtod(cells[4].c_str(), nullptr),
                              std::strtod(cells[5].c_str(), nullptr), std::strtod(cells[6].c_str(), nullptr),
                              std::strtod(cells[7].c_str(), nullptr), std::strtod(cells[8].c_str(), nullptr),
                              std::strtod(cells[9].c_str(), nullptr)};
        const double expected[] = {r.loci, r.n, r.alleles, r.richness, r.ho, r.he, r.fis};
        for (int k = 0; k < 7; ++k) EXPECT_NEAR(got[k], expected[k], 1e-12) << line << " column " << k + 3;
    }
    EXPECT_FALSE(std::getline(text, line));
}

}  // namespace
