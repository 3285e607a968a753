// The program as a user runs it: missing files, options, and a bad input
// that must leave a previous report alone.
#include <gtest/gtest.h>

#include "testutil.h"

using namespace testutil;

namespace {

const std::string kMhc = "2 2 0 1\n2 1\n101 102\n101 101\n205 101\n";
const std::string kMic = "2 1 0\n1 1\n10 12 3 3\n10 10 4 3\n";

TEST(Cli, MissingFiles) {
    TempDir dir;
    RunResult r = rungstboot(dir.path(), {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: Cannot open MHCdata.txt file!");
    EXPECT_FALSE(exists(dir.file("output.txt")));

    writefile(dir.file("MHCdata.txt"), kMhc);
    r = rungstboot(dir.path(), {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: Cannot open MICdata.txt file!");
    EXPECT_FALSE(exists(dir.file("output.txt")));

    r = rungstboot(dir.path(), {"--mic", "sub/mine.txt"});
    EXPECT_EQ(r.out, "Error: Cannot open sub/mine.txt file!");
    r = rungstboot(dir.path(), {"--mhc", dir.path()});  // a folder is not a file
    EXPECT_EQ(r.out, "Error: Cannot open " + dir.path() + " file!");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, BareRunUsesTheClockAndTheFixedNames) {
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), kMhc);
    writefile(dir.file("MICdata.txt"), kMic);
    RunResult r = rungstboot(dir.path(), {"ignored-before-options-existed"});
    EXPECT_EQ(r.status, 2);  // arguments are now checked
    r = rungstboot(dir.path(), {});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.err.rfind("seed: ", 0), 0u) << r.err;
    const std::string seed = r.err.substr(6, r.err.find('\n') - 6);
    EXPECT_EQ(r.out.substr(0, 50), "   10    9    8    7    6    5    4    3    2    1");
    const std::string first = readfile(dir.file("output.txt"));
    // The seed printed repeats the run exactly.
    RunResult again = rungstboot(dir.path(), {"--seed", seed, "--output", "again.txt"});
    EXPECT_EQ(again.out, r.out);
    EXPECT_EQ(readfile(dir.file("again.txt")), first);
}

TEST(Cli, OptionErrorsTouchNothing) {
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), kMhc);
    writefile(dir.file("MICdata.txt"), kMic);
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--bogus"}, {"--seed"}, {"--seed", "-1"}, {"--seed", "4294967296"},
          {"--seed", "12x"}, {"--seed="}, {"--output"}, {"--output", ""}, {"--help=3"}, {"-x"}}) {
        RunResult r = rungstboot(dir.path(), args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("gstboot: "), std::string::npos);
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
    EXPECT_FALSE(exists(dir.file("output.txt")));

    RunResult help = rungstboot(dir.path(), {"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--seed N"), std::string::npos);
    RunResult version = rungstboot(dir.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("gstboot ", 0), 0u);
    RunResult seeded = rungstboot(dir.path(), {"--seed=4294967295"});
    EXPECT_EQ(seeded.status, 0);
    EXPECT_NE(seeded.err.find("seed: 4294967295\n"), std::string::npos);
}

TEST(Cli, BadInputLeavesThePreviousReport) {
    TempDir dir;
    writefile(dir.file("output.txt"), "previous result\n");
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"2 2 0 1\n2 1\n101 102\n101 351\n205 101\n", kMic},  // code out of range
        {"2 2 0 1\n2 1\n101 102\n101", kMic},                 // truncated
        {kMhc, "2 1 0\n1 1\n10 12 3 x\n10 10 4 3\n"},          // not an integer
        {kMhc, "2 1 0\n1 99999999999\n"},                      // overflow
    };
    for (const auto& [mhc, mic] : bad) {
        writefile(dir.file("MHCdata.txt"), mhc);
        writefile(dir.file("MICdata.txt"), mic);
        RunResult r = rungstboot(dir.path(), {"--seed", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");  // refused before the countdown
        EXPECT_TRUE(r.err.rfind("MHCdata.txt:", 0) == 0 || r.err.rfind("MICdata.txt:", 0) == 0) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(readfile(dir.file("output.txt")), "previous result\n");
    }
    EXPECT_EQ(listdir(dir.path()).size(), 3u);  // no temporary file left
}

}  // namespace
