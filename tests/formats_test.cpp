// The readers of GENEPOP files and tables, in-process: what they refuse,
// word for word with the place, and what they make of missing genotypes,
// allele labels and population names.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "common/error.h"
#include "input/inputs.h"
#include "input/missing.h"
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

const std::string kMhcGen = "MHC\nDRB\nPop A\nA, 0101\nA, 0102\nPop, B\nB, 0203\n";
const std::string kMicGen = "MIC\nL1,L2\nPop\nA, 0101 0202\nPop\nB, 0102 0303\n";
const std::string kMicTab = "population,individual,L1_1,L1_2\nA,a,1,2\nB,b,3,4\n";

// UTF-16 with its byte-order mark, from ASCII text.
std::string utf16(const std::string& text, bool bigendian) {
    std::string out = bigendian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) out += bigendian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

TEST(Formats, BadInputs) {
    const Format g = Format::genepop, t = Format::table, a = Format::automatic;
    const Format genalex = Format::genalex, structure = Format::structure;
    // The named formats' one limit: MHC copies.
    std::string widemhc = "population,individual";
    for (int c = 1; c <= 66; ++c) widemhc += ",c" + std::to_string(c);
    std::string wideone = "1";
    for (int c = 2; c <= 33; ++c) wideone += "/" + std::to_string(c);
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
        {kMhcGen, "t\nL1\nPop A\nx, 0101\nPOP  A\nx, 0202\n", a,
         "mic.txt:5:6: population name 'A' is that of the population at line 3 already"},
        {kMhcGen, "t\nL1\nPop\n , 0101\n", a, "mic.txt:4:2: expected a label before ','"},
        {"t\nDRB\nDQA\nPop\nA, 0101\n", kMicGen, a, "mhc.txt:5:8: expected 2 genotypes (one per locus), but the line ends after 1"},
        {kMhcGen, "5\nL1\nPop\nA, 0101\n", a,
         "mic.txt:1:1: cannot tell the format of this file: its first value '5' is a decimal integer as in the legacy layout, "
         "but line 3 reads 'Pop' as in GENEPOP; the format is legacy when"},
        {kMhcGen, "popul,ind,L_1,L_2\nA,a,1,2\n", t, "mic.txt:1:1: expected a column named 'population' (or 'pop') in the header row, but it has none"},
        {kMhcGen, "pop;name;L_1;L_2\nA;a;1;2\n", t, "mic.txt:1:1: expected a column named 'individual' (or 'ind', 'sample', 'id') in the header row, but it has none"},
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
        {kMhcGen, "population,individual,L_1,L_2\nA,a,1,2\nC,c,1,1\n", a,
         "mic.txt:3:1: population 'C' is not in mhc.txt (populations found in mic.txt only: 'C'; in mhc.txt only: 'B')"},
        {"1 2 0 1\n1\n1 2\n", kMicGen, a,
         "mic.txt:6:1: population 2, 'B', has no counterpart in mhc.txt, a legacy file, matched by position, that holds 1 population"},
        {"t\nDRB\nPop\nx, 0101\n", kMicGen, a,
         "mic.txt:6:1: population 2, 'B', has no counterpart in mhc.txt, which holds 1; the files are matched by position, since the names mhc.txt and mic.txt take from their individuals' labels have none in common"},
        {"3 2 0 1\n1 1 1\n1 2 1 2 1 2\n", kMicGen, a, "mic.txt:6:13: the file ends after 2 populations, but mhc.txt, a legacy file matched by position, holds 3"},
        {widemhc + "\n", kMicGen, a,
         "mhc.txt:1:" + std::to_string(widemhc.find("c65") + 1) +
             ": column 'c65' is MHC copy 65, beyond the limit of 64 copies; the header has 66 allele columns"},
        // Names: control characters at their place (C0, and C1 in UTF-8).
        {kMhcGen, "population,individual,L_1,L_2\nA\x1B[2J,a,1,2\n", a,
         "mic.txt:2:2: expected a population name without control characters, but 'A\\x1B[2J' holds U+001B"},
        {kMhcGen, "t\nL1\nPop Ch\xC2\x85iemsee\nx, 0101\n", a,
         "mic.txt:3:7: expected a population name without control characters, but 'Ch\\xC2\\x85iemsee' holds U+0085"},
        {kMhcGen, "t\nL\x07\nPop A\nx, 0101\n", a, "mic.txt:2:2: expected a locus name without control characters"},
        // One-cell genotypes: the first row of data sets the layout.
        {kMhcGen, "population,individual,L1,L2\nA,a,1/2,3/4\nB,b,1/2,3\n", a,
         "mic.txt:3:9: expected 2 alleles in one cell separated by '/' or '|', as in row 2, the first of the file, but '3' holds 1"},
        {kMhcGen, "population,individual,L_1,L_2\nA,a,1,2\nB,b,1/2,NA\n", a,
         "mic.txt:3:5: expected one allele per cell, as in row 2, the first of the file, but '1/2' holds several"},
        {"population,individual,DRB,DRB\nA,a," + wideone + "," + wideone + "\n", kMicGen, a,
         "mhc.txt:1:27: column 'DRB' holds MHC copies 34 to 66, beyond the limit of 64 copies; the header has 2 allele columns of 33 copies each"},
        // GenAlEx: the sizes of its first row hold.
        {kMhcGen, "1,2,2,1,1\nt,,,A,B\ns,p,L,\na1,A,1,2\na2,A,1,2\n", a,
         "mic.txt:5:1: sample 2 of population 'A' is beyond its size in row 1, 1 (at 1:7)"},
        {kMhcGen, "1,3,2,1,2\nt,,,A,B\ns,p,L,\na1,A,1,2\nb1,B,1,2\n", a,
         "mic.txt:5:9: the file ends after 1 sample of population 'B', but row 1 gives it 2 (at 1:9)"},
        {kMhcGen, "1,2,2,1,1\nt,,,A,B\ns,p,L,\na1,C,1,2\n", genalex, "mic.txt:4:4: expected a population named in the second row, but 'C' is not one"},
        {kMhcGen, "1,2,2,1,1\nt,,,A\ns,p,L,\n", genalex, "mic.txt:2:6: expected the name of population 2 of 2 in GenAlEx's second row (column 5), but found none"},
        // STRUCTURE: rows that do not pair, alleles that do not fill loci.
        {kMhcGen, "a1 1 1 2\na1 1 3 4\na2 1 1 2\nb1 2 1 1\n", structure,
         "mic.txt:4:1: expected the second row of 'a2' (population '1'), but the row is of 'b1' (population '2')"},
        {kMhcGen, "a1 1 1 2 3\nb1 2 1 2 3\n", structure, "mic.txt:1:10: expected two alleles per locus, but the row has 3"},
        // Encodings and lines: UTF-16 needs its mark; no line is longer than 1 MiB.
        {utf16("1 2 0 1\n1\n1 2\n", true), kMicGen, a,
         "mhc.txt:1:1: the file is UTF-16, in which the legacy layout is not read; save it as UTF-8 or plain text"},
        {kMhcGen, utf16("population,individual,L_1,L_2\nA,a,1,2\n", false).substr(2), a,
         "mic.txt:1:1: cannot tell the format of this file: its first value 'p\\x00o\\x00p"},
        {kMhcGen, "population,individual,L_1,L_2\nA,a,1,2\n" + std::string((1 << 20) + 1, 'x') + "\n", a,
         "mic.txt:3:1: line 3 is longer than 1048576 bytes, more than any line of a GENEPOP file or a table holds"},
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
                            "A,u,DRB*0301,12,7,7\nB,v,DRB*0101,DRB*0301,7,7\nA,w,12,12,7,7\n";
    Outcome o = readtexts(mhc, mic);
    ASSERT_EQ(o.error, "");
    const DataSet& ds = *o.ds;
    // 99, 400 (and 0400, the same allele), 1000
    const std::int32_t want[3][2] = {{1, 2}, {0, 1}, {2, 1}};
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
    const std::string mic = "t\nL\nPop C\nc1, 0303\nPop A\nc1, 0202\nc2, 0101\nPop B\nc1, 0102\n";
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
        {"2\t2\t7\t1\n1 1\n1 2 3 4\n", micleg, {}, {}, "correction off, resampling mhc,loci"},  // not GenAlEx
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

TEST(Formats, DialectsOfOneMicSet) {
    // A: a1 (96 100, untyped), a2 (100 100, 101 102); B: b1 (96 96, 102 102).
    const std::string canonical = "t\nL1, L2\nPop A\na1, 096100 000000\na2, 100100 101102\nPop B\nb1, 096096 102102\n";
    const std::vector<std::pair<std::string, std::string>> dialects = {
        {"zeros, numbers by value", "population,individual,L1_1,L1_2,L2_1,L2_2\nA,a1,096,100,0,000\nA,a2,100,100,101,102\nB,b1,96,096,102,102\n"},
        {"semicolons, CR, trailing empty columns", "Pop;Ind;L1.a;L1.b;L2.a;L2.b;;\rA;a1;96;100;?;?;;\rA;a2;100;100;101;102;;\r;;;;;;;\rB;b1;96;96;102;102;;\r"},
        {"tabs, one cell, NA", utf16("sample\tpop\tL1\tL2\r\na1\tA\t96/100\tNA\r\na2\tA\t100/100\t101/102\r\nb1\tB\t96/96\t102/102\r\n", false)},
        {"UTF-16 BE, '|', -9", utf16("id,population,L1,L2\na1,A,96|100,-9|-9\na2,A,100|100,101|102\nb1,B,96|96,102|102\n", true)},
        {"N/A, NaN, na and . ", "\xEF\xBB\xBFind,pop,L1 1,L1 2,L2 1,L2 2\na1,A,96,100,N/A,NaN\na2,A,100,100,101,102\nb1,B,96,96,102,102\n"},
        {"GenAlEx", "2,3,2,2,1\ntitle,,,A,B\nSample,Pop,L1,,L2,\na1,A,96,100,0,0\na2,A,100,100,101,102\nb1,B,96,96,102,102\n"},
        {"STRUCTURE, one row", "L1 L2\na1 A 96 100 -9 -9\na2 A 100 100 101 102\nb1 B 96 96 102 102\n"},
        {"STRUCTURE, two rows", "a1 A 96 -9\na1 A 100 -9\na2 A 100 101\na2 A 100 102\nb1 B 96 102\nb1 B 96 102\n"},
        {"GENEPOP, wrapped loci, named Pop lines", "t\r\nL1,\r\nL2\r\nPOP, A\r\nx, 096100 000000\r\nx, 100100 101102\r\npop B\r\nx, 096096 102102\r\n"},
    };
    const Outcome want = readtexts(kMhcGen, canonical);
    ASSERT_EQ(want.error, "");
    for (const auto& [what, text] : dialects) {
        const Outcome o = readtexts(kMhcGen, text);
        ASSERT_EQ(o.error, "") << what;
        EXPECT_EQ(o.ds->popnames, want.ds->popnames) << what;
        EXPECT_EQ(o.ds->locusnames, want.ds->locusnames) << what;
        EXPECT_EQ(o.ds->micmissing, true) << what;
        for (int p = 0; p < 2; ++p) {
            ASSERT_EQ(o.ds->nmic[p], want.ds->nmic[p]) << what;
            for (int i = 0; i < o.ds->nmic[p]; ++i)
                for (int l = 0; l < o.ds->nloci; ++l)
                    EXPECT_EQ(o.ds->mic[p][i][l], want.ds->mic[p][i][l]) << what << ", population " << p + 1;
        }
    }
    // --missing replaces the codes: 0 is then an allele.
    InputRequest request;
    request.missing = MissingCodes({"NA"});
    Outcome o = readtexts(kMhcGen, "population,individual,L_1,L_2\nA,a1,0,x\nA,a2,NA,\nB,b1,0,0\n", request);
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.ds->mic[0][0][0][0], 0);
    EXPECT_EQ(o.ds->mic[0][0][0][1], 1);
    EXPECT_EQ(o.ds->mic[0][1][0][0], MISSING);  // NA, and the empty cell
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
