// The progress line: its text, and that it is drawn on a terminal and
// nowhere else.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/progress.h"
#include "gendata.h"
#include "testutil.h"

using namespace testutil;

namespace {

TEST(Progress, Text) {
    struct Case {
        long long done, total;
        double elapsed;
        const char* expected;
    };
    const Case cases[] = {
        {0, 1000, 1.5, "replicates: 0% done"},
        {1, 1000, 1.0, "replicates: 0% done, about 17 min left"},
        {250, 1000, 3.0, "replicates: 25% done, about 9 s left"},
        {999, 1000, 2.0, "replicates: 99% done, less than a second left"},
        {1000, 1000, 2.0, "replicates: 100% done, less than a second left"},
        {1200, 1000, 2.0, "replicates: 100% done, less than a second left"},
        {1, 3, 61.0, "replicates: 33% done, about 2 min left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gstboot::progresstext("replicates", c.done, c.total, c.elapsed), c.expected) << c.done;
    }
}

// A study that takes seconds in one thread: the line appears on a
// pseudo-terminal (script(1) gives one) and never in a pipe, and the outputs
// are the same bytes either way.
TEST(Progress, DrawnOnATerminalOnly) {
    if (!havetool("script") || !havetool("sh")) GTEST_SKIP() << "needs script(1) and sh";
    gen::Genotypes mhc(30), mic(30);
    unsigned state = 12345;
    auto next = [&](unsigned n) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % n);
    };
    for (int p = 0; p < 30; ++p) {
        for (int i = 0; i < 100; ++i) {
            std::vector<int> m, c;
            for (int k = 0; k < 6; ++k) m.push_back(next(60));
            for (int k = 0; k < 60; ++k) c.push_back(100 + next(12));
            mhc[static_cast<std::size_t>(p)].push_back(m);
            mic[static_cast<std::size_t>(p)].push_back(c);
        }
    }
    TempDir dir;
    writefile(dir.file("MHCdata.txt"), gen::mhcfile(6, 0, 1, mhc));
    writefile(dir.file("MICdata.txt"), gen::micfile(30, 1, 0, mic));
    const std::string run = std::string("'") + GSTBOOT_EXE + "' --seed 5 --threads 1";
    const std::string onterminal = "cd '" + dir.path() + "' && script -qfc \"" + run +
                                   " --output tty.txt > tty.out\" typescript > /dev/null";
    ASSERT_EQ(std::system(onterminal.c_str()), 0);
    const RunResult piped = rungstboot(dir.path(), {"--seed", "5", "--threads", "1", "--output", "pipe.txt"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    const std::string screen = readfile(dir.file("typescript"));
    EXPECT_NE(screen.find("[replicates: "), std::string::npos) << screen;
    EXPECT_NE(screen.find("\0337\033[K\0338"), std::string::npos) << "the line is erased at the end";
    EXPECT_EQ(piped.err.find('\033'), std::string::npos) << piped.err;
    EXPECT_EQ(readfile(dir.file("tty.out")), piped.out);
    EXPECT_EQ(readfile(dir.file("tty.txt")), readfile(dir.file("pipe.txt")));
}

}  // namespace
