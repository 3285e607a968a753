// The readers of GENEPOP files and tables, in-process: what they refuse,
// word for word with the place, and what they make of missing genotypes,
// allele labels and population names.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "common/error.h"
#include "data/inputs.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

struct Outcome {
    std::unique_ptr<DataSet> ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    std::string error;  // "" when both files read
};

// The two texts as files mhc.txt and mic.txt, read with readinputs.
Outcome readtexts(const std::string& mhc, const std::string& mic, InputRequest request = {}) {
    TempDir dir;
    writefile(dir.file("mhc.txt"), mhc);
    writefile(dir.file("mic.txt"), mic);
    request.paths = {dir.file("mhc.txt"), dir.file("mic.txt")};
    Outcome o;
    try {
        readinputs(request, *o.ds, o.warnings);
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::input);
        o.error = e.what();
        // Messages name the file as given; the folder is of no interest here.
        for (std::size_t at; (at = o.error.find(dir.path() + "/")) != std::string::npos;)
            o.error.erase(at, dir.path().size() + 1);
    }
    return o;
}

const std::string kMhcGen = "MHC\nDRB\nPop\nA, 0101\nA, 0102\nPop\nB, 0203\n";
const std::string kMicGen = "MIC\nL1,L2\nPop\nA, 0101 0202\nPop\nB, 0102 0303\n";
const std::string kMicTab = "population,individual,L1_1,L1_2\nA,a,1,2\nB,b,3,4\n";

TEST(Formats, BadInputs) {
    const Format g = Format::genepop, t = Format::table, a = Format::automatic;
    // The named formats' one limit: MHC copies.
    std::string widemhc = "population,individual";
    for (int c = 1; c <= 66; ++c) widemhc += ",c" + std::to_string(c);
    struct Case {
        std::string mhc, mic;
        Format micformat;
        std::string expect;
    };
    const std::vector<Case> cases = {
        {kMhcGen, "t\nL1,L2\nPop\nA, 0101 020202\n", a,
         "mic.txt:4:9: expected a genotype of 4 digits like the first one (at 4:4), but '020202' has 6"},
        {kMhcGen, "t\nL1,L2\nPop\nA, 010 0202\n", a,
         "mic.txt:4:4: expected a genotype of 4 or 6 digits (2 or 3 per allele), but '010' has an odd number of digits (3)"},
        {kMhcGen, "t\nL1\nPop\nA, 01010101\n", a, "mic.txt:4:4: expected a genotype of 4 or 6 digits (2 or 3 per allele), but '01010101' has 8"},
        {kMhcGen, "t\nL1,L2\nPop\nA, 01x1 0202\n", a, "mic.txt:4:4: expected a genotype of 4 or 6 digits (2 or 3 per allele), but '01x1' has a character that is not a digit"},
        {kMhcGen, "\xEF\xBB\xBFt\r\nL1\r\nPop\r\nA,\t01x1\r\n", a, "mic.txt:4:4: expected a genotype of"},
        {kMhcGen, "t\nL1,L2\nPop\n  A 0101 0202\n", a, "mic.txt:4:3: expected an individual as 'label, genotypes', but the line has no ','"},
        {kMhcGen, "t\nL1,L2\nPop\nA, 0101\n", a, "mic.txt:4:8: expected 2 genotypes (one per locus), but the line ends after 1"},
        {kMhcGen, "t\nL1,L2\nPop\nA, 0101 0202 0303\n", a, "mic.txt:4:14: expected 2 genotypes (one per locus), but '0303' is genotype 3"},
        {kMhcGen, "t\nL1\nL2\n\n", g, "mic.txt:3:3: the file ends without a 'Pop' line: expected one after the locus names"},
        {kMhcGen, "t\nL1\nL2\n", a, "mic.txt:1:1: cannot tell the format of this file: its first value 't' is not a decimal integer"},
        {kMhcGen, "t\nL1,,L2\nPop\nA, 0101 0202\n", a, "mic.txt:2:4: expected a locus name"},
        {kMhcGen, "t\nL1\nL1\nPop\nA, 0101 0202\n", a, "mic.txt:3:1: locus name 'L1' is given twice (first at 2:1)"},
        {kMhcGen, "t\nL1\nPop\npop\nA, 0101\n", a, "mic.txt:3:1: expected individuals after this 'Pop' line, but population 1 has none"},
        {kMhcGen, "t\nL1\nPop\nA, 0101\nPop\n A , 0202\n", a,
         "mic.txt:6:2: population name 'A' (the label of its first individual) is that of the population at line 4 already"},
        {kMhcGen, "t\nL1\nPop\n , 0101\n", a, "mic.txt:4:2: expected a label before ','"},
        {"t\nDRB\nDQA\nPop\nA, 0101\n", kMicGen, a, "mhc.txt:3:1: an MHC GENEPOP file has one locus (its two alleles are the two copies), but 'DQA' names a second"},
        {kMhcGen, "5\nL1\nPop\nA, 0101\n", a,
         "mic.txt:1:1: cannot tell the format of this file: its first value '5' is a decimal integer as in the legacy layout, "
         "but line 3 reads 'Pop' as in GENEPOP; the format is legacy when"},
        {kMhcGen, "pop,ind,L_1,L_2\nA,a,1,2\n", t, "mic.txt:1:1: expected a column named 'population' in the header row, but it has none"},
        {kMhcGen, "population,ind,L_1,L_2\nA,a,1,2\n", t, "mic.txt:1:1: expected a column named 'individual' in the header row, but it has none"},
        {kMhcGen, "population,individual,Population,L_1,L_2\n", a, "mic.txt:1:23: expected one column named 'Population', but the header row has a second"},
        {kMhcGen, "population,individual,L_1,L_2,M_1\n", a, "mic.txt:1:31: expected two allele columns per locus, but the header has 3 allele columns: 'M_1' has no partner"},
        {kMhcGen, "population,individual,L_1,M_2\n", a, "mic.txt:1:27: expected the second allele column of locus 'L' (from 'L_1'), but 'M_2' names locus 'M'"},
        {kMhcGen, "population\tindividual\tL\tL.1\nA\ta\t1\n", a, "mic.txt:2:6: expected 4 cells, as in the header row, but the row has 3"},
        {kMhcGen, kMicTab + "A,a,1,2,3\n", a, "mic.txt:4:9: expected 4 cells, as in the header row, but the row has 5"},
        {kMhcGen, kMicTab + "\"A,a,1,2\n", a, "mic.txt:4:1: expected '\"' to close the quoted cell that begins here"},
        {kMhcGen, kMicTab + " ,a,1,2\n", a, "mic.txt:4:2: expected a population name, but the cell is empty"},
        {kMhcGen, "population,individual,L_1,L_2\n\n", a, "mic.txt:1:30: the file ends after its header row"},
        {kMhcGen, kMicTab + "C,c,1,1\nD,d,1,1\n", a,
         "mic.txt:4:1: population 'C' is not in mhc.txt (populations found in mic.txt only: 'C', 'D')"},
        {kMhcGen, "population,individual,L_1,L_2\nA,a,1,2\n", a,
         "mhc.txt:7:1: population 'B' is not in mic.txt (populations found in mhc.txt only: 'B')"},
        {"1 2 0 1\n1\n1 2\n", kMicGen, a,
         "mic.txt:6:1: population 2, 'B', has no counterpart in mhc.txt, a legacy file, matched by position, that holds 1 population"},
        {"3 2 0 1\n1 1 1\n1 2 1 2 1 2\n", kMicGen, a, "mic.txt:6:13: the file ends after 2 populations, but mhc.txt, a legacy file matched by position, holds 3"},
        {widemhc + "\n", kMicGen, a,
         "mhc.txt:1:" + std::to_string(widemhc.find("c65") + 1) +
             ": column 'c65' is MHC copy 65, beyond the limit of 64 copies; the header has 66 allele columns"},
    };
    for (const Case& c : cases) {
        InputRequest request;
        request.micformat = c.micformat;
        Outcome o = readtexts(c.mhc, c.mic, request);
        EXPECT_NE(o.error.find(c.expect), std::string::npos) << "expected: " << c.expect << "\ngot: " << o.error;
        EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
    }
}

TEST(Formats, MissingGenotypes) {
    // MIC: an untyped genotype, and two with one allele missing (counted as
    // untyped); MHC: individuals with a missing copy are left out.
    const std::string mic = "MIC\nL1, L2\nPop\nA, 0101 0000\nA, 0100 0203\nPop\nB, 0203 0003\n";
    const std::string mhc = "population\tindividual\tc1\tc2\tc3\n"
                            "A\ta1\t5\t6\t7\nA\ta2\tNA\t6\t7\nB\tb1\t5\t\t5\nB\tb2\t7\t7\t7\nA\ta3\t6\t6\t5\n";
    Outcome o = readtexts(mhc, mic);
    ASSERT_EQ(o.error, "");
    const DataSet& ds = *o.ds;
    EXPECT_TRUE(ds.micmissing);
    EXPECT_EQ(ds.nmic[0], 2);
    const std::int32_t m = MISSING;
    const std::int32_t a1[2][2] = {{0, 0}, {m, m}}, a2[2][2] = {{m, m}, {0, 1}}, b1[2][2] = {{1, 2}, {m, m}};
    EXPECT_EQ(std::memcmp(ds.mic[0][0], a1, sizeof a1), 0);
    EXPECT_EQ(std::memcmp(ds.mic[0][1], a2, sizeof a2), 0);
    EXPECT_EQ(std::memcmp(ds.mic[1][0], b1, sizeof b1), 0);
    // Locus 1 carries 01, 02, 03; locus 2 02 and 03; MISSING is never
    // present. Each row has room for its own codes alone.
    const std::int32_t present[2][3] = {{1, 1, 1}, {1, 1, 0}};
    ASSERT_EQ(ds.present.width(1), 3);
    ASSERT_EQ(ds.present.width(2), 2);
    EXPECT_EQ(std::memcmp(ds.present[1], present[0], 3 * sizeof(std::int32_t)), 0);
    EXPECT_EQ(std::memcmp(ds.present[2], present[1], 2 * sizeof(std::int32_t)), 0);
    EXPECT_EQ(ds.mhccopies, 3);
    EXPECT_EQ(ds.nmhc[0], 2);  // a1, a3
    EXPECT_EQ(ds.nmhc[1], 1);  // b2
    const std::int32_t a3[3] = {1, 1, 0}, b2[3] = {2, 2, 2};
    EXPECT_EQ(std::memcmp(ds.mhc[0][1], a3, sizeof a3), 0);
    EXPECT_EQ(std::memcmp(ds.mhc[1][0], b2, sizeof b2), 0);
    ASSERT_EQ(o.warnings.size(), 2u);
    EXPECT_NE(o.warnings[0].find("mhc.txt: warning: MHC individuals with a missing copy are left out of the MHC set: "
                                 "1 of 3 in 'A', 1 of 2 in 'B'"),
              std::string::npos)
        << o.warnings[0];
    EXPECT_NE(o.warnings[1].find("mic.txt: warning: 2 genotypes have one allele missing and are counted as missing altogether"),
              std::string::npos)
        << o.warnings[1];
    // Complete data says so.
    EXPECT_FALSE(readtexts(kMhcGen, kMicGen).ds->micmissing);
}

TEST(Formats, LabelsCodedInAscendingOrder) {
    // By number where every label of the row is a number (99 < 400 < 1000,
    // sizes above 350 included), else by text: "12" < "DRB*0101" < "DRB*0301".
    const std::string mhc = "population,individual,a,b\nA,x,400,1000\nA,y,99,400\nB,z,1000,0400\n";
    const std::string mic = "population,individual,DRB_1,DRB_2,L.1,L.2\n"
                            "A,x,DRB*0301,12,7,7\nB,y,DRB*0101,DRB*0301,7,7\nA,z,12,12,7,7\n";
    Outcome o = readtexts(mhc, mic);
    ASSERT_EQ(o.error, "");
    const DataSet& ds = *o.ds;
    // 99, 0400, 400 (equal values: by text), 1000
    const std::int32_t want[3][2] = {{2, 3}, {0, 2}, {3, 1}};
    EXPECT_EQ(ds.mhc[0][0][0], want[0][0]);
    EXPECT_EQ(ds.mhc[0][0][1], want[0][1]);
    EXPECT_EQ(ds.mhc[0][1][0], want[1][0]);
    EXPECT_EQ(ds.mhc[0][1][1], want[1][1]);
    EXPECT_EQ(ds.mhc[1][0][0], want[2][0]);
    EXPECT_EQ(ds.mhc[1][0][1], want[2][1]);
    EXPECT_EQ(ds.mic[0][0][0][0], 2);
    EXPECT_EQ(ds.mic[0][0][0][1], 0);
    EXPECT_EQ(ds.mic[1][0][0][0], 1);
    EXPECT_EQ(ds.mic[0][1][0][0], 0);
    EXPECT_EQ(ds.mic[0][1][1][0], 0);  // locus L: its one label
    EXPECT_EQ(ds.nloci, 2);
    EXPECT_EQ(ds.locusnames, (std::vector<std::string>{"DRB", "L"}));
    EXPECT_EQ(ds.nmic[0], 2);
}

TEST(Formats, PopulationsMatchedByName) {
    // MHC order B, A, C (rows mixed); MIC order C, A, B: numbered as in the MHC file.
    const std::string mhc = "individual,population,c1,c2\nb1,B,1,1\na1,A,2,2\nb2,B,1,2\nc1,C,3,3\n";
    const std::string mic = "t\nL\nPop\nC, 0303\nPop\nA, 0202\nA, 0101\nPop\nB, 0102\n";
    Outcome o = readtexts(mhc, mic);
    ASSERT_EQ(o.error, "");
    const DataSet& ds = *o.ds;
    EXPECT_EQ(ds.popnames, (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(ds.npop, 3);
    EXPECT_EQ(ds.nmhc, (std::vector<std::int32_t>{2, 1, 1}));
    EXPECT_EQ(ds.nmic, (std::vector<std::int32_t>{1, 2, 1}));
    EXPECT_EQ(ds.mhc[0][1][1], 1);  // b2's second copy: label 2
    EXPECT_EQ(ds.mic[0][0][0][1], 1);
    EXPECT_EQ(ds.mic[1][1][0][0], 0);
    EXPECT_EQ(ds.mic[2][0][0][0], 2);
    // A legacy MHC file is matched by position and names nothing; the names
    // then come from the MIC file.
    o = readtexts("3 1 0 1\n1 1 1\n1 2 3\n", mic);
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.ds->popnames, (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(o.ds->nmic[1], 2);
}

TEST(Formats, SettingsAndDetection) {
    const std::string mhcleg = "2 2 7 1\n1 1\n1 2 3 4\n", micleg = "1 0 1\n1 1\n1 2 3 4\n";
    struct Case {
        std::string mhc, mic;
        std::optional<bool> correction;
        std::optional<Resampling> resample;
        std::string settings;
    };
    const std::vector<Case> cases = {
        {mhcleg, micleg, {}, {}, "correction off, resampling mhc,loci"},  // 7 is not 1
        {mhcleg, micleg, true, Resampling{false, true, true}, "correction on, resampling mic,loci"},
        {kMhcGen, kMicGen, {}, {}, "correction off, resampling mhc,mic"},
        {kMhcGen, micleg, {}, {}, "correction off, resampling mhc,loci"},
        {kMhcGen, kMicTab, true, Resampling{false, false, false}, "correction on, resampling none"},
    };
    for (const Case& c : cases) {
        InputRequest request;
        request.correction = c.correction;
        request.resample = c.resample;
        Outcome o = readtexts(c.mhc, c.mic, request);
        ASSERT_EQ(o.error, "");
        EXPECT_EQ(describesettings(*o.ds), c.settings);
    }
    auto ds = std::move(readtexts(mhcleg, micleg).ds);
    EXPECT_FALSE(ds->settings.corrflag);  // 7 is not 1
    // A GENEPOP title that is a number is ambiguous with the legacy layout
    // until the format is named.
    InputRequest request;
    request.micformat = Format::genepop;
    Outcome o = readtexts(kMhcGen, "2024\nL\nPop\nA, 0101\nPop\nB, 0202\n", request);
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.ds->nloci, 1);
    // Quoted cells, CR LF, a byte-order mark and trailing blank rows.
    o = readtexts("\xEF\xBB\xBF\"population\",\"individual\",\"DRB 1\",\"DRB 2\"\r\n\"A\",\"x\",\"1\",\"2\"\r\n"
                  "\"B\",\"y, z\",\"a \"\"b\"\"\",1\r\n,,,\r\n\r\n",
                  kMicGen);
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.ds->popnames, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(o.ds->mhc[1][0][0], 2);  // 'a "b"' after 1 and 2
}

TEST(Formats, GenepopExampleReads) {
    const std::string folder = testutil::testdata("../../examples/genepop");
    InputRequest request;
    request.paths = {folder + "/MHCdata.gen", folder + "/MICdata.gen"};
    auto ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    readinputs(request, *ds, warnings);
    EXPECT_EQ(ds->npop, 6);
    EXPECT_EQ(ds->popnames[3], "Starnberger See");
    EXPECT_EQ(ds->mhccopies, 2);
    EXPECT_EQ(ds->nloci, 6);
    EXPECT_TRUE(ds->micmissing);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("2 genotypes have one allele missing"), std::string::npos) << warnings[0];
}

}  // namespace
