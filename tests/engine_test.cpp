// The fast scoring against the straightforward one, bit for bit, on many
// random data sets and replicates; and the exact-sum shortcuts it rests on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "estimates/engine.h"
#include "estimates/exactsum.h"
#include "estimates/isa.h"
#include "estimates/micengine.h"
#include "plain/pairgst.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

double naiveadd(double s, double t, std::int64_t r) {
    for (std::int64_t k = 0; k < r; ++k) s = s + t;
    return s;
}

TEST(ExactSum, RepeatAddMatchesTheLoop) {
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> mant(1.0, 2.0);
    for (int trial = 0; trial < 4000; ++trial) {
        const int e1 = static_cast<int>(gen() % 60) - 30;
        const int e2 = e1 - static_cast<int>(gen() % 60);
        double s = trial % 7 == 0 ? 0.0 : std::ldexp(mant(gen), e1);
        double t = std::ldexp(mant(gen), e2);
        if (trial % 5 == 0) {
            // Halfway cases: t is an odd number of half units of s's binade.
            const Binade b(s > 0 ? s : 1.0);
            t = b.unit * (static_cast<double>(gen() % 9) + 0.5);
        }
        if (trial % 11 == 0) t = 1.0 / static_cast<double>(1 + gen() % 20000);  // heterozygosity steps
        const std::int64_t r = static_cast<std::int64_t>(gen() % 3000);
        const double want = naiveadd(s, t, r);
        const double got = repeatadd(s, t, r);
        ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0) << s << " + " << t << " x " << r;
    }
    EXPECT_EQ(repeatadd(0.0, 0.001, 1000), 1.0000000000000007);
    EXPECT_EQ(repeatadd(0.0, 1.0 / 10.0, 10), 0.9999999999999999);
    EXPECT_EQ(repeatadd(0.0, 1.0 / 20.0, 20), 1.0000000000000002);
}

TEST(ExactSum, BinadeUnits) {
    const Binade b(1.5);
    EXPECT_EQ(b.unit, std::ldexp(1.0, -52));
    EXPECT_EQ(b.units, (std::int64_t{3} << 51));
    EXPECT_EQ(b.value(b.units), 1.5);
    bool tie = false;
    b.unitsof(std::ldexp(2.5, -52), tie);  // 2.5 units: halfway
    EXPECT_TRUE(tie);
    tie = false;
    EXPECT_EQ(b.unitsof(std::ldexp(2.75, -52), tie), 3);
    EXPECT_EQ(b.unitsof(std::ldexp(2.25, -52), tie), 2);
    EXPECT_FALSE(tie);
    EXPECT_EQ(b.unitsof(1e300, tie), UNITS_CAP);
}

// A random data set in the two file formats: populations with their own
// allele frequencies (from a shared pool, some strongly skewed), sizes that
// reach 0, 1, 2 and the limits, and every switch.
struct RandomStudy {
    std::string mhc, mic;
};

RandomStudy randomstudy(std::mt19937& gen, int npop, bool large, int poolsize = 0, int loci = -1) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    const int w = pick(11);
    const int nloci = loci >= 0 ? loci : pick(4) == 0 ? 0 : pick(large ? 4 : 7);
    auto size = [&]() {
        const int r = pick(10);
        if (r == 0) return 0;
        if (r == 1) return 1;
        if (r == 2) return 2;
        if (large && r == 3) return 200;
        return 1 + pick(large ? 60 : 12);
    };
    // Allele pools: a few codes, sometimes including 0 and 350.
    auto pool = [&]() {
        std::vector<int> codes;
        if (poolsize > 0) {
            // Exactly poolsize distinct codes, so the rows have that width.
            for (int a = 0; a < poolsize; ++a) codes.push_back(a * 5);
            return codes;
        }
        const int k = 1 + pick(pick(3) == 0 ? 25 : 6);
        for (int a = 0; a < k; ++a) codes.push_back(pick(4) == 0 ? (pick(2) ? 0 : 350) : pick(351));
        return codes;
    };
    auto freqs = [&](std::size_t k) {
        std::vector<double> f(k);
        const bool skew = pick(3) == 0;
        for (double& x : f) x = skew ? std::pow(static_cast<double>(pick(1000) + 1), 3.0) : pick(10) + 1.0;
        return f;
    };
    auto draw = [&](const std::vector<int>& codes, std::vector<double>& f) {
        std::discrete_distribution<int> dist(f.begin(), f.end());
        return codes[static_cast<std::size_t>(dist(gen))];
    };
    const int switches[] = {0, 1, 1, 2, -1};
    std::ostringstream m, c;
    m << npop << ' ' << w << ' ' << switches[pick(5)] << ' ' << switches[pick(5)] << '\n';
    c << nloci << ' ' << switches[pick(5)] << ' ' << switches[pick(5)] << '\n';
    std::vector<int> nm(static_cast<std::size_t>(npop)), nc(static_cast<std::size_t>(npop));
    for (int& n : nm) n = size();
    for (int& n : nc) n = size();
    // Occasionally a pair with both populations empty in one data set.
    if (npop >= 2 && pick(8) == 0) nm[0] = nm[1] = 0;
    for (int n : nm) m << n << ' ';
    for (int n : nc) c << n << ' ';
    m << '\n';
    c << '\n';
    const std::vector<int> mhcpool = pool();
    std::vector<std::vector<int>> locpool;
    for (int l = 0; l < nloci; ++l) locpool.push_back(pool());
    const bool inbred = pick(3) == 0;  // many homozygotes
    for (int p = 0; p < npop; ++p) {
        std::vector<double> f = freqs(mhcpool.size());
        for (int i = 0; i < nm[static_cast<std::size_t>(p)]; ++i) {
            const int first = draw(mhcpool, f);
            for (int k = 0; k < w; ++k) m << (inbred && pick(2) ? first : draw(mhcpool, f)) << ' ';
            m << '\n';
        }
        std::vector<std::vector<double>> lf;
        for (int l = 0; l < nloci; ++l) lf.push_back(freqs(locpool[static_cast<std::size_t>(l)].size()));
        for (int i = 0; i < nc[static_cast<std::size_t>(p)]; ++i) {
            for (int l = 0; l < nloci; ++l) {
                const int a = draw(locpool[static_cast<std::size_t>(l)], lf[static_cast<std::size_t>(l)]);
                const int b = inbred && pick(2) ? a : draw(locpool[static_cast<std::size_t>(l)], lf[static_cast<std::size_t>(l)]);
                c << a << ' ' << b << ' ';
            }
            c << '\n';
        }
    }
    return {m.str(), c.str()};
}

// Scores `replicates` replicates (and the data as read) both ways and
// compares every pair's two estimates bit for bit (a NaN with any NaN).
void comparestudy(const RandomStudy& study, std::uint32_t seed, int replicates) {
    auto ds = testutil::parsedata(study.mhc, study.mic);
    // Odd seeds take the individuals' terms in blocks of 1 to 5 lines, so
    // that small studies cross block boundaries too.
    // One engine per kernel set the machine runs, each held to the
    // straightforward scoring.
    // The MHC set is the engine's, the MIC set the MIC scorer's.
    std::vector<std::unique_ptr<Engine>> engines;
    std::vector<Engine::WorkPtr> works;
    std::vector<std::unique_ptr<MicEngine>> mics;
    std::vector<MicEngine::WorkPtr> micworks;
    for (Isa isa : testutil::runnableisas()) {
        const int lines = seed % 2 ? static_cast<int>(1 + seed / 2 % 5) : 0;
        engines.push_back(std::make_unique<Engine>(*ds, isa, lines));
        works.push_back(engines.back()->makework());
        MicBlocking cut;
        cut.lines = lines;
        mics.push_back(std::make_unique<MicEngine>(*ds, isa, cut));
        micworks.push_back(mics.back()->makework());
    }
    auto rep = std::make_unique<Replicate>();
    auto idx = std::make_unique<ReplicateIndex>();
    auto scratch = std::make_unique<PairScratch>();
    auto want = std::make_unique<PairEstimates>();
    auto got = std::make_unique<PairEstimates>();
    got->shape(ds->npop);
    Random a, b;
    a.srand(seed);
    b.srand(seed);
    for (int r = -1; r < replicates; ++r) {
        if (r < 0) {
            identityreplicate(*ds, *idx);
            scorepairs(*ds, ds->present, ds->mhc, ds->mic, *scratch, *want);
        } else {
            resample(*ds, *rep, a);
            drawreplicate(*ds, *idx, b);
            ASSERT_EQ(a.state(), b.state());
            scorepairs(*ds, rep->present, rep->rmhc, rep->rmic, *scratch, *want);
        }
        for (std::size_t e = 0; e < engines.size(); ++e) {
            const char* isa = isaname(testutil::runnableisas()[e]);
            engines[e]->score(*idx, *works[e], got->mhc);
            mics[e]->score(*idx, *micworks[e], got->mic);
            for (int i = 0; i + 1 < ds->npop; ++i) {
                for (int j = i + 1; j < ds->npop; ++j) {
                    ASSERT_TRUE(testutil::sameresult(want->mhc[i][j], got->mhc[i][j]))
                        << isa << " MHC pair " << i << "," << j << " replicate " << r << ": " << want->mhc[i][j]
                        << " vs " << got->mhc[i][j] << "\n"
                        << study.mhc;
                    ASSERT_TRUE(testutil::sameresult(want->mic[i][j], got->mic[i][j]))
                        << isa << " MIC pair " << i << "," << j << " replicate " << r << ": " << want->mic[i][j]
                        << " vs " << got->mic[i][j] << "\n"
                        << study.mic;
                }
            }
        }
    }
}

TEST(Engine, MatchesTheStraightforwardScoringOnSmallStudies) {
    std::mt19937 gen(2026);
    // Population counts below, at and above the sizes a vector or a block
    // might use.
    const int npops[] = {0, 1, 2, 3, 7, 8, 9, 16, 17};
    for (int trial = 0; trial < 300 * testutil::SWEEP; ++trial) {
        const int npop = npops[trial % 9];
        RandomStudy s = randomstudy(gen, npop, false);
        comparestudy(s, static_cast<std::uint32_t>(trial), 2);
        if (HasFatalFailure()) return;
    }
}

TEST(Engine, MatchesTheStraightforwardScoringOnLargePopulations) {
    std::mt19937 gen(7);
    for (int trial = 0; trial < 120; ++trial) {
        RandomStudy s = randomstudy(gen, 2 + trial % 3, true);
        comparestudy(s, static_cast<std::uint32_t>(trial), 2);
        if (HasFatalFailure()) return;
    }
}

TEST(Engine, MatchesAtTheEdgesOfItsBlocks) {
    // Rows of 7, 8, 9, 63, 64 and 65 alleles sit at the vector width and the
    // column block of the term tables; 31 to 50 populations give every
    // number of partners up to the most the format allows.
    std::mt19937 gen(99);
    const int widths[] = {7, 8, 9, 63, 64, 65};
    const int npops[] = {31, 33, 50};
    for (int trial = 0; trial < 12; ++trial) {
        RandomStudy s = randomstudy(gen, npops[trial % 3], false, widths[trial % 6]);
        comparestudy(s, static_cast<std::uint32_t>(trial), 1);
        if (HasFatalFailure()) return;
    }
}

TEST(Engine, MatchesAtTheEdgesOfEveryWidth) {
    // The kernels hold 2, 4 or 8 lanes per vector; the pair ratios take 4
    // or 8 lanes a pass, the SSW lanes 24, 32 or 52 (partners plus one),
    // and the line sums 6, 16 or 24 columns of 4, 3 or 4 rows (partners
    // plus one) a pass. Population counts and row widths just below, at and
    // above each; 50 populations give every count of partners.
    std::mt19937 gen(321);
    const int npops[] = {4, 5, 9, 23, 24, 25, 32, 33, 50};
    const int widths[] = {5, 6, 7, 15, 16, 17, 23, 24, 25};
    for (int trial = 0; trial < 27; ++trial) {
        RandomStudy s = randomstudy(gen, npops[trial % 9], trial % 2 == 0, widths[trial / 3 % 9]);
        comparestudy(s, static_cast<std::uint32_t>(trial), 1);
        if (HasFatalFailure()) return;
    }
}

TEST(Engine, MatchesWithMoreColumnsThanOneBlockHolds) {
    // Many wide loci: the replicate's MIC columns (varying with its loci)
    // make lines so long that a chunk holds one locus at a time.
    std::mt19937 gen(5);
    for (int trial = 0; trial < 10; ++trial) {
        RandomStudy s = randomstudy(gen, 3, true, 70, 40);
        comparestudy(s, static_cast<std::uint32_t>(2 * trial), 3);
        if (HasFatalFailure()) return;
    }
}

TEST(Engine, MatchesOnTheGoldenInputs) {
    for (const std::string name : {"all-heterozygous", "corr-loci", "edge-codes", "ten-copies", "small-boot",
                                   "no-loci", "amova-peer", "worked-example"}) {
        const std::string dir = testutil::testdata("golden/" + name);
        RandomStudy s{testutil::readfile(dir + "/MHCdata.txt"), testutil::readfile(dir + "/MICdata.txt")};
        comparestudy(s, 42, 3);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
