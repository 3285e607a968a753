// The mistakes users make with their files, each read right or refused at
// its place: MHC files of several loci, swapped files, missing codes,
// STRUCTURE's extra columns and doubled headers; and the legacy reader and
// the population map at the edges of what they take.
#include <gtest/gtest.h>

#include <memory>

#include "common/error.h"
#include "input/inputs.h"
#include "input/tokens.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

// What a data set holds, as text, so that two reads compare at a glance.
std::string contents(const DataSet& ds) {
    std::string s = "npop " + std::to_string(ds.npop) + ", copies " + std::to_string(ds.mhccopies) + " of " +
                    std::to_string(ds.mhcloci) + " MHC loci, loci " + std::to_string(ds.nloci) +
                    (ds.micmissing ? ", missing" : "") + "\n";
    for (std::int32_t first : ds.mhcfirst) s += std::to_string(first) + " ";
    for (const std::string& name : ds.popnames) s += name + " ";
    for (const std::string& name : ds.locusnames) s += name + " ";
    for (int p = 0; p < ds.npop; ++p) {
        s += "\nMHC";
        for (int i = 0; i < ds.nmhc[p]; ++i)
            for (int c = 0; c < ds.mhcloci * ds.mhccopies; ++c) s += " " + std::to_string(ds.mhc[p][i][c]);
        s += "\nMIC";
        for (int i = 0; i < ds.nmic[p]; ++i)
            for (int l = 0; l < ds.nloci; ++l) s += " " + std::to_string(ds.mic[p][i][l][0]) + "/" + std::to_string(ds.mic[p][i][l][1]);
    }
    return s;
}

struct Read {
    std::string error;  // "" when the files read
    std::string data;   // contents() when they did
    std::vector<std::string> warnings;
};

// The texts as files (the MIC one named `micname`), read with readinputs.
Read readtexts(const std::string& mhc, const std::string& mic, InputRequest request = {},
               const std::string& micname = "mic.txt", const std::string& popmap = "") {
    TempDir dir;
    writefile(dir.file("mhc.txt"), mhc);
    writefile(dir.file(micname), mic);
    request.paths = {dir.file("mhc.txt"), dir.file(micname)};
    if (!popmap.empty()) {
        writefile(dir.file("pops.tsv"), popmap);
        request.popmap = dir.file("pops.tsv");
    }
    Read r;
    auto ds = std::make_unique<DataSet>();
    try {
        readinputs(request, *ds, r.warnings);
        r.data = contents(*ds);
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::input);
        r.error = e.what();
        for (std::size_t at; (at = r.error.find(dir.path() + "/")) != std::string::npos;) r.error.erase(at, dir.path().size() + 1);
    }
    for (std::string& w : r.warnings)
        for (std::size_t at; (at = w.find(dir.path() + "/")) != std::string::npos;) w.erase(at, dir.path().size() + 1);
    return r;
}

// A MIC GENEPOP file of three loci, and an MHC one of one, of populations A and B.
const std::string kMic = "t\nL1, L2, L3\nPop A\na1, 0101 0202 0102\na2, 0202 0101 0303\nPop B\nb1, 0102 0303 0101\n";
const std::string kMhc = "t\nDRB\nPop A\na1, 0102\na2, 0303\nPop B\nb1, 0201\n";

// The same MIC set as a STRUCTURE file: one row per individual, `extra`
// between the population and the alleles; populations 1 and 2 (the MHC
// file then names them so).
std::string structure(const std::string& header, const std::string& a1, const std::string& a2, const std::string& b1) {
    return header + "a1 1 " + a1 + "1 1 2 2 1 2\na2 1 " + a2 + "2 2 1 1 3 3\nb1 2 " + b1 + "1 2 3 3 1 1\n";
}
std::string tworows(const std::string& extra) {
    return "L1 L2 L3\na1 1 " + extra + "1 2 1\na1 1 " + extra + "1 2 2\na2 1 " + extra + "2 1 3\na2 1 " + extra +
           "2 1 3\nb1 2 " + extra + "1 3 1\nb1 2 " + extra + "2 3 1\n";
}
const std::string kMhcNumbered = "t\nDRB\nPop 1\na1, 0102\na2, 0303\nPop 2\nb1, 0201\n";

TEST(Mistakes, ReadRightOrRefusedAtTheirPlace) {
    const std::string twoloci = "population,individual,INRA63_1,INRA63_2,INRA5_1,INRA5_2\nA,a1,1,2,7,8\nA,a2,3,3,7,7\nB,b1,2,1,8,9\n";
    const std::string inra5 = "population,individual,INRA5_1,INRA5_2\nA,a1,7,8\nA,a2,7,7\nB,b1,8,9\n";
    const std::string copies = "population,individual,c1,c2,c3,c4\nA,a1,1,2,7,8\nA,a2,3,3,7,7\nB,b1,2,1,8,9\n";
    const std::string genalex2 = "2,3,2,2,1\nt,,,A,B\ns,p,DRB,,DQA,\na1,A,1,2,7,8\na2,A,3,3,7,7\nb1,B,2,1,8,9\n";
    const std::string genalexdqa = "1,3,2,2,1\nt,,,A,B\ns,p,DQA,\na1,A,7,8\na2,A,7,7\nb1,B,8,9\n";
    const std::string plain = structure("L1 L2 L3\n", "", "", "");
    const std::string drbdqa = "population,individual,DRB_1,DRB_2,DQA_1,DQA_2\nA,a1,1,2,7,8\nA,a2,3,3,7,7\nB,b1,2,1,8,9\n";
    const std::string micna = "population,individual,L_1,L_2\nA,a1,NA,NA\nA,a2,5,6\nB,b1,5,NA\n";
    struct Case {
        std::string what, mhc, mic, pick;
        std::string expect;  // a message, or "=" and the texts of the same data set (MHC then MIC)
        std::string samemhc = {}, samemic = {};
    };
    const std::vector<Case> cases = {
        // MHC loci: read as loci, never pooled; picked by name; told from copies as the MIC set's are.
        {"two loci", twoloci, kMic, "", "=", "t\nINRA63, INRA5\nPop A\na1, 0102 0708\na2, 0303 0707\nPop B\nb1, 0201 0809\n", kMic},
        {"two loci, one picked", twoloci, kMic, "INRA5", "=", inra5, kMic},
        {"an unknown pick", twoloci, kMic, "DQA", "mhc.txt:1:23: --mhc-locus names 'DQA', but the header names 'INRA63' and 'INRA5': name one of them"},
        {"a pick where no locus is named", copies, kMic, "c1", "mhc.txt:1:23: --mhc-locus names 'c1', but the header names no locus"},
        {"a pick in a legacy file", "1 1 0 1\n1\n5\n", kMic, "DRB", "mhc.txt:1:1: --mhc-locus names 'DRB', but the file is in the legacy layout"},
        {"one gene, DRB_1..DRB_4", "population,individual,DRB_1,DRB_2,DRB_3,DRB.4\nA,a1,1,2,7,8\nA,a2,3,3,7,7\nB,b1,2,1,8,9\n", kMic, "", "=", copies, kMic},
        {"one gene, DRB repeated", "population,individual,DRB,DRB,DRB,DRB\nA,a1,1,2,7,8\nA,a2,3,3,7,7\nB,b1,2,1,8,9\n", kMic, "DRB", "=", copies, kMic},
        {"one-cell columns are loci", "population,individual,DRB,DQA\nA,a1,1/2,7/8\nA,a2,3/3,7/7\nB,b1,2/1,8/9\n", kMic, "", "=", drbdqa, kMic},
        {"GenAlEx of two loci", genalex2, kMic, "", "=", drbdqa, kMic},
        {"loci of other copies", "population,individual,DRB_1,DRB_2,DQA_1,DQA_2,DQA_3\nA,a1,1,2,7,8,9\n", kMic, "",
         "mhc.txt:1:35: MHC locus 'DQA' has 3 copies, but 'DRB' has 2: several MHC loci are read side by side and need the same copies"},
        {"a locus not side by side", "population,individual,DRB_1,DQA_1,DRB_2,DQA_2\nA,a1,1,7,2,8\n", kMic, "",
         "mhc.txt:1:35: expected the copies of each MHC locus side by side, but 'DRB' comes again after 'DQA'"},
        {"GenAlEx, one picked", genalex2, kMic, "DQA", "=", genalexdqa, kMic},
        {"GENEPOP, one picked", kMic, kMic, "L2", "=", "t\nL2\nPop A\na1, 0202\na2, 0101\nPop B\nb1, 0303\n", kMic},
        {"STRUCTURE with a header of two loci", "DRB DQA\na1 A 1 2 7 8\nb1 B 2 1 8 9\n", kMic, "", "=",
         "population,individual,DRB_1,DRB_2,DQA_1,DQA_2\nA,a1,1,2,7,8\nB,b1,2,1,8,9\n", kMic},
        {"STRUCTURE without a header: copies", "a1 A 1 2 7 8\na2 A 3 3 7 7\nb1 B 2 1 8 9\n", kMic, "", "=", copies, kMic},
        // Swapped files: more MHC loci than MIC loci, or a MIC file that cannot be one.
        {"swapped GENEPOP files", kMic, kMhc, "",
         "mhc.txt:2:5: the MHC file names 3 loci ('L1', 'L2' and 'L3'), more than the 1 of the MIC file mic.txt: the "
         "files look swapped: give --mhc the MHC file and --mic the neutral markers"},
        {"swapped tables", "population,individual,M1_1,M1_2,M2_1,M2_2\nA,a1,1,2,7,8\n", "population,individual,DRB_1,DRB_2\nA,a,1,2\n", "",
         "mhc.txt:1:33: the MHC file names 2 loci ('M1' and 'M2'), more than the 1 of the MIC file mic.txt: the files look swapped"},
        {"a MIC file that is an MHC one", twoloci, "population,individual,DRB_1,DRB_2,DRB_3,DRB_4\nA,a,1,2,3,4\n", "",
         "mic.txt:1:35: locus name 'DRB' is given twice (first at 1:23)"},
        // Missing codes: '-' among the defaults, Excel's #N/A always, in one-cell genotypes too.
        {"- and #N/A", kMhc, "population,individual,L_1,L_2\nA,a1,-,#N/A\nA,a2,5,6\nB,b1,5,-\n", "", "=", kMhc, micna},
        {"#N/A in one cell", kMhc, "population,individual,L\nA,a2,5/6\nA,a1,#N/A\nB,b1,5/-\n", "", "=", kMhc,
         "population,individual,L_1,L_2\nA,a2,5,6\nA,a1,NA,NA\nB,b1,5,NA\n"},
        // STRUCTURE: PopFlag and LocData with a header; each locus named twice.
        {"PopFlag and LocData", kMhcNumbered, structure("L1 L2 L3\n", "1 7 ", "1 7 ", "0 9 "), "", "=", kMhcNumbered, plain},
        {"PopFlag alone", kMhcNumbered, structure("L1 L2 L3\n", "1 ", "1 ", "0 "), "", "=", kMhcNumbered, plain},
        {"loci named twice", kMhcNumbered, structure("L1 L1 L2 L2 L3 L3\n", "", "", ""), "", "=", kMhcNumbered, plain},
        {"loci named per allele", kMhcNumbered, structure("L1_a L1_b L2_a L2_b L3_a L3_b\n", "1 7 ", "1 7 ", "0 9 "), "", "=", kMhcNumbered, plain},
        {"two rows with PopFlag", kMhcNumbered, tworows("1 "), "", "=", kMhcNumbered, tworows("")},
        {"three extra columns", kMhcNumbered, structure("L1 L2 L3\n", "1 7 3 ", "1 7 3 ", "0 9 3 "), "",
         "mic.txt:2:6: expected 3 or 6 alleles (one or two per locus of the header), after at most 2 integer columns "
         "(PopFlag, LocData), but the row has 9 cells after the population"},
        {"PopFlag and LocData, no header", kMhcNumbered, structure("", "1 7 ", "1 7 ", "0 9 "), "",
         "mic.txt:1:6: column 3 holds only 0 and 1, as a PopFlag column does, and the file has no header row"},
        {"two rows with PopFlag, no header", kMhcNumbered, tworows("1 ").substr(9), "", "mic.txt:1:6: column 3 holds only 0 and 1"},
        {"one extra column, no header", kMhcNumbered, structure("", "7 ", "7 ", "9 "), "",
         "mic.txt:1:18: expected two alleles per locus, but the row has 7; a file with PopFlag or LocData columns needs a header row"},
    };
    for (const Case& c : cases) {
        InputRequest request;
        request.mhclocus = c.pick;
        const Read r = readtexts(c.mhc, c.mic, request);
        if (c.expect != "=") {
            EXPECT_EQ(r.error.rfind(c.expect, 0), 0u) << c.what << "\nexpected: " << c.expect << "\ngot: " << r.error;
            continue;
        }
        ASSERT_EQ(r.error, "") << c.what;
        const Read same = readtexts(c.samemhc, c.samemic);
        ASSERT_EQ(same.error, "") << c.what;
        EXPECT_EQ(r.data, same.data) << c.what;
    }
}

// The legacy reader stops at the bounds of its layout, just past them and
// not before; lines end at CR too; the population map reads as the data
// files do.
TEST(Mistakes, OtherReadersAtTheirBounds) {
    const std::size_t longest = Token::longest;
    const std::string mic = "0 0 0\n1\n";
    std::string most = "1 1 0 1\n1\n5";  // 6 values
    for (long k = 6; k < MAXMHCVALUES; ++k) most += "\n1";
    struct Case {
        std::string what, mhc, expect;  // "" when it reads
    };
    const std::vector<Case> cases = {
        {"the most values", most + "\n", ""},
        {"one value more", most + "\n1\n", "mhc.txt:100052:1: the file goes on after 100054 values, the most a legacy MHC file holds"},
        {"the longest run of blanks", "1 1 0 1" + std::string(longest, ' ') + "1 5\n", ""},
        {"one blank more", "1 1 0 1" + std::string(longest + 1, '\n') + "1 5\n", "mhc.txt:1048578:1: more than 1048576 blank bytes in a row"},
        {"the longest value", "1 1 0 " + std::string(longest - 2, '0') + "1 1 5\n", ""},
        {"one digit more", "1 1 0 " + std::string(longest - 1, '0') + "1 1 5\n",
         "mhc.txt:1:7: expected the MHC resampling switch, but '" + std::string(39, '0') + "1...' is longer than 1048576 bytes"},
        {"lines that end at CR", "1 2 0 1\r1\r\r5 x\r", "mhc.txt:4:3: expected the allele code of population 1, individual 1, copy 2, but 'x'"},
        {"lines that end at CR LF", "1 2 0 1\r\n1\r\n\r\n5\r\n", "mhc.txt:4:2: the file ends where the allele code"},
    };
    for (const Case& c : cases) {
        const Read r = readtexts(c.mhc, mic);
        EXPECT_EQ(r.error.rfind(c.expect, 0), 0u) << c.what << "\nexpected: " << c.expect << "\ngot: " << r.error.substr(0, 300);
        if (c.expect.empty()) {
            EXPECT_FALSE(r.data.empty()) << c.what;
        }
    }
    // An endless input on a pipe ends at the bound, told from its content.
    if (testutil::havetool("yes") && testutil::havetool("timeout")) {
        TempDir dir;
        const testutil::RunResult run =
            testutil::runshell(dir.path(), "yes 1 | timeout 60 " + std::string(GSTBOOT_EXE) + " --mhc /dev/stdin");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("/dev/stdin:100055:1: the file goes on after 100054 values"), std::string::npos) << run.err;
        EXPECT_FALSE(testutil::exists(dir.file("output.txt")));
    }
    // The population map in UTF-16, or with names in Windows-1252: the same
    // populations as in UTF-8, the latter with its warning.
    const std::string vcf = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\n"
                            "1\t5\tsnp1\tA\tG\t.\tPASS\t.\tGT\t0/1\t1/1\t0/0\n";
    const std::string mhc = "population,individual,DRB_1,DRB_2\nM\xC3\xA1laga,m1,1,2\nC\xC3\xA1" "diz,c1,2,2\n";
    const std::string map = "s1\tM\xC3\xA1laga\ns2\tM\xC3\xA1laga\ns3\tC\xC3\xA1" "diz\n";
    std::string utf16 = "\xFF\xFE";
    for (std::size_t k = 0; k < map.size(); ++k) {
        const auto c = static_cast<unsigned char>(map[k]);
        const unsigned code = c < 0x80 ? c : ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(map[++k]) & 0x3Fu);
        utf16 += std::string{static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
    }
    const std::string cp1252 = "s1\tM\xE1laga\ns2\tM\xE1laga\ns3\tC\xE1" "diz\n";
    const Read want = readtexts(mhc, vcf, {}, "x.vcf", map);
    ASSERT_EQ(want.error, "");
    for (const std::string& text : {utf16, cp1252}) {
        const Read r = readtexts(mhc, vcf, {}, "x.vcf", text);
        ASSERT_EQ(r.error, "");
        EXPECT_EQ(r.data, want.data);
        EXPECT_EQ(r.warnings, (text == cp1252 ? std::vector<std::string>{"pops.tsv: warning: line 1 holds a name that is not UTF-8; such names are read as Windows-1252"}
                                              : std::vector<std::string>{}));
    }
}

}  // namespace
