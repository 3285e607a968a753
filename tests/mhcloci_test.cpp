// Several MHC loci: the fast scorer against the plain one, bit for bit, on
// random studies whose MHC set is 2 to 4 loci of 1 to 4 copies.
#include <gtest/gtest.h>

#include <random>

#include "estimates/scorer.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// npop populations, `loci` MHC loci of `copies` copies with codes of their
// own, three MIC loci; sizes reach 0 and 1, some loci have one allele.
std::unique_ptr<DataSet> randomloci(std::mt19937& gen, int npop, int loci, int copies) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    auto ds = std::make_unique<DataSet>();
    std::vector<std::int32_t> nm(static_cast<std::size_t>(npop)), nc(nm);
    for (auto& n : nm) n = pick(6) == 0 ? pick(2) : 1 + pick(14);
    for (auto& n : nc) n = 1 + pick(10);
    std::vector<std::int32_t> first{0};
    std::vector<int> alleles;
    for (int k = 0; k < loci; ++k) {
        alleles.push_back(pick(4) == 0 ? 1 : 2 + pick(9));
        first.push_back(first.back() + alleles.back());
    }
    ds->shapemhc(nm, copies, first.back(), loci);
    ds->mhcfirst = first;
    ds->settings = {pick(2) == 0, pick(3) != 0, pick(3) != 0, pick(3) == 0};
    for (int p = 0; p < npop; ++p) {
        for (int i = 0; i < nm[static_cast<std::size_t>(p)]; ++i) {
            for (int k = 0; k < loci; ++k) {
                // Skewed within a population, so that pairs differ.
                const int lead = pick(alleles[static_cast<std::size_t>(k)]);
                for (int c = 0; c < copies; ++c) {
                    const int a = pick(3) == 0 ? pick(alleles[static_cast<std::size_t>(k)]) : (lead + p) % alleles[static_cast<std::size_t>(k)];
                    const std::int32_t code = first[static_cast<std::size_t>(k)] + a;
                    ds->mhc[p][i][k * copies + c] = code;
                    ds->present[0][code] = 1;
                }
            }
        }
    }
    ds->shapemic(nc, 3, {6});
    for (int p = 0; p < npop; ++p) {
        for (int i = 0; i < nc[static_cast<std::size_t>(p)]; ++i) {
            for (int l = 0; l < 3; ++l) {
                for (int a = 0; a < 2; ++a) {
                    const std::int32_t code = (p + pick(3)) % 6;
                    ds->mic[p][i][l][a] = code;
                    ds->present[1 + l][code] = 1;
                }
            }
        }
    }
    return ds;
}

TEST(MhcLoci, TheFastScorerMatchesThePlainOne) {
    std::mt19937 gen(77);
    // Population counts on both sides of the eight lanes of a pair line.
    const int npops[] = {2, 3, 7, 8, 9, 16, 17};
    for (int trial = 0; trial < 42; ++trial) {
        const int npop = npops[trial % 7];
        const int loci = 2 + trial % 3, copies = 1 + trial / 3 % 4;
        SCOPED_TRACE(std::to_string(npop) + " populations, " + std::to_string(loci) + " loci of " +
                     std::to_string(copies) + " copies, trial " + std::to_string(trial));
        auto ds = randomloci(gen, npop, loci, copies);
        auto plain = makereferencescorer(*ds);
        auto plainwork = plain->makework();
        auto idx = std::make_unique<ReplicateIndex>();
        auto want = std::make_unique<PairEstimates>(), got = std::make_unique<PairEstimates>();
        for (Isa isa : testutil::runnableisas()) {
            auto fast = makeenginescorer(*ds, isa);
            auto work = fast->makework();
            Random rng;
            rng.srand(static_cast<std::uint32_t>(trial));
            for (int r = -1; r < 3; ++r) {
                if (r < 0) {
                    identityreplicate(*ds, *idx);
                } else {
                    drawreplicate(*ds, *idx, rng);
                }
                plain->score(*idx, *plainwork, *want);
                fast->score(*idx, *work, *got);
                for (int i = 0; i + 1 < npop; ++i) {
                    for (int j = i + 1; j < npop; ++j) {
                        ASSERT_TRUE(testutil::sameresult(want->mhc[i][j], got->mhc[i][j]))
                            << isaname(isa) << " pair " << i << "," << j << " replicate " << r << ": " << want->mhc[i][j]
                            << " vs " << got->mhc[i][j];
                    }
                }
            }
        }
    }
}

}  // namespace
