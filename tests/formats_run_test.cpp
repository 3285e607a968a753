// Studies of the golden cases rewritten as GENEPOP files and tables: the
// program must print and write the very bytes of the legacy run. And the
// command line of the input options.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/error.h"
#include "driver/options.h"
#include "testutil.h"

using namespace testutil;
using gstboot::DataSet;

namespace {

std::string pop(int p) { return "P" + std::to_string(p + 1); }

std::string padded(std::int32_t code) {
    EXPECT_GT(code, 0) << "a GENEPOP allele of 0 is missing";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", code);
    return buf;
}

// The MHC set as GENEPOP: one locus, whose two alleles are the two copies.
std::string genepopmhc(const DataSet& ds) {
    EXPECT_EQ(ds.mhccopies, 2);
    std::string s = "converted\nDRB\n";
    for (int p = 0; p < ds.npop; ++p) {
        s += "Pop, " + pop(p) + "\n";
        for (int i = 0; i < ds.nmhc[p]; ++i) s += pop(p) + ", " + padded(ds.mhc[p][i][0]) + padded(ds.mhc[p][i][1]) + "\n";
    }
    return s;
}

// The MIC set as GENEPOP, populations in reverse order: matched by name.
std::string genepopmic(const DataSet& ds) {
    std::string s = "converted\r\n";
    for (int l = 0; l < ds.nloci; ++l) s += (l ? ", L" : "L") + std::to_string(l + 1);
    s += "\r\n";
    for (int p = ds.npop; p-- > 0;) {
        s += "POP " + pop(p) + "\r\n";
        for (int i = 0; i < ds.nmic[p]; ++i) {
            s += pop(p) + " ,";
            for (int l = 0; l < ds.nloci; ++l) s += "\t" + padded(ds.mic[p][i][l][0]) + padded(ds.mic[p][i][l][1]);
            s += "\r\n";
        }
    }
    return s;
}

std::string tablemhc(const DataSet& ds) {
    std::string s = "population\tindividual";
    for (int c = 0; c < ds.mhccopies; ++c) s += "\tcopy " + std::to_string(c + 1);
    s += "\n";
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i) {
            s += pop(p) + "\t" + std::to_string(i + 1);
            for (int c = 0; c < ds.mhccopies; ++c) s += "\t" + std::to_string(ds.mhc[p][i][c]);
            s += "\n";
        }
    }
    return s;
}

// The MIC set as a comma-separated table, its rows dealt out across the
// populations, the last population first unless `inorder` (for a legacy
// MHC file, matched by position).
std::string tablemic(const DataSet& ds, bool inorder) {
    std::string s = "individual,population";
    for (int l = 0; l < ds.nloci; ++l) s += ",L" + std::to_string(l + 1) + "_a,L" + std::to_string(l + 1) + "_b";
    s += "\n";
    for (int i = 0; i < gstboot::MAXIND; ++i) {
        for (int k = 0; k < ds.npop; ++k) {
            const int p = inorder ? k : ds.npop - 1 - k;
            if (i >= ds.nmic[p]) continue;
            s += std::to_string(i + 1) + "," + pop(p);
            for (int l = 0; l < ds.nloci; ++l)
                s += "," + std::to_string(ds.mic[p][i][l][0]) + "," + std::to_string(ds.mic[p][i][l][1]);
            s += "\n";
        }
    }
    return s + "\n\n";
}

std::vector<std::string> settingsargs(const DataSet& ds) {
    std::string list;
    const gstboot::Settings& s = ds.settings;
    for (auto [on, name] : {std::pair{s.bootmhc, "mhc"}, {s.bootmic, "mic"}, {s.bootloci, "loci"}})
        if (on) list += (list.empty() ? "" : ",") + std::string(name);
    return {"--correction", s.corrflag ? "on" : "off", "--resample", list.empty() ? "none" : list};
}

TEST(FormatsRun, ConvertedStudiesGiveTheLegacyBytes) {
    struct Case {
        std::string golden;
        std::vector<std::pair<std::string, std::string>> files;  // MHC, MIC: legacy, genepop or table
    };
    const std::vector<Case> cases = {
        {"small-boot", {{"genepop", "genepop"}, {"table", "table"}, {"genepop", "legacy"}, {"legacy", "table"}}},
        {"corr-loci", {{"genepop", "table"}}},
        {"ten-copies", {{"table", "genepop"}}},
    };
    for (const Case& c : cases) {
        const std::string src = testdata("golden/" + c.golden);
        auto ds = parsedata(readfile(src + "/MHCdata.txt"), readfile(src + "/MICdata.txt"));
        TempDir dir;
        writefile(dir.file("mhc.legacy"), readfile(src + "/MHCdata.txt"));
        writefile(dir.file("mic.legacy"), readfile(src + "/MICdata.txt"));
        if (ds->mhccopies == 2) writefile(dir.file("mhc.genepop"), genepopmhc(*ds));
        writefile(dir.file("mic.genepop"), genepopmic(*ds));
        writefile(dir.file("mhc.table"), tablemhc(*ds));
        writefile(dir.file("mic.table"), tablemic(*ds, false));
        writefile(dir.file("mic.table-inorder"), tablemic(*ds, true));
        for (const auto& [mhc, mic] : c.files) {
            const std::string micfile = "mic." + mic + (mhc == "legacy" && mic == "table" ? "-inorder" : "");
            std::vector<std::string> args = {"--seed", goldenseed(c.golden), "--mhc", "mhc." + mhc, "--mic", micfile};
            for (const std::string& a : settingsargs(*ds)) args.push_back(a);
            RunResult r = rungstboot(dir.path(), args);
            const std::string what = c.golden + " as " + mhc + " and " + mic;
            ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
            EXPECT_EQ(r.out, readfile(src + "/stdout.txt")) << what;
            EXPECT_EQ(readfile(dir.file("output.txt")), readfile(src + "/output.txt")) << what;
        }
        // The legacy files' own run names the same settings.
        RunResult r = rungstboot(dir.path(), {"--seed", "1", "--mhc", "mhc.legacy", "--mic", "mic.legacy"});
        EXPECT_NE(r.err.find("seed: 1\nsettings: correction " + settingsargs(*ds)[1] + ", resampling " +
                             settingsargs(*ds)[3] + "\n"),
                  std::string::npos)
            << r.err;
    }
}

TEST(FormatsRun, InputOptions) {
    gstboot::Options o = gstboot::parseoptions(
        {"--mhc-format", "genepop", "--mic-format=table", "--correction", "on", "--resample", "loci,mhc"});
    EXPECT_EQ(o.mhcformat, gstboot::Format::genepop);
    EXPECT_EQ(o.micformat, gstboot::Format::table);
    EXPECT_EQ(o.correction, true);
    ASSERT_TRUE(o.resample);
    EXPECT_TRUE(o.resample->mhc && !o.resample->mic && o.resample->loci);
    o = gstboot::parseoptions({"--resample=none", "--mic-format", "auto"});
    EXPECT_FALSE(o.resample->mhc || o.resample->mic || o.resample->loci);
    EXPECT_FALSE(o.correction);
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--mhc-format", "csv"}, "--mhc-format needs legacy, genepop, table, genalex, structure or auto, not 'csv'"},
        {{"--missing", "NA,,0"}, "--missing needs a comma-separated list of codes, none empty, not 'NA,,0'"},
        {{"--mic-format"}, "--mic-format needs a value"},
        {{"--correction", "1"}, "--correction needs on or off, not '1'"},
        {{"--resample", "mhc,,mic"}, "--resample needs a comma-separated list of mhc, mic and loci, each at most once, or none, not 'mhc,,mic'"},
        {{"--resample", "mic,mic"}, "not 'mic,mic'"},
        {{"--resample", "none,mhc"}, "not 'none,mhc'"},
        {{"--resample="}, "not ''"},
    };
    for (const auto& [args, message] : bad) {
        try {
            gstboot::parseoptions(args);
            ADD_FAILURE() << args[0] << " accepted";
        } catch (const gstboot::Error& e) {
            EXPECT_EQ(e.status(), gstboot::exitstatus(gstboot::ErrorKind::usage));
            EXPECT_NE(std::string(e.what()).find(message + "\nTry 'gstboot --help' for more information."), std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
