// The golden runs: each case's inputs and seed through the real executable,
// standard output and output.txt compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "testutil.h"

using namespace testutil;

namespace {

std::vector<std::string> goldencases() {
    std::vector<std::string> names = listdir(testdata("golden"));
    std::sort(names.begin(), names.end());
    return names;
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, ByteIdentical) {
    const std::string src = testdata("golden/" + GetParam());
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), readfile(src + "/MHCdata.txt"));
    writefile(dir.file("MICdata.txt"), readfile(src + "/MICdata.txt"));
    const std::string seed = trim(readfile(src + "/seed"));
    RunResult r = rungstboot(dir.path(), {"--seed", seed});
    EXPECT_EQ(std::to_string(r.status), trim(readfile(src + "/status")));
    EXPECT_EQ(r.out, readfile(src + "/stdout.txt"));
    EXPECT_EQ(readfile(dir.file("output.txt")), readfile(src + "/output.txt"));
    EXPECT_NE(r.err.find("seed: " + seed + "\n"), std::string::npos) << r.err;
}

// The same bytes from every kernel set the machine runs, as GSTBOOT_ISA caps
// the choice in the child's environment.
TEST_P(Golden, ByteIdenticalUnderEveryCap) {
    const std::string src = testdata("golden/" + GetParam());
    const std::string seed = trim(readfile(src + "/seed"));
    for (gstboot::Isa isa : runnableisas()) {
        const char* name = gstboot::isaname(isa);
        ScopedEnv cap("GSTBOOT_ISA", name);
        TempDir dir;
        copyinputs(GetParam(), dir.path());
        RunResult r = rungstboot(dir.path(), {"--seed", seed});
        EXPECT_EQ(std::to_string(r.status), trim(readfile(src + "/status"))) << name;
        EXPECT_EQ(r.out, readfile(src + "/stdout.txt")) << name;
        EXPECT_EQ(readfile(dir.file("output.txt")), readfile(src + "/output.txt")) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(goldencases()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             std::string n = p.param;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

}  // namespace

namespace {

// Every thread count, and the reference scoring, give the same bytes.
TEST(Threads, OutputDoesNotDependOnThreadsOrScoring) {
    for (const std::string name : {"small-boot", "corr-loci", "edge-codes", "all-heterozygous", "no-loci"}) {
        const std::string src = testdata("golden/" + name);
        TempDir dir;
        writefile(dir.file("MHCdata.txt"), readfile(src + "/MHCdata.txt"));
        writefile(dir.file("MICdata.txt"), readfile(src + "/MICdata.txt"));
        const std::vector<std::vector<std::string>> variants = {
            {"--threads", "1"}, {"--threads", "2"}, {"--threads", "5"}, {"--threads=16"}, {"--reference"}};
        for (const auto& extra : variants) {
            std::vector<std::string> args = {"--seed", "987", "--output", "out.txt"};
            args.insert(args.end(), extra.begin(), extra.end());
            RunResult r = rungstboot(dir.path(), args);
            ASSERT_EQ(r.status, 0) << name << " " << extra[0];
            const std::string file = readfile(dir.file("out.txt"));
            static std::string firstout, firstfile;
            if (extra == variants[0]) {
                firstout = r.out;
                firstfile = file;
                EXPECT_GT(file.size(), 0u);
            } else {
                EXPECT_EQ(r.out, firstout) << name << " " << extra[0];
                EXPECT_EQ(file, firstfile) << name << " " << extra[0];
            }
        }
    }
}

TEST(Threads, BadThreadCounts) {
    TempDir dir;
    for (const std::string bad : {"0", "-1", "1025", "two", ""}) {
        RunResult r = rungstboot(dir.path(), {"--threads", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--threads"), std::string::npos);
    }
}

}  // namespace
