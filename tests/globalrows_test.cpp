// The study table's measures over all populations: the estimator taken from
// counts against gstnum/gstden over k populations, the pair it must be over
// two, and the intervals from the run's replicates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>

#include "driver/replicates.h"
#include "driver/summarize.h"
#include "estimates/scorer.h"
#include "missingstudy.h"
#include "plain/globalcounts.h"
#include "plain/heterozygosity.h"
#include "plain/pairmissing.h"
#include "resampling/resample.h"
#include "testutil.h"

using namespace gstboot;

namespace {

// The estimator as plain/globalcounts.h defines it, copy by copy: per locus
// gstnum/gstden over the populations typed there (their typed individuals
// only), summed over the codes in ascending order, divided by
// (N - k) w nc; the correction from hetdivisor(), as a pair takes it.
// `varies`: some entering locus holds two alleles (else the value is 0 / 0
// and only rounding would give it digits); `allhet`: the correction is on
// and every typed individual heterozygous (its divisor 0, where the running
// sum leaves rounding instead).
struct Straight {
    double value = std::numeric_limits<double>::quiet_NaN();
    bool varies = false;
    bool allhet = false;
};

Straight straight(const DataSet& ds, bool mhc) {
    const int w = mhc ? ds.mhccopies : 2;
    double num = 0.0, den = 0.0;
    int hets = 0, typed = 0;
    Straight out;
    for (int l = 0; l < (mhc ? 1 : ds.nloci); ++l) {
        std::vector<PopBlock> blocks(static_cast<std::size_t>(ds.npop));
        std::vector<std::int32_t> sizes;
        std::set<std::int32_t> codes;
        for (int p = 0; p < ds.npop; ++p) {
            PopBlock& b = blocks[sizes.size()];
            const int most = mhc ? ds.nmhc[p] : ds.nmic[p];
            b.shape(most, w);
            int n = 0;
            for (int i = 0; i < most; ++i) {
                const std::int32_t* copies = mhc ? ds.mhc[p][i] : ds.mic[p][i][l].data();
                if (copies[0] == MISSING) continue;
                for (int c = 0; c < w; ++c) codes.insert(b[n][c] = copies[c]);
                hets += heterozygous(copies, w);
                ++n;
            }
            typed += n;
            if (n > 0) sizes.push_back(n);
        }
        const int k = static_cast<int>(sizes.size());
        int big = 0, squares = 0;
        for (int n : sizes) {
            big += n;
            squares += n * n;
        }
        if (k < 2 || big - k < 1) continue;
        double numl = 0.0, denl = 0.0;
        for (std::int32_t a : codes) {
            numl = numl + gstnum(k, sizes.data(), w, a, blocks.data());
            denl = denl + gstden(k, sizes.data(), w, a, blocks.data());
        }
        const double nc = big - static_cast<double>(squares) / big;
        const double scale = static_cast<double>((big - k) * w) * nc;
        num = num + numl / scale;
        den = den + denl / scale;
        out.varies = out.varies || codes.size() > 1;
    }
    out.value = num / den;
    if (ds.settings.corrflag) out.value = out.value / hetdivisor(hets, typed);
    out.allhet = ds.settings.corrflag && typed > 0 && hets == typed;
    return out;
}

// A random study of `npop` populations with the MIC of missingstudy.h
// (missing genotypes, populations of none and of one, single-allele loci)
// and an MHC of 1 to 14 copies, sometimes of one allele.
std::unique_ptr<DataSet> study(std::mt19937& gen, int npop) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    missingstudy::Shape shape;
    shape.npop = npop;
    shape.nloci = 1 + pick(5);
    auto ds = missingstudy::random(gen, shape);
    const int w = 1 + pick(14);
    const int alleles = pick(5) == 0 ? 1 : 2 + pick(12);
    std::vector<std::int32_t> sizes;
    for (int p = 0; p < npop; ++p) sizes.push_back(pick(4) == 0 ? 1 : pick(9));
    ds->shapemhc(sizes, w, NALLELE);
    for (int p = 0; p < npop; ++p) {
        const int skew = pick(3);  // some populations hold few of the alleles
        for (int i = 0; i < ds->nmhc[p]; ++i) {
            for (int c = 0; c < w; ++c) ds->mhc[p][i][c] = 7 * (skew == 0 ? pick(std::min(2, alleles)) : pick(alleles));
        }
    }
    missingstudy::finish(*ds);
    return ds;
}

// Both sides are sums of a few thousand terms at most, each rounded a few
// times, of magnitude at most a few times the denominator (the parts of num
// cancel, those of den do not): their difference stays near 1e-15 of the
// ratio's scale, which is 1 for an estimate that lies near 0 (a relative
// bound alone would ask the impossible of a value of 1e-6 made of terms of
// order 1). The largest difference over this sweep is below 2e-14; 1e-12
// leaves room for other compilers' and processors' libraries.
bool close(double got, double want) {
    if (std::isnan(want)) return std::isnan(got);
    return std::fabs(got - want) <= 1e-12 * std::max(1.0, std::fabs(want));
}

// The counted measures against the straightforward ones: on the data as
// read, on drawn replicates (their genotypes written out for the oracle),
// and, over two populations, against the pair's own observed estimate.
TEST(GlobalRows, CountedEstimatorAgreesWithComponents) {
    std::mt19937 gen(20260514);
    int compared = 0, varied = 0, pairs = 0, jostfinite = 0;
    for (int npop : {2, 3, 7, 8, 9, 16, 17}) {
        for (int trial = 0; trial < (npop == 2 ? 24 : 8); ++trial) {
            auto ds = study(gen, npop);
            ds->settings.corrflag = trial % 3 == 2;
            ds->settings.bootmhc = ds->settings.bootmic = true;
            ds->settings.bootloci = trial % 2 == 1;
            const GlobalCounts counts(*ds);
            GlobalScratch scratch;
            ReplicateIndex index;
            Random rng;
            rng.srand(static_cast<std::uint32_t>(npop * 100 + trial));
            for (int draw = 0; draw < 3; ++draw) {
                // Draw 0 is the data as read, the others replicates.
                DataSet as = *ds;
                if (draw == 0) {
                    identityreplicate(*ds, index);
                } else {
                    drawreplicate(*ds, index, rng);
                    Replicate rep;
                    materialize(*ds, index, rep);
                    as.mhc = rep.rmhc;
                    as.mic = rep.rmic;
                    as.present = rep.present;
                }
                const GlobalValues got = counts.measure(index, scratch);
                std::vector<int> all(static_cast<std::size_t>(npop));
                for (int p = 0; p < npop; ++p) all[static_cast<std::size_t>(p)] = p;
                const JostMeasures mhcjost = jost(setcounts({as, Set::mhc}), all), micjost = jost(setcounts({as, Set::mic}), all);
                const std::string where = std::to_string(npop) + " populations, trial " + std::to_string(trial) +
                                          ", draw " + std::to_string(draw) + ", " + std::to_string(ds->mhccopies) +
                                          " MHC copies";
                for (const bool mhc : {true, false}) {
                    const Straight want = straight(as, mhc);
                    const double value = mhc ? got.mhc.gst : got.mic.gst;
                    if (want.varies && want.allhet) {
                        EXPECT_FALSE(std::isfinite(value)) << where << " all heterozygous: " << value;
                    } else if (want.varies) {
                        EXPECT_TRUE(close(value, want.value)) << where << (mhc ? " MHC " : " MIC ") << value << " "
                                                              << want.value;
                        ++varied;
                    } else {
                        EXPECT_TRUE(std::isnan(value)) << where << " without variation: " << value;
                    }
                    ++compared;
                }
                // D and G''st take jost()'s steps in its order: its bits.
                EXPECT_TRUE(testutil::sameresult(got.mhc.jost.d, mhcjost.d)) << where << " MHC D";
                EXPECT_TRUE(testutil::sameresult(got.mhc.jost.gppst, mhcjost.gppst)) << where << " MHC G''st";
                EXPECT_TRUE(testutil::sameresult(got.mic.jost.d, micjost.d)) << where << " MIC D";
                EXPECT_TRUE(testutil::sameresult(got.mic.jost.gppst, micjost.gppst)) << where << " MIC G''st";
                jostfinite += std::isfinite(got.mic.jost.d) + std::isfinite(got.mhc.jost.d);
                if (npop != 2 || draw != 0) continue;
                PairScratch ps;
                PairEstimates pair;
                scorepairs(*ds, ds->present, ds->mhc, ds->mic, ps, pair);
                if (ds->micmissing) {
                    MissingScratch ms;
                    scoremissingpairs(*ds, ds->present, ds->mic, ms, pair.mic);
                }
                // Where the pair has no locus with N - 2 >= 1 it still divides
                // (0 by 0, or by 0); the estimator over k says not a number.
                for (const bool mhc : {true, false}) {
                    const Straight want = straight(*ds, mhc);
                    if (!want.varies || want.allhet || !std::isfinite(want.value)) continue;
                    const double value = mhc ? got.mhc.gst : got.mic.gst;
                    EXPECT_TRUE(close(value, mhc ? pair.mhc[0][1] : pair.mic[0][1])) << where << " the pair";
                    ++pairs;
                }
            }
        }
    }
    // The sweep reached what it is for.
    EXPECT_GT(varied, compared / 2);
    EXPECT_GT(pairs, 10);
    EXPECT_GT(jostfinite, compared / 4);
}

// The replicates' measures are the same bits for 1, 2 and 7 threads and every
// kernel set, and their bias-corrected intervals hold the observed value,
// as an interval about a sample's estimate should.
TEST(GlobalRows, IntervalsFromTheReplicates) {
    std::mt19937 gen(7);
    missingstudy::Shape shape;
    shape.npop = 6;
    shape.nloci = 5;
    shape.maxind = 25;
    shape.alleles = 6;
    shape.exact = true;
    shape.corrflag = 0;
    shape.bootmic = 1;
    shape.bootloci = 0;
    auto ds = missingstudy::random(gen, shape);
    const GlobalCounts counts(*ds);
    std::vector<GlobalValues> first;
    for (Isa isa : testutil::runnableisas()) {
        for (int threads : {1, 2, 7}) {
            const auto scorer = makescorer(*ds, false, isa);
            auto tables = std::make_unique<ResultTables>();
            tables->assign(ds->npop);
            GlobalReplicates globals;
            globals.counts = &counts;
            std::vector<std::string> warnings;
            runreplicates(*ds, *scorer, 2026, threads, *tables, nullptr, warnings, nullptr, nullptr, &globals);
            ASSERT_EQ(globals.values.size(), static_cast<std::size_t>(NREP));
            if (first.empty()) {
                first = globals.values;
                auto observed = std::make_unique<PairEstimates>();
                scoreobserved(*ds, *scorer, *observed);
                const RunSummary run = summarizerun(*ds, *tables, *observed, 2026, "m", "c", &globals);
                ASSERT_TRUE(run.globals);
                EXPECT_EQ(run.micglobal.pops, ds->npop);
                struct Row {
                    const char* what;
                    RunSummary::Global interval;
                    double (*pick)(const GlobalValues&);
                } rows[] = {{"MIC Gst", run.micglobal.gst, [](const GlobalValues& v) { return v.mic.gst; }},
                            {"MIC D", run.micglobal.jostd, [](const GlobalValues& v) { return v.mic.jost.d; }},
                            {"MIC G''st", run.micglobal.gppst, [](const GlobalValues& v) { return v.mic.jost.gppst; }},
                            {"MHC Gst", run.mhcglobal.gst, [](const GlobalValues& v) { return v.mhc.gst; }}};
                for (const Row& row : rows) {
                    const RunSummary::Global& g = row.interval;
                    ASSERT_TRUE(std::isfinite(g.value) && std::isfinite(g.lower) && std::isfinite(g.upper)) << row.what;
                    EXPECT_LT(g.lower, g.value) << row.what;
                    EXPECT_LT(g.value, g.upper) << row.what;
                    // Shifted back by the replicates' bias, the interval holds
                    // their mean.
                    double sum = 0.0;
                    for (const GlobalValues& r : first) sum += row.pick(r);
                    const double mean = sum / NREP, bias = mean - g.value;
                    EXPECT_LE(g.lower + bias, mean) << row.what;
                    EXPECT_GE(g.upper + bias, mean) << row.what;
                }
                continue;
            }
            for (int r = 0; r < NREP; ++r) {
                const GlobalValues& a = globals.values[static_cast<std::size_t>(r)];
                const GlobalValues& b = first[static_cast<std::size_t>(r)];
                ASSERT_TRUE(testutil::sameresult(a.mhc.gst, b.mhc.gst) && testutil::sameresult(a.mic.gst, b.mic.gst) &&
                            testutil::sameresult(a.mic.jost.d, b.mic.jost.d) &&
                            testutil::sameresult(a.mic.jost.gppst, b.mic.jost.gppst) &&
                            testutil::sameresult(a.mhc.jost.d, b.mhc.jost.d))
                    << isaname(isa) << ", " << threads << " threads, replicate " << r;
            }
        }
    }
}

}  // namespace
