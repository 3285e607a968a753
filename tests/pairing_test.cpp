// How the populations of the two files are paired: by shared individuals,
// by names (given, or taken from the one label of every individual), and by
// position only when the files say nothing either way.
#include <gtest/gtest.h>

#include <memory>

#include "common/error.h"
#include "input/inputs.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

// MHC: Is01 of one individual, Is02 of two; each MIC population below has a
// size of its own, so the sizes in the MHC file's order show the pairing.
const std::string kMhcLabels = "MHC\nDRB\nPop\nIs01, 0101\nPop\nIs02, 0102\nIs02, 0202\n";
const std::string kMhcNamed = "MHC\nDRB\nPop Is01\nx, 0101\nPop Is02\ny, 0102\nz, 0202\n";
const std::string kMhcIds = "population,individual,DRB_1,DRB_2\nNorth,a1,1,1\nSouth,b1,1,2\nSouth,b2,2,2\n";

struct Case {
    const char* what;
    std::string mhc, mic, popmap;  // popmap: the MIC set is a VCF file
    std::vector<int> micsizes;     // MIC sizes in the MHC file's order; empty: refused
    std::string expected;          // a line of the read report, or a part of the message
};

TEST(Pairing, FollowsWhatTheFilesSay) {
    const std::string vcf =
        "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4\ts5\n"
        "1\t1\t.\tA\tC\t.\t.\t.\tGT\t0/1\t0/0\t1/1\t0/1\t0/0\n";
    const std::vector<Case> cases = {
        {"named in another order", kMhcNamed, "MIC\nL1\nPop Is02\nq, 0101\nPop Is01\nr, 0102\ns, 0101\nt, 0202\n", "",
         {3, 1}, ""},
        {"one label per population, against names in another order", kMhcLabels,
         "MIC\nL1\nPop Is02\nq, 0101\nPop Is01\nr, 0102\ns, 0101\nt, 0202\n", "", {3, 1}, ""},
        {"one label per population, against a VCF map in another order", kMhcLabels, vcf,
         "s1\tIs02\ns2\tIs02\ns3\tIs01\ns4\tIs02\ns5\tIs01\n", {2, 3}, ""},
        {"shared individuals agreeing", kMhcIds,
         "population,individual,L1_1,L1_2\nP1,b2,1,2\nP1,b1,1,1\nP1,c9,2,2\nP2,a1,1,2\n", "", {1, 3},
         "populations paired by their shared individuals: 1 = 2 (North / P2), 2 = 1 (South / P1)"},
        {"shared individuals in two populations of the other file", kMhcIds,
         "population,individual,L1_1,L1_2\nP1,b2,1,2\nP2,a1,1,2\nP3,b1,1,1\n", "", {},
         "mhc.txt:4:1: individual 'b2' of population 'South' is in population 'P1' of"},
        {"shared individuals against the names", kMhcIds,
         "population,individual,L1_1,L1_2\nSouth,a1,1,2\nNorth,b1,1,1\nNorth,b2,2,2\n", "", {},
         "mhc.txt:2:1: population 'North' shares its individuals with 'South' of"},
        {"a population without shared individuals or a name to pair it", kMhcIds,
         "MIC\nL1\nPop\nb1, 0101\nb2, 0102\nPop\nzz, 0101\n", "", {},
         "mhc.txt:2:1: population 'North' shares no individual with"},
        {"labels that name nothing of the other file: by position", kMhcLabels,
         "MIC\nL1\nPop A\nr, 0102\nPop B\nq, 0101\ns, 0101\n", "", {1, 2},
         "populations paired by position: 1 = 1 (Is01 / A), 2 = 2 (Is02 / B)"},
        {"nothing to go on: by position", "MHC\nDRB\nPop\nm1, 0101\nPop\nm2, 0102\nm3, 0202\n",
         "MIC\nL1\nPop\nr, 0102\nPop\nq, 0101\ns, 0101\n", "", {1, 2},
         "populations paired by position: 1 = 1 (m1 / r), 2 = 2 (m2 / q)"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writefile(dir.file("mhc.txt"), c.mhc);
        writefile(dir.file("mic.txt"), c.mic);
        InputRequest request;
        request.paths = {dir.file("mhc.txt"), dir.file("mic.txt")};
        if (!c.popmap.empty()) {
            writefile(dir.file("pops.txt"), c.popmap);
            request.popmap = dir.file("pops.txt");
        }
        auto ds = std::make_unique<DataSet>();
        std::vector<std::string> warnings;
        ReadReport report;
        std::string error;
        try {
            readinputs(request, *ds, warnings, &report);
        } catch (const Error& e) {
            error = e.what();
            for (std::size_t at; (at = error.find(dir.path() + "/")) != std::string::npos;) error.erase(at, dir.path().size() + 1);
        }
        if (c.micsizes.empty()) {
            EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << ": " << error;
            continue;
        }
        ASSERT_EQ(error, "") << c.what;
        std::vector<int> sizes;
        for (int p = 0; p < ds->npop; ++p) sizes.push_back(ds->nmic[p]);
        EXPECT_EQ(sizes, c.micsizes) << c.what;
        std::string shown;
        for (const std::string& line : report.lines) {
            if (line.rfind("populations paired", 0) == 0) shown = line;
        }
        EXPECT_EQ(shown, c.expected) << c.what;
    }
}

}  // namespace
