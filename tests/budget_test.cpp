// The memory a run needs: the estimate against what the scorers allocate,
// and a study too large for an address-space limit refused before anything
// is written.
#include <gtest/gtest.h>

#include <sstream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "driver/budget.h"
#include "estimates/footprint.h"
#include "estimates/scorer.h"
#include "missingstudy.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// Neither is built under AddressSanitizer: its allocator is not the one
// mallinfo2 measures, and its shadow memory does not fit under ulimit -v.
#ifndef GSTBOOT_UNDER_ASAN
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
std::uint64_t heapinuse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}
#define GSTBOOT_HEAPINFO 1
#endif

TEST(Budget, EstimateBoundsWhatTheScorersAllocate) {
#if !defined(GSTBOOT_HEAPINFO)
    GTEST_SKIP() << "needs glibc's mallinfo2 to measure the heap";
#else
    struct Case {
        int npop, nloci, maxind, alleles;
        bool reference;
    };
    // Complete and missing data, narrow and wide rows, both scorers.
    const Case cases[] = {{9, 4, 30, 3, false}, {40, 60, 25, 2, false}, {17, 5, 120, 40, false},
                          {9, 4, 30, 3, true},  {40, 60, 25, 2, true},  {3, 200, 60, 2, false}};
    std::mt19937 gen(8);
    for (const Case& c : cases) {
        for (bool gaps : {false, true}) {
            missingstudy::Shape s;
            s.npop = c.npop;
            s.nloci = c.nloci;
            s.maxind = c.maxind;
            s.alleles = c.alleles;
            s.exact = !gaps;
            s.corrflag = 1;
            const auto ds = missingstudy::random(gen, s);
            const Footprint f = scorerfootprint(*ds, c.reference);
            const std::uint64_t before = heapinuse();
            {
                const auto scorer = makescorer(*ds, c.reference, chosenisa());
                auto work = scorer->makework();
                auto idx = std::make_unique<ReplicateIndex>();
                auto est = std::make_unique<PairEstimates>();
                identityreplicate(*ds, *idx);
                scorer->score(*idx, *work, *est);  // shapes what is sized on first use
                const std::uint64_t used = heapinuse() - before;
                const std::uint64_t estimate = f.shared + f.perthread;
                EXPECT_GE(estimate, used) << c.npop << " pops, " << c.nloci << " loci, missing " << ds->micmissing;
                // Not so loose that it would refuse what fits: within twice
                // what is used, beyond the fixed allowance for bookkeeping.
                EXPECT_LE(estimate, 2 * used + (std::uint64_t{1} << 20))
                    << c.npop << " pops, " << c.nloci << " loci, missing " << ds->micmissing;
            }
        }
    }
#endif
}

TEST(Budget, StudyBeyondTheLimitIsRefusedBeforeAnythingIsWritten) {
    if (!testutil::havetool("sh")) GTEST_SKIP() << "needs sh to set ulimit -v";
    // 700 populations of two individuals: a small file, but 244,650 pairs
    // of 1000 replicates each, about 3.7 GiB of tables.
    std::ostringstream mhc, mic;
    mhc << "population,individual,c1,c2\n";
    mic << "population,individual,L_1,L_2\n";
    for (int p = 0; p < 700; ++p) {
        for (int i = 0; i < 2; ++i) {
            mhc << 'P' << p << ",i" << i << ',' << 1 + (p + i) % 5 << ',' << 1 + p % 3 << '\n';
            mic << 'P' << p << ",i" << i << ',' << 1 + (p * i) % 4 << ',' << 1 + i << '\n';
        }
    }
    struct Case {
        std::string mhc, mic;
        const char* threads;
        int status;
        std::string err;  // a line standard error holds
    };
    const std::string example = testutil::testdata("../../examples");
    const Case cases[] = {
        {"big.csv", "bigmic.csv", "1", 1,
         "gstboot: the study (700 populations, 1400 MHC individuals of 2 copies, 1400 MIC individuals at 1 loci) "
         "needs about "},
        {example + "/MHCdata.txt", example + "/MICdata.txt", "200", 0,
         "gstboot: warning: 200 threads would need about "},
        {example + "/MHCdata.txt", example + "/MICdata.txt", "1", 0, "seed: 7"},
    };
    for (const Case& c : cases) {
        testutil::TempDir dir;
        testutil::writefile(dir.file("big.csv"), mhc.str());
        testutil::writefile(dir.file("bigmic.csv"), mic.str());
        const std::string command = "ulimit -v 1048576 && exec " + std::string(GSTBOOT_EXE) + " --seed 7 --threads " +
                                    c.threads + " --mhc " + c.mhc + " --mic " + c.mic + " --output out.txt";
        const testutil::RunResult r = testutil::runshell(dir.path(), command);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(testutil::exists(dir.file("out.txt")), c.status == 0) << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find("MiB of the address-space limit (ulimit -v); nothing was written"), std::string::npos)
                << r.err;
            EXPECT_EQ(testutil::listdir(dir.path()).size(), 2u);  // the inputs alone
        }
    }
}

#endif  // GSTBOOT_UNDER_ASAN

}  // namespace
