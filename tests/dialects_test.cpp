// One study in the files users have (tests/data/dialects, written by its
// generate.py): every dialect must give the canonical GENEPOP files' bytes,
// and standard error must say what was read and how populations paired.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace testutil;

namespace {

TEST(Dialects, EveryDialectGivesTheCanonicalEstimates) {
    const std::string folder = testdata("dialects");
    TempDir dir;
    const std::vector<std::string> common = {"--seed", "2026", "--output", dir.file("output.txt")};
    auto run = [&](const std::string& mhc, const std::string& mic) {
        std::vector<std::string> args = common;
        for (const std::string& a : {std::string("--mhc"), folder + "/" + mhc, std::string("--mic"), folder + "/" + mic})
            args.push_back(a);
        return rungstboot(dir.path(), args);
    };
    const RunResult canonical = run("MHC-canonical.gen", "MIC-canonical.gen");
    ASSERT_EQ(canonical.status, 0) << canonical.err;
    const std::string report = readfile(dir.file("output.txt"));

    struct Case {
        std::string mhc, mic;
        std::string read;  // a what-was-read line, after the folder
        bool paired;       // populations paired by position, and the pairing shown
    };
    // The canonical files name their populations by their individuals'
    // labels, with "Walchensee" for the sixth, which the named dialects call
    // "W\u00f6rthsee": those pair with the named GENEPOP files, by name. The
    // STRUCTURE files number their populations, names that say nothing of the
    // canonical ones: they pair by position.
    const std::string gen = "MHC-named.gen", micgen = "MIC-named.gen";
    const std::vector<Case> cases = {
        {gen, "MIC-cr.gen", "MIC-cr.gen: GENEPOP, 6 populations", false},
        {gen, "MIC-comma.csv", "MIC-comma.csv: table, 6 populations, 95 individuals, 6 loci, 3.0% genotypes missing", false},
        {gen, "MIC-semicolon.csv", "MIC-semicolon.csv: table, 6 populations", false},
        {gen, "MIC-onecell.txt", "MIC-onecell.txt: table, 6 populations", false},
        {gen, "MIC-pipe.txt", "MIC-pipe.txt: table, 6 populations", false},
        {gen, "MIC-genalex.csv", "MIC-genalex.csv: GenAlEx, 6 populations, 95 individuals, 6 loci", false},
        {gen, "MIC-genalex.txt", "MIC-genalex.txt: GenAlEx, 6 populations", false},
        {"MHC-canonical.gen", "MIC-structure.str", "MIC-structure.str: STRUCTURE, 6 populations, 95 individuals, 6 loci", true},
        {"MHC-canonical.gen", "MIC-structure2.str", "MIC-structure2.str: STRUCTURE, 6 populations, 95 individuals", true},
        {"MHC-onecell.csv", micgen, "MHC-onecell.csv: table, 6 populations, 95 individuals, 2 copies, 9 alleles", false},
        {"MHC-cp1252.csv", micgen, "MHC-cp1252.csv: table, 6 populations", false},
        {"MHC-genalex.txt", micgen, "MHC-genalex.txt: GenAlEx, 6 populations, 95 individuals, 2 copies", false},
        {"MHC-structure.str", "MIC-canonical.gen", "MHC-structure.str: STRUCTURE, 6 populations, 95 individuals, 2 copies", true},
        // Both name their populations (one in Windows-1252, one in UTF-16,
        // in reverse order): matched by name, nothing paired by position.
        {"MHC-cp1252.csv", "MIC-reordered.txt", "MIC-reordered.txt: table, 6 populations, 95 individuals, 6 loci", false},
        {"MHC-named.gen", "MIC-named.gen", "MIC-named.gen: GENEPOP, 6 populations, 95 individuals, 6 loci, 3.0% genotypes missing", false},
        // Names taken from labels that disagree with the other file's in one
        // population: refused, naming both.
        {"MHC-canonical.gen", "MIC-named.gen", "MIC-named.gen:89:5: population 'W\\xC3\\xB6rthsee' is not in", false},
    };
    for (const Case& c : cases) {
        const RunResult r = run(c.mhc, c.mic);
        const std::string what = c.mhc + " and " + c.mic;
        if (c.read.find(": population '") != std::string::npos) {
            EXPECT_EQ(r.status, 1) << what;
            EXPECT_NE(r.err.find(c.read), std::string::npos) << what << "\n" << r.err;
            continue;
        }
        ASSERT_EQ(r.status, 0) << what << "\n" << r.err;
        EXPECT_EQ(r.out, canonical.out) << what;
        EXPECT_EQ(readfile(dir.file("output.txt")), report) << what;
        EXPECT_NE(r.err.find(folder + "/" + c.read), std::string::npos) << what << "\n" << r.err;
        EXPECT_EQ(r.err.find("populations paired by position: 1 = 1 (") != std::string::npos, c.paired) << what << "\n" << r.err;
    }
    // The Windows-1252 names are decoded, once, with one warning.
    const RunResult r = run("MHC-cp1252.csv", "MIC-reordered.txt");
    EXPECT_NE(r.err.find("MHC-cp1252.csv: warning: line 82 holds a name that is not UTF-8; such names are read as Windows-1252"),
              std::string::npos)
        << r.err;
}

// An endless input ends at its first impossible item, in every format,
// having read about a megabyte of it: under a 64 MiB address-space cap
// (not under AddressSanitizer, whose shadow memory needs far more).
TEST(Dialects, EndlessInputEndsWithAMessage) {
    if (!exists("/dev/zero") || !testutil::havetool("sh")) GTEST_SKIP() << "needs /dev/zero and sh";
#if defined(__SANITIZE_ADDRESS__)
    const std::string cap;
#else
    const std::string cap = "ulimit -v 65536 && ";
#endif
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"legacy", "/dev/zero:1:1: expected the population count (npop), but '\\x00"},
        {"auto", "/dev/zero:1:1: cannot tell the format of this file: its first value '\\x00"},
        {"genepop", "/dev/zero:1:1: line 1 is longer than 1048576 bytes"},
        {"table", "/dev/zero:1:1: line 1 is longer than 1048576 bytes"},
        {"genalex", "/dev/zero:1:1: line 1 is longer than 1048576 bytes"},
        {"structure", "/dev/zero:1:1: line 1 is longer than 1048576 bytes"},
    };
    TempDir dir;
    for (const auto& [format, message] : cases) {
        const RunResult r = testutil::runshell(dir.path(), cap + "exec " + std::string(GSTBOOT_EXE) +
                                                               " --mhc /dev/zero --mhc-format " + format);
        EXPECT_EQ(r.status, 1) << format;
        EXPECT_EQ(r.err.rfind(message, 0), 0u) << format << "\n" << r.err.substr(0, 300);
        EXPECT_FALSE(exists(dir.file("output.txt"))) << format;
    }
}

}  // namespace
