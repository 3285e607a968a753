// The warnings that explain odd values: each triggered by a minimal input,
// absent just inside its limit and on clean input, once per pair and data
// set, and never touching standard output.
#include <gtest/gtest.h>

#include "gendata.h"
#include "testutil.h"

using namespace testutil;
using gen::Genotypes;

namespace {

// MHC copies 2, one MIC locus; the replicates drawn unless `boot` is 0.
struct Study {
    Genotypes mhc;
    Genotypes mic;
    int corrflag = 0;
    int boot = 1;
    int nloci = 1;
    int copies = 2;
    std::string mhcextra;
};

RunResult runstudy(const Study& s) {
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), gen::mhcfile(s.copies, s.corrflag, s.boot, s.mhc) + s.mhcextra);
    writefile(dir.file("MICdata.txt"), gen::micfile(s.nloci, s.boot, 0, s.mic));
    return rungstboot(dir.path(), {"--seed", "11", "--neutral-draws", "0"});
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Two populations, clean in both data sets: polymorphic, homozygotes and
// heterozygotes, three individuals each.
Study clean() {
    Study s;
    s.mhc = {{{5, 5}, {5, 7}, {7, 9}}, {{7, 7}, {9, 9}, {7, 9}}};
    s.mic = {{{1, 1}, {1, 2}, {2, 3}}, {{3, 3}, {2, 3}, {3, 4}}};
    return s;
}

TEST(Warnings, NoneOnCleanInput) {
    for (int corr : {0, 1}) {
        Study s = clean();
        s.corrflag = corr;
        s.boot = 0;  // no replicate can lose its variation
        RunResult r = runstudy(s);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    }
}

TEST(Warnings, CorrectionDividesByZeroOrResidue) {
    // Two heterozygotes in each population: 1 - (4 x 1/4) is exactly zero.
    Study s = clean();
    s.corrflag = 1;
    s.mhc = {{{5, 7}, {5, 9}}, {{7, 9}, {5, 7}}};
    RunResult r = runstudy(s);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("MHCdata.txt: warning: pair 1-2, MHC data set: every individual of the pair is "
                         "heterozygous, so the heterozygosity correction divides by zero"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(count(r.err, "pair 1-2, MHC"), 1u);
    EXPECT_EQ(r.err.find("MIC data set"), std::string::npos) << r.err;

    // Ten heterozygotes: ten additions of 0.1 leave a residue, not zero.
    s.mhc = Genotypes(2, std::vector<std::vector<int>>(5, {5, 7}));
    r = runstudy(s);
    EXPECT_NE(r.err.find("divides by a rounding residue (1.11e-16) instead of zero"), std::string::npos) << r.err;

    // One homozygote among them: the divisor is 0.1, no warning.
    s.mhc[1][4] = {7, 7};
    r = runstudy(s);
    EXPECT_EQ(r.err.find("heterozygous"), std::string::npos) << r.err;

    // The correction switched off: nothing is divided.
    s.mhc[1][4] = {5, 7};
    s.corrflag = 0;
    r = runstudy(s);
    EXPECT_EQ(r.err.find("heterozygous"), std::string::npos) << r.err;
}

TEST(Warnings, MicCorrectionNeedsEveryLocusHeterozygous) {
    Study s = clean();
    s.corrflag = 1;
    s.boot = 0;
    s.nloci = 2;
    s.mic = {{{1, 2, 3, 4}, {2, 3, 4, 5}}, {{1, 3, 2, 4}, {5, 6, 1, 2}}};
    RunResult r = runstudy(s);
    EXPECT_NE(r.err.find("MICdata.txt: warning: pair 1-2, MIC data set: every individual of the pair is "
                         "heterozygous at every locus"),
              std::string::npos)
        << r.err;
    s.mic[1][1] = {5, 6, 2, 2};  // one homozygous locus
    r = runstudy(s);
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST(Warnings, EstimateNotANumberOnTheDataAsRead) {
    Study s = clean();
    s.boot = 0;
    // One individual each: N - k = 0.
    s.mic = {{{1, 2}}, {{3, 4}}};
    RunResult r = runstudy(s);
    EXPECT_NE(r.err.find("pair 1-2, MIC data set: each population has a single individual (N - k = 0)"),
              std::string::npos)
        << r.err;
    // Three individuals: N - k = 1, no warning.
    s.mic = {{{1, 2}, {2, 2}}, {{3, 4}}};
    r = runstudy(s);
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    // An empty population.
    s.mic = {{{1, 2}, {2, 2}, {1, 1}}, {}};
    r = runstudy(s);
    EXPECT_NE(r.err.find("pair 1-2, MIC data set: population 2 has no MIC individuals"), std::string::npos)
        << r.err;
    // One allele in the whole pair: nothing to split, whatever the sums.
    s.mhc = {{{5, 5}, {5, 5}}, {{5, 5}, {5, 5}}};
    s.mic = clean().mic;
    r = runstudy(s);
    EXPECT_NE(r.err.find("pair 1-2, MHC data set: populations 1 and 2 carry one MHC allele only: there is no "
                         "variation to split, so this pair has no MHC estimate"),
              std::string::npos)
        << r.err;
    // At every MIC locus, over different alleles at different loci.
    s.mhc = clean().mhc;
    s.nloci = 2;
    s.mic = {{{3, 3, 7, 7}, {3, 3, 7, 7}, {3, 3, 7, 7}}, {{3, 3, 7, 7}, {3, 3, 7, 7}}};
    r = runstudy(s);
    EXPECT_NE(r.err.find("pair 1-2, MIC data set: populations 1 and 2 carry one allele only at every MIC locus"),
              std::string::npos)
        << r.err;
}

TEST(Warnings, DataSetWideCauseIsOneLine) {
    Genotypes mhc = clean().mhc;
    mhc.push_back({{9, 9}, {5, 7}});
    Genotypes mic = clean().mic;
    mic.push_back({{1, 1}, {2, 4}});
    {
        TempDir dir;
        writefile(dir.file("MHCdata.txt"), gen::mhcfile(2, 0, 1, mhc));
        writefile(dir.file("MICdata.txt"), "0 1 1\n3 3 2\n");
        RunResult r = rungstboot(dir.path(), {"--seed", "2", "--neutral-draws", "0"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("MICdata.txt: warning: every pair (all 3), MIC data set: there is no locus"),
                  std::string::npos)
            << r.err;
        // MHC pair 2-3 may draw replicates without variation: those are its own.
        EXPECT_EQ(count(r.err, "MIC data set"), 1u) << r.err;
    }
    {
        TempDir dir;
        writefile(dir.file("MHCdata.txt"), "3 0 0 1\n3 3 2\n");
        writefile(dir.file("MICdata.txt"), gen::micfile(1, 0, 0, mic));
        RunResult r = rungstboot(dir.path(), {"--seed", "2", "--neutral-draws", "0"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("MHCdata.txt: warning: every pair (all 3), MHC data set: no allele code is present"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(count(r.err, "warning"), 1u) << r.err;
    }
}

TEST(Warnings, ReplicatesWithoutVariation) {
    // Population 1 draws its homozygote twice in about a quarter of the
    // replicates, and then the pair carries allele 1 only.
    Study s = clean();
    s.mic = {{{1, 1}, {1, 2}}, {{1, 1}, {1, 1}}};
    RunResult r = runstudy(s);
    EXPECT_NE(r.err.find(" of 1000 replicate MIC estimates are not a number (replicates without variation"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(count(r.err, "pair 1-2, MIC"), 1u);
    // The same data without resampling: every replicate is the data as read.
    s.boot = 0;
    r = runstudy(s);
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST(Warnings, ReplicatesAllHeterozygous) {
    Study s = clean();
    s.corrflag = 1;
    s.mic = {{{1, 2}, {1, 1}}, {{1, 2}, {3, 4}}};
    RunResult r = runstudy(s);
    EXPECT_NE(r.err.find("pair 1-2, MIC data set: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("replicates whose individuals are all heterozygous, so that the correction divides by zero"),
              std::string::npos)
        << r.err;
}

TEST(Warnings, ValuesAfterTheEndOfAFile) {
    // The file needs 4 + 2 + 12 = 18 values.
    const std::pair<const char*, const char*> cases[] = {
        {"", nullptr},
        {"7", "1 value after the last one needed (18) is ignored and enters no estimate"},
        {"7 7", "2 values after the last one needed (18) are ignored and enter no estimate"}};
    for (const auto& c : cases) {
        Study s = clean();
        s.boot = 0;
        s.mhcextra = c.first;
        RunResult r = runstudy(s);
        ASSERT_EQ(r.status, 0) << r.err;
        if (c.second) {
            EXPECT_EQ(r.err.find(std::string("MHCdata.txt: warning: MHC data set: ") + c.second), 0u) << r.err;
        }
        EXPECT_EQ(count(r.err, "warning"), c.second ? 1u : 0u) << r.err;
    }
}

// Warnings go to standard error only: the console is the same with and
// without a warning-raising quirk that changes no number.
TEST(Warnings, LeaveStandardOutputAlone) {
    Study s = clean();
    const RunResult quiet = runstudy(s);
    s.mhcextra = "1 2 3";
    const RunResult loud = runstudy(s);
    EXPECT_EQ(quiet.out, loud.out);
    EXPECT_NE(loud.err.find("warning"), std::string::npos);
}

}  // namespace
