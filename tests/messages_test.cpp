// Every class of message the reader and the command line give, word for
// word: file, line, column, the offending token, what was expected, and for
// a short file how many values were needed and found.
#include <gtest/gtest.h>

#include <memory>

#include "common/error.h"
#include "input/reader.h"
#include "testutil.h"

using namespace testutil;

namespace {

struct Read {
    std::string error;
    int status = 0;
    std::vector<std::string> warnings;
};

// Reads `mhc` as the MHC file, then `mic` (when given) as the MIC file.
Read readtexts(const std::string& mhc, const std::string& mic = "") {
    Read r;
    auto ds = std::make_unique<gstboot::DataSet>();
    auto open = [](const std::string& text) {
        std::FILE* f = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
        return f;
    };
    std::FILE* a = open(mhc);
    std::FILE* b = open(mic);
    try {
        gstboot::readmhc(a, "MHCdata.txt", *ds, r.warnings);
        if (!mic.empty()) gstboot::readmic(b, "MICdata.txt", *ds, r.warnings);
    } catch (const gstboot::Error& e) {
        r.error = e.what();
        r.status = e.status();
    }
    std::fclose(a);
    std::fclose(b);
    return r;
}

const std::string MHC = "1 1 0 0\n1\n5\n";  // one population, one copy

TEST(Messages, NotAnInteger) {
    EXPECT_EQ(readtexts("1 1 0 0\n1\n  5x\n").error,
              "MHCdata.txt:3:3: expected the allele code of population 1, individual 1, copy 1, but '5x' is not a "
              "decimal integer");
    EXPECT_EQ(readtexts("1 1 0.5 0").error,
              "MHCdata.txt:1:5: expected the correction switch, but '0.5' is not a decimal integer");
    EXPECT_EQ(readtexts("1 1 0 0 1 'a\x01").error,
              "MHCdata.txt:1:11: expected the allele code of population 1, individual 1, copy 1, but '\\x27a\\x01' "
              "is not a decimal integer");
    EXPECT_EQ(readtexts(MHC, "1 0 0\n1\n5 -\n").error,
              "MICdata.txt:3:3: expected the allele code of population 1, individual 1, locus 1, allele 2, but '-' "
              "is not a decimal integer");
    EXPECT_EQ(readtexts("1 1 0 0 " + std::string(50, 'z')).error,
              "MHCdata.txt:1:9: expected the MHC sample size of population 1, but '" + std::string(40, 'z') +
                  "...' is not a decimal integer");
}

TEST(Messages, TooLargeForThirtyTwoBits) {
    EXPECT_EQ(readtexts("1 1 2147483648 0").error,
              "MHCdata.txt:1:5: expected the correction switch, but '2147483648' does not fit in 32 bits");
    EXPECT_EQ(readtexts("1 1 0 -2147483649").error,
              "MHCdata.txt:1:7: expected the MHC resampling switch, but '-2147483649' does not fit in 32 bits");
    EXPECT_EQ(readtexts(std::string(45, '9')).error,
              "MHCdata.txt:1:1: expected the population count (npop), but '" + std::string(40, '9') +
                  "...' does not fit in 32 bits");
    // The extremes themselves are switches like any other.
    EXPECT_EQ(readtexts("1 1 -2147483648 2147483647 1 5").error, "");
}

TEST(Messages, OutsideItsLimits) {
    struct Case {
        std::string mhc, mic, error;
    };
    const Case cases[] = {
        {"51", "", "MHCdata.txt:1:1: population count (npop) is 51, outside 0..50"},
        {"-1", "", "MHCdata.txt:1:1: population count (npop) is -1, outside 0..50"},
        {"1 11", "", "MHCdata.txt:1:3: number of MHC copies per individual is 11, outside 0..10"},
        {"2 1 0 0 1 201", "", "MHCdata.txt:1:11: MHC sample size of population 2 is 201, outside 0..200"},
        {"1 1 0 0 1 351", "",
         "MHCdata.txt:1:11: allele code of population 1, individual 1, copy 1 is 351, outside 0..350"},
        {MHC, "51", "MICdata.txt:1:1: number of loci (nloci) is 51, outside 0..50"},
        {MHC, "1 0 0 201", "MICdata.txt:1:7: MIC sample size of population 1 is 201, outside 0..200"},
        {MHC, "1 0 0 1 5 -1",
         "MICdata.txt:1:11: allele code of population 1, individual 1, locus 1, allele 2 is -1, outside 0..350"},
    };
    for (const Case& c : cases) {
        Read r = readtexts(c.mhc, c.mic);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.status, 1);
    }
    // At every limit the files read cleanly.
    std::string mhc = "50 10 1 1";
    for (int p = 0; p < 50; ++p) mhc += p == 49 ? " 200" : " 0";
    for (int k = 0; k < 200 * 10; ++k) mhc += " 350";
    std::string mic = "50 1 1";
    for (int p = 0; p < 50; ++p) mic += p == 49 ? " 200" : " 0";
    for (int k = 0; k < 200 * 50 * 2; ++k) mic += " 0";
    Read r = readtexts(mhc, mic);
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(r.warnings.empty());
}

TEST(Messages, FileEndsEarly) {
    EXPECT_EQ(readtexts("").error,
              "MHCdata.txt:1:1: the file ends where the population count (npop) was expected: it needs at least 4 "
              "values and holds 0");
    EXPECT_EQ(readtexts("2 1 0 0\n1").error,
              "MHCdata.txt:2:2: the file ends where the MHC sample size of population 2 was expected: it needs at "
              "least 6 values and holds 5");
    EXPECT_EQ(readtexts("1 2 0 0\n1\n5\n\n\n").error,
              "MHCdata.txt:3:2: the file ends where the allele code of population 1, individual 1, copy 2 was "
              "expected: it needs at least 7 values and holds 6");
    EXPECT_EQ(readtexts(MHC, "1 0 0\r\n1\r\n 7\r\n").error,
              "MICdata.txt:3:3: the file ends where the allele code of population 1, individual 1, locus 1, allele "
              "2 was expected: it needs at least 6 values and holds 5");
}

TEST(Messages, UnusedValuesWarnOncePerFile) {
    Read r = readtexts(MHC + "8", "0 0 0 1 2 3");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.warnings,
              (std::vector<std::string>{"MHCdata.txt: warning: MHC data set: 1 value after the last one needed (6) "
                                        "is ignored and enters no estimate; check that the counts at the top of "
                                        "the file are right",
                                        "MICdata.txt: warning: MIC data set: 2 values after the last one needed (4) "
                                        "are ignored and enter no estimate; check that the counts at the top of "
                                        "the file are right"}));
}

TEST(Messages, ReadError) {
    TempDir dir;
    std::FILE* f = std::fopen(dir.file("w").c_str(), "w");  // a stream that cannot be read
    auto ds = std::make_unique<gstboot::DataSet>();
    std::vector<std::string> warnings;
    try {
        gstboot::readmhc(f, "MHCdata.txt", *ds, warnings);
        ADD_FAILURE() << "no error";
    } catch (const gstboot::Error& e) {
        EXPECT_EQ(std::string(e.what()), "MHCdata.txt: read error: Bad file descriptor");
    }
    std::fclose(f);
}

TEST(Messages, MicReaderRefusesAPopulationCountItWasNotGiven) {
    auto ds = std::make_unique<gstboot::DataSet>();
    ds->npop = 51;
    std::vector<std::string> warnings;
    std::FILE* f = std::tmpfile();
    EXPECT_THROW(gstboot::readmic(f, "MICdata.txt", *ds, warnings), gstboot::Error);
    std::fclose(f);
}

TEST(Messages, ThroughTheProgram) {
    TempDir dir;
    copyinputs("worked-example", dir.path());
    // A missing input: the historical line on standard output, no line end,
    // and the reason on stderr.
    RunResult r = rungstboot(dir.path(), {"--mhc", "none.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: Cannot open none.txt file!");
    EXPECT_EQ(r.err, "gstboot: cannot open none.txt: No such file or directory\n");
    r = rungstboot(dir.path(), {"--mic", "."});  // a folder is no input file
    EXPECT_EQ(r.out, "Error: Cannot open . file!");
    EXPECT_EQ(r.status, 1);
    ::unlink(dir.file("MICdata.txt").c_str());
    r = rungstboot(dir.path(), {});
    EXPECT_EQ(r.out, "Error: Cannot open MICdata.txt file!");
    // An input error: one line on stderr, nothing on stdout.
    writefile(dir.file("MICdata.txt"), "2 1 0\n1 1\n10 12 3 3\n10 10 4 x3\n");
    r = rungstboot(dir.path(), {"--seed", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "MICdata.txt:4:9: expected the allele code of population 2, individual 1, locus 2, allele 2, "
                     "but 'x3' is not a decimal integer\n");
    // A bad command line: status 2, the reason and a hint.
    r = rungstboot(dir.path(), {"--sed", "3"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "gstboot: unknown option '--sed'\nTry 'gstboot --help' for more information.\n");
    r = rungstboot(dir.path(), {"--seed", "4294967296"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "gstboot: --seed needs a whole number from 0 to 4294967295, not '4294967296'\nTry 'gstboot "
                     "--help' for more information.\n");
    EXPECT_FALSE(exists(dir.file("output.txt")));
}

}  // namespace
