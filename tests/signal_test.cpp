// Interruption during the replicates: the conventional status, no temporary
// file left behind, the previous report as it was.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "testutil.h"

using namespace testutil;

namespace {

struct Interrupt {
    int sig;
    int status;
    const char* name;
};

class Interrupted : public ::testing::TestWithParam<Interrupt> {};

TEST_P(Interrupted, RunEndsCleanly) {
    // The slowest golden case, scored the slow way and then tested on its ten
    // copies (--polyploid): the run lasts long enough to be hit.
    TempDir dir;
    copyinputs("ten-copies", dir.path());
    writefile(dir.file("output.txt"), "a previous report\n");
    Child child(dir.path(), {"--reference", "--polyploid", "--seed", goldenseed("ten-copies")});
    // "    9": at least one hundred replicates done, well inside the loop,
    // and the report's temporary file has existed for a while.
    ASSERT_TRUE(child.waitfor("    9", 120.0)) << child.outsofar();
    ASSERT_EQ(::kill(child.pid(), GetParam().sig), 0);
    RunResult r = child.wait();
    EXPECT_EQ(r.status, GetParam().status);
    EXPECT_EQ(readfile(dir.file("output.txt")), "a previous report\n");
    std::vector<std::string> left = listdir(dir.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "output.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted,
                         ::testing::Values(Interrupt{SIGINT, 130, "SIGINT"}, Interrupt{SIGTERM, 143, "SIGTERM"},
                                           Interrupt{SIGHUP, 129, "SIGHUP"}),
                         [](const ::testing::TestParamInfo<Interrupt>& p) { return std::string(p.param.name); });

TEST(Interrupted, ClosedPipeOnStandardOutputLeavesNoTemporaryFile) {
    // A reader that goes away (gstboot | head -c1) ends the run by SIGPIPE.
    TempDir dir;
    copyinputs("ten-copies", dir.path());
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);  // the run holds only its reopened end
    std::string out = "/dev/fd/" + std::to_string(fds[1]);
    Child child(dir.path(), {"--reference", "--polyploid", "--seed", goldenseed("ten-copies")}, RunSetup{out, false, false});
    ::close(fds[1]);
    char first = 0;
    ASSERT_EQ(::read(fds[0], &first, 1), 1);
    ::close(fds[0]);
    RunResult r = child.wait();
    EXPECT_EQ(r.status, 128 + SIGPIPE);
    std::vector<std::string> left = listdir(dir.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"MHCdata.txt", "MICdata.txt"}));
}

}  // namespace
