// Studies past every limit of the legacy layout (populations, individuals,
// loci, alleles, copies), read from tables and scored by the fast scorer
// with every kernel set the machine runs, bit for bit against the plain one.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "input/inputs.h"
#include "estimates/scorer.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

struct Shape {
    const char* what;
    int npop;
    int ind;        // individuals of most populations
    int big;        // individuals of population 0
    int copies;     // MHC copies
    int mhcalleles;
    int nloci;
    int alleles;    // at locus 0; the other loci have 2 or 3
    double missing; // share of MIC genotypes untyped
    bool corr;
};

// The study as two tables: population frequencies of their own (some
// populations with one allele), labels that are numbers far apart.
std::pair<std::string, std::string> tables(const Shape& s, std::mt19937& gen) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    std::ostringstream m, c;
    m << "population,individual";
    for (int k = 1; k <= s.copies; ++k) m << ",c" << k;
    c << "population,individual";
    for (int l = 1; l <= s.nloci; ++l) c << ",L" << l << "_1,L" << l << "_2";
    m << '\n';
    c << '\n';
    for (int p = 0; p < s.npop; ++p) {
        const int n = p == 0 ? s.big : s.ind;
        // Cycling through every allele in population 0 makes each allele
        // occur; elsewhere a population draws from a window of them.
        const int window = 1 + pick(std::max(1, s.mhcalleles / 3));
        const int start = pick(s.mhcalleles);
        for (int i = 0; i < n; ++i) {
            m << 'P' << p << ",i" << i;
            for (int k = 0; k < s.copies; ++k) {
                const int a = p == 0 ? (i * s.copies + k) % s.mhcalleles : (start + pick(window)) % s.mhcalleles;
                m << ',' << 7 * a + 3;
            }
            m << '\n';
            c << 'P' << p << ",i" << i;
            for (int l = 0; l < s.nloci; ++l) {
                const int k = l == 0 ? s.alleles : 2 + l % 2;
                std::bernoulli_distribution untyped(s.missing);
                if (untyped(gen) && !(p == 0 && l == 0)) {  // population 0 carries every allele of locus 0
                    c << ",NA,NA";
                    continue;
                }
                for (int a = 0; a < 2; ++a) {
                    const int code = p == 0 && l == 0 ? (2 * i + a) % k : (p % 3 == 1 ? 0 : pick(k));
                    c << ',' << 10 + 11 * code;
                }
            }
            c << '\n';
        }
    }
    return {m.str(), c.str()};
}

TEST(Scale, StudiesPastTheLegacyLimitsMatchThePlainScorer) {
    // Each shape goes past one or more of the legacy layout's limits (50
    // populations, 200 individuals, 50 loci, 351 alleles, 10 copies) and
    // reaches the bounds of the fast scorer's own tables: lane rows of 8
    // populations (63, 64, 65), copies as bits of one word (63, 64).
    const Shape shapes[] = {
        {"60 populations", 60, 3, 4, 2, 5, 3, 3, 0.0, true},
        {"65 populations, missing", 65, 2, 3, 2, 4, 2, 2, 0.1, true},
        {"64 populations", 64, 2, 2, 1, 3, 1, 3, 0.0, false},
        {"250 individuals", 3, 20, 250, 2, 6, 3, 3, 0.0, true},
        {"250 individuals, missing", 4, 12, 250, 3, 6, 4, 4, 0.05, false},
        {"80 loci", 5, 8, 9, 2, 4, 80, 3, 0.0, true},
        {"80 loci, missing", 5, 8, 9, 2, 4, 80, 3, 0.02, true},
        {"400 alleles", 3, 10, 220, 2, 400, 2, 400, 0.0, true},
        {"400 alleles, missing", 3, 10, 220, 2, 20, 2, 400, 0.03, false},
        {"14 copies", 4, 10, 30, 14, 400, 1, 3, 0.0, true},
        {"63 copies", 3, 4, 8, 63, 30, 1, 2, 0.0, true},
        {"64 copies", 3, 4, 8, 64, 90, 1, 2, 0.0, false},
    };
    std::mt19937 gen(2031);
    std::uint32_t seed = 1;
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.what);
        const auto text = tables(s, gen);
        testutil::TempDir dir;
        testutil::writefile(dir.file("mhc.csv"), text.first);
        testutil::writefile(dir.file("mic.csv"), text.second);
        InputRequest request;
        request.paths = {dir.file("mhc.csv"), dir.file("mic.csv")};
        request.correction = s.corr;
        request.resample = Resampling{true, true, seed % 2 == 0};
        DataSet ds;
        std::vector<std::string> warnings;
        readinputs(request, ds, warnings);
        ASSERT_EQ(ds.npop, s.npop);
        ASSERT_EQ(ds.nmic[0], s.big);
        ASSERT_EQ(ds.mhccopies, s.copies);
        ASSERT_EQ(ds.nloci, s.nloci);
        ASSERT_EQ(ds.present.width(1), s.alleles);
        ASSERT_EQ(ds.present.width(0), s.mhcalleles);
        ASSERT_EQ(ds.micmissing, s.missing > 0.0);

        const auto plain = makereferencescorer(ds);
        auto plainwork = plain->makework();
        std::vector<std::unique_ptr<Scorer>> fast;
        std::vector<std::unique_ptr<Scorer::Work>> fastwork;
        for (Isa isa : testutil::runnableisas()) {
            fast.push_back(makeenginescorer(ds, isa));
            fastwork.push_back(fast.back()->makework());
        }
        ReplicateIndex idx;
        PairEstimates want, got;
        Random rng;
        rng.srand(seed++);
        for (int r = -1; r < 2; ++r) {
            if (r < 0) {
                identityreplicate(ds, idx);
            } else {
                drawreplicate(ds, idx, rng);
            }
            plain->score(idx, *plainwork, want);
            for (std::size_t e = 0; e < fast.size(); ++e) {
                fast[e]->score(idx, *fastwork[e], got);
                for (int i = 0; i + 1 < ds.npop; ++i) {
                    for (int j = i + 1; j < ds.npop; ++j) {
                        ASSERT_TRUE(testutil::sameresult(want.mhc[i][j], got.mhc[i][j]))
                            << isaname(testutil::runnableisas()[e]) << " MHC " << i << "," << j << " replicate " << r
                            << ": " << want.mhc[i][j] << " vs " << got.mhc[i][j];
                        ASSERT_TRUE(testutil::sameresult(want.mic[i][j], got.mic[i][j]))
                            << isaname(testutil::runnableisas()[e]) << " MIC " << i << "," << j << " replicate " << r
                            << ": " << want.mic[i][j] << " vs " << got.mic[i][j];
                    }
                }
            }
        }
    }
}

}  // namespace
