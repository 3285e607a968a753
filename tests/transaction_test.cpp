// The outputs of a run as one transaction: no output may be an input or
// another output, a failure of any output leaves every previous file as it
// was, threads that cannot be started do not end the run, and a failure in a
// worker reaches the caller after every worker is joined.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <memory>
#include <stdexcept>

#include "common/error.h"
#include "model/dataset.h"
#include "driver/replicates.h"
#include "output/warnings.h"
#include "system/outputs.h"
#include "system/signals.h"
#include "testutil.h"

using namespace testutil;

namespace {

const std::string CASE = "worked-example";

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Every file of the folder with its text, to show that nothing changed.
std::vector<std::pair<std::string, std::string>> snapshot(const TempDir& dir) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& name : sorted(listdir(dir.path()))) {
        struct stat st;
        if (::lstat(dir.file(name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            files.emplace_back(name, readfile(dir.file(name)));
        } else {
            files.emplace_back(name, "(not a regular file)");
        }
    }
    return files;
}

// Each row: extra arguments and the message the run must refuse them with.
// Before the run the folder holds the inputs, output.txt, t.tsv, a symbolic
// link and a hard link to MICdata.txt, an empty folder sub/ and a link to
// sub/new.txt, which does not exist.
TEST(NoOutputIsAnInput, ClashesAreRefusedBeforeAnythingIsTouched) {
    struct Row {
        std::vector<std::string> args;
        std::string message;  // "" : the run must succeed
    };
    const Row rows[] = {
        {{"--output", "MICdata.txt"}, "--mic and --output name the same file 'MICdata.txt'"},
        {{"--table", "./output.txt"}, "--output and --table name the same file './output.txt'"},
        {{"--plot", "sub/../MHCdata.txt"}, "--mhc and --plot name the same file 'sub/../MHCdata.txt'"},
        {{"--output", "link.txt"}, "--mic and --output name the same file 'link.txt'"},
        {{"--table", "hard.txt"}, "--mic and --table name the same file 'hard.txt'"},
        {{"--table", "t.tsv", "--plot", "./t.tsv"}, "--table and --plot name the same file './t.tsv'"},
        {{"--table", "new.tsv", "--plot", "sub/../new.tsv"}, "--table and --plot name the same file"},
        {{"--output", "r.txt", "--table", "r.txt"}, "--output and --table name the same file 'r.txt'"},
        // A regular file is one file wherever its name lies.
        {{"--output", "/proc/self/cwd/MHCdata.txt"}, "--mhc and --output name the same file '/proc/self/cwd/"},
        {{"--output", "r.txt", "--table", "/proc/self/cwd/r.txt"}, "--output and --table name the same file"},
        {{"--output", "dangling.txt", "--table", "sub/new.txt"}, "--output and --table name the same file 'sub/new.txt'"},
        {{"--seed", "2"}, "--seed is given more than once"},
        {{"stray"}, "unexpected argument 'stray'"},
        {{"--table", "/dev/null", "--plot", "/dev/null"}, ""},
        {{"--table", "/dev/stdout", "--plot", "/dev/stdout"}, ""},  // a file when captured: still no clash
    };
    for (const Row& row : rows) {
        TempDir dir;
        copyinputs(CASE, dir.path());
        writefile(dir.file("output.txt"), "previous report\n");
        writefile(dir.file("t.tsv"), "previous table\n");
        ASSERT_EQ(::symlink("MICdata.txt", dir.file("link.txt").c_str()), 0);
        ASSERT_EQ(::link(dir.file("MICdata.txt").c_str(), dir.file("hard.txt").c_str()), 0);
        ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
        ASSERT_EQ(::symlink("sub/new.txt", dir.file("dangling.txt").c_str()), 0);
        const auto before = snapshot(dir);
        std::vector<std::string> args = {"--seed", "1"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const RunResult r = rungstboot(dir.path(), args);
        if (row.message.empty()) {
            EXPECT_EQ(r.status, 0) << r.err;
            // Written where the descriptor leads, after the console text.
            if (row.args[1] == "/dev/stdout") {
                EXPECT_NE(r.out.find("</svg>"), std::string::npos);
            }
            continue;
        }
        EXPECT_EQ(r.status, 2) << row.message;
        EXPECT_NE(r.err.find("gstboot: " + row.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << row.message;
        EXPECT_EQ(snapshot(dir), before) << row.message;
    }
}

// A failing table must not let the report, or a figure finished before it,
// replace the previous ones; the report named through /proc/ is a file too.
TEST(OutputTransaction, OneFailingOutputKeepsEveryPreviousFile) {
    if (!hasdevfull()) GTEST_SKIP() << "no /dev/full on this system";
    for (const char* failing : {"--table", "--plot"}) {
        TempDir dir;
        copyinputs(CASE, dir.path());
        writefile(dir.file("output.txt"), "previous report\n");
        writefile(dir.file("f.svg"), "previous figure\n");
        const auto before = snapshot(dir);
        const std::string other = std::string(failing) == "--table" ? "--plot" : "--table";
        const std::string otherfile = other == "--plot" ? "f.svg" : "t.tsv";
        const RunResult r = rungstboot(dir.path(), {"--seed", "1", "--output", "/proc/self/cwd/output.txt", failing,
                                                      "/dev/full", other, otherfile});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("gstboot: cannot write /dev/full: No space left on device"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir), before) << failing;
    }
}

// The second target turns into a folder after the files were opened: its
// rename fails after the first succeeded, and the message says which is which.
TEST(OutputTransaction, RenameFailingHalfWayIsReportedWithWhatWasReplaced) {
    TempDir dir;
    writefile(dir.file("a.txt"), "old a\n");
    auto set = std::make_unique<gstboot::OutputSet>();
    set->add(dir.file("a.txt")).write("new a\n");
    set->add(dir.file("b.txt")).write("new b\n");
    ASSERT_EQ(::mkdir(dir.file("b.txt").c_str(), 0755), 0);
    ::mkdir((dir.file("b.txt") + "/x").c_str(), 0755);  // a folder that is not empty cannot be replaced
    try {
        set->commit(stdout);
        FAIL() << "the commit should fail";
    } catch (const gstboot::Error& e) {
        const std::string m = e.what();
        EXPECT_EQ(e.kind(), gstboot::ErrorKind::output);
        EXPECT_NE(m.find("already replaced: " + dir.file("a.txt")), std::string::npos) << m;
        EXPECT_NE(m.find("left as they were: " + dir.file("b.txt")), std::string::npos) << m;
    }
    set.reset();
    EXPECT_EQ(readfile(dir.file("a.txt")), "new a\n");
    EXPECT_EQ(sorted(listdir(dir.path())), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// With too little address space for a thousand thread stacks the run goes
// on with the threads that started, and gives the bytes of one thread.
// Not built under AddressSanitizer, whose shadow memory does not fit a
// small address-space limit.
#ifndef GSTBOOT_UNDER_ASAN
TEST(Threads, ThoseThatCannotStartAreDoneWithout) {
    TempDir dir;
    copyinputs(CASE, dir.path());
    const RunResult one = rungstboot(dir.path(), {"--seed", "1", "--threads", "1", "--output", "one.txt"});
    ASSERT_EQ(one.status, 0);
    const std::string cmd = "cd '" + dir.path() + "' && (ulimit -v 1500000; exec '" + GSTBOOT_EXE +
                            "' --seed 1 --threads 1000 --output many.txt > many.out 2> many.err)";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << readfile(dir.file("many.err"));
    EXPECT_EQ(readfile(dir.file("many.out")), one.out);
    EXPECT_EQ(readfile(dir.file("many.txt")), readfile(dir.file("one.txt")));
    EXPECT_NE(readfile(dir.file("many.err")).find("threads could be started"), std::string::npos);
    EXPECT_EQ(sorted(listdir(dir.path())), (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "many.err",
                                                                      "many.out", "many.txt", "one.txt"}));
}
#endif

// A scorer that fails on one replicate.
class FailingScorer final : public gstboot::Scorer {
public:
    explicit FailingScorer(const gstboot::DataSet& ds) : Scorer(ds) {}
    std::unique_ptr<Work> makework() const override { return std::make_unique<Work>(); }
    void scoreall(const gstboot::ReplicateIndex&, Work&, gstboot::PairEstimates&) const override {
        if (++calls_ == 300) throw std::logic_error("replicate failed");
    }
    mutable std::atomic<int> calls_{0};
};

TEST(Threads, WorkerFailureReachesTheCallerAfterTheJoin) {
    auto ds = std::make_unique<gstboot::DataSet>();
    auto tables = std::make_unique<gstboot::ResultTables>();
    for (int threads : {1, 2, 8}) {
        FailingScorer scorer(*ds);
        std::vector<std::string> warnings;
        std::FILE* sink = std::tmpfile();
        EXPECT_THROW(gstboot::runreplicates(*ds, scorer, 1, threads, *tables, sink, warnings), std::logic_error)
            << threads;
        std::fclose(sink);
        // Every worker was joined before the throw reached us: none scores on.
        const int calls = scorer.calls_.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(scorer.calls_.load(), calls) << threads;
    }
}

// A scorer slow enough that a stop arrives while workers still hold work.
class SlowScorer final : public gstboot::Scorer {
public:
    explicit SlowScorer(const gstboot::DataSet& ds) : Scorer(ds) {}
    std::unique_ptr<Work> makework() const override { return std::make_unique<Work>(); }
    void scoreall(const gstboot::ReplicateIndex&, Work&, gstboot::PairEstimates&) const override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++calls_;
    }
    mutable std::atomic<int> calls_{0};
};

// A stop is asked by the calling thread only; the run ends early with the
// stop's error, every worker joined.
TEST(Threads, StopEndsTheRunFromTheCallingThread) {
    auto ds = std::make_unique<gstboot::DataSet>();
    auto tables = std::make_unique<gstboot::ResultTables>();
    for (int threads : {1, 2, 8}) {
        SlowScorer scorer(*ds);
        std::vector<std::string> warnings;
        const std::thread::id caller = std::this_thread::get_id();
        int asked = 0;
        bool elsewhere = false;
        const gstboot::StopCheck stop = [&] {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            return ++asked == 3;
        };
        try {
            gstboot::runreplicates(*ds, scorer, 1, threads, *tables, nullptr, warnings, nullptr, &stop);
            ADD_FAILURE() << threads << ": not stopped";
        } catch (const gstboot::Error& e) {
            EXPECT_EQ(std::string(e.what()), "gstboot: interrupted") << threads;
        }
        EXPECT_FALSE(elsewhere) << threads;
        EXPECT_EQ(asked, 3) << threads;
        const int calls = scorer.calls_.load();
        if (threads == 1) {
            EXPECT_EQ(calls, 3);
        }
        EXPECT_LT(calls, gstboot::NREP) << threads;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(scorer.calls_.load(), calls) << threads;
    }
}

// Formatted in-process from a hand-made summary: a cause shared by many
// pairs is one line that counts them and names the first few.
TEST(WarningText, ManyPairsWithOneCauseShareOneLine) {
    for (int npairs : {gstboot::GROUPAFTER, gstboot::GROUPAFTER + 1, 435}) {
        gstboot::RunSummary run;
        run.correction = true;
        run.mhcfile = "M.txt";
        run.micfile = "C.txt";
        for (int k = 0; k < npairs; ++k) {
            gstboot::PairSummary p;
            p.pop1 = 0;
            p.pop2 = k + 1;
            p.mhc.n1 = p.mhc.n2 = p.mic.n1 = p.mic.n2 = 5;
            p.mhc.facts.allheterozygous = true;
            p.mic.finite = gstboot::NREP;
            run.pairs.push_back(p);
        }
        const std::vector<std::string> lines = gstboot::estimatewarnings(run);
        if (npairs <= gstboot::GROUPAFTER) {
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(npairs));
            EXPECT_EQ(lines[0].rfind("M.txt: warning: pair 1-2, MHC data set: every individual", 0), 0u) << lines[0];
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << npairs;
        const std::string more = npairs > gstboot::GROUPNAMES
                                     ? " and " + std::to_string(npairs - gstboot::GROUPNAMES) + " more"
                                     : "";
        EXPECT_EQ(lines[0].rfind("M.txt: warning: " + std::to_string(npairs) + " pairs (1-2, 1-3, 1-4", 0), 0u)
            << lines[0];
        EXPECT_NE(lines[0].find(more + "), MHC data set: every individual"), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find("the table (--table)"), std::string::npos);
    }
}

}  // namespace

namespace {

// Named pairs are named in their warnings; a missing-data pair with no
// locus typed in both populations says so.
TEST(WarningText, NamesAndLociWithoutTypedIndividuals) {
    gstboot::RunSummary run;
    run.mhcfile = "M.gen";
    run.micfile = "C.gen";
    gstboot::PairSummary p;
    p.pop2 = 1;
    p.name1 = "Ammersee";
    p.name2 = "Chiemsee";
    p.mhc.n1 = p.mhc.n2 = p.mic.n1 = p.mic.n2 = 4;
    p.mhc.finite = p.mic.finite = gstboot::NREP;
    run.pairs.push_back(p);
    EXPECT_TRUE(gstboot::estimatewarnings(run).empty());
    run.pairs[0].mic.facts.nolocus = true;
    const std::vector<std::string> lines = gstboot::estimatewarnings(run);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "C.gen: warning: pair 1-2 (Ammersee - Chiemsee), MIC data set: no locus has typed individuals "
                        "in both populations: there is nothing to compare, so this pair has no MIC estimate (not a "
                        "number) in any replicate");
}

}  // namespace

// A signal that arrives between two renames takes effect after the last: the
// set is all new (and the run still ends by the signal), never mixed.
TEST(OutputTransaction, SignalDuringTheRenamesWaitsForTheLast) {
    TempDir dir;
    const std::vector<std::string> names = {"a.txt", "b.tsv", "c.svg"};
    for (const std::string& n : names) writefile(dir.file(n), "old\n");
    EXPECT_EXIT(
        {
            gstboot::installsignalhandlers();
            gstboot::OutputSet set;
            for (const std::string& n : names) set.add(dir.file(n)).write("new\n");
            set.commit(stdout, [] { std::raise(SIGTERM); });
            std::_Exit(0);  // the pending signal ends the process before this
        },
        ::testing::KilledBySignal(SIGTERM), "");
    for (const std::string& n : names) EXPECT_EQ(readfile(dir.file(n)), "new\n") << n;
    EXPECT_EQ(sorted(listdir(dir.path())), names);
}

// A run that would write a file another run holds (here this process, between
// opening its outputs and its commit) is refused at once, before any work,
// touching nothing; the lock ends with the commit and leaves no file.
TEST(OutputTransaction, SecondRunOnTheSameOutputIsRefusedAtOnce) {
    TempDir dir;
    copyinputs(CASE, dir.path());
    writefile(dir.file("output.txt"), "previous report\n");
    ASSERT_EQ(::symlink("t.tsv", dir.file("table-link.tsv").c_str()), 0);
    {
        gstboot::OutputSet first;
        first.add(dir.file("t.tsv")).write("first run's table\n");
        const auto before = snapshot(dir);
        for (const char* table : {"t.tsv", "./t.tsv", "table-link.tsv"}) {
            const RunResult r = rungstboot(dir.path(), {"--seed", "1", "--table", table});
            EXPECT_EQ(r.status, 1) << table;
            EXPECT_NE(r.err.find(std::string("gstboot: cannot create ") + table + ": another run is writing it"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(r.out, "") << table << ": the replicates ran";
            EXPECT_EQ(snapshot(dir), before) << table;
        }
        first.commit(stdout);
        EXPECT_EQ(sorted(listdir(dir.path())),
                  (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "output.txt", "t.tsv", "table-link.tsv"}));
    }
    EXPECT_EQ(readfile(dir.file("t.tsv")), "first run's table\n");
    const RunResult r = rungstboot(dir.path(), {"--seed", "1", "--table", "t.tsv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(sorted(listdir(dir.path())),
              (std::vector<std::string>{"MHCdata.txt", "MICdata.txt", "output.txt", "t.tsv", "table-link.tsv"}));
}
