// Benchmark of the MIC scoring with missing genotypes: 1000 replicates of
// the largest study, complete and with 3% of its MIC genotypes missing at
// random, one thread. Times the MHC engine, and the MIC scorer on the
// complete study (the pooled estimate) and on the other (the per-locus
// one), and prints the wall times and their ratio.
//
// usage: gstboot_bench_missing [REPLICATES [ROUNDS]]  (defaults 1000, 1)
// With several rounds each figure is the fastest of its rounds.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "model/dataset.h"
#include "estimates/engine.h"
#include "estimates/micengine.h"
#include "resampling/resample.h"

using namespace gstboot;

namespace {

// The shape of bench/gendata.py's largest study.
constexpr int NPOP = 50, NIND = 200, COPIES = 10, MHCALLELES = 120, NLOCI = 50, LOCUSALLELES = 30;
constexpr double MISSINGRATE = 0.03;

// A shared, uneven allele profile: a few common alleles, a long tail.
std::vector<double> profile(std::mt19937& gen, int k) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> w(static_cast<std::size_t>(k));
    for (double& x : w) x = std::pow(1.0 - u(gen), -1.0 / 1.2);
    return w;
}

// Population frequencies: the profile scaled by gamma noise.
std::vector<double> perturb(std::mt19937& gen, const std::vector<double>& base, double spread) {
    const double total = std::accumulate(base.begin(), base.end(), 0.0);
    std::vector<double> w;
    for (double b : base) {
        std::gamma_distribution<double> g(std::max(b / total * spread, 1e-3), 1.0);
        w.push_back(g(gen) + 1e-300);
    }
    return w;
}

std::vector<int> codes(std::mt19937& gen, int k) {
    std::vector<int> all(NALLELE);
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), gen);
    all.resize(static_cast<std::size_t>(k));
    return all;
}

void markpresent(DataSet& ds) {
    ds.present.assign(1 + ds.nloci, NALLELE);
    ds.micmissing = false;
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i)
            for (int c = 0; c < ds.mhccopies; ++c) ds.present[0][ds.mhc[p][i][c]] = 1;
        for (int i = 0; i < ds.nmic[p]; ++i)
            for (int l = 0; l < ds.nloci; ++l)
                for (int a = 0; a < 2; ++a) {
                    const std::int32_t code = ds.mic[p][i][l][a];
                    if (code == MISSING) {
                        ds.micmissing = true;
                    } else {
                        ds.present[1 + l][code] = 1;
                    }
                }
    }
}

std::unique_ptr<DataSet> largest() {
    std::mt19937 gen(1);
    auto ds = std::make_unique<DataSet>();
    ds->shapemhc(std::vector<std::int32_t>(NPOP, NIND), COPIES, NALLELE);
    ds->shapemic(std::vector<std::int32_t>(NPOP, NIND), NLOCI, {NALLELE});
    ds->settings = Settings{true, true, true, true};
    const std::vector<int> mhccodes = codes(gen, MHCALLELES);
    const std::vector<double> mhcbase = profile(gen, MHCALLELES);
    std::vector<std::vector<int>> loccodes;
    std::vector<std::vector<double>> locbase;
    for (int l = 0; l < NLOCI; ++l) {
        loccodes.push_back(codes(gen, LOCUSALLELES));
        locbase.push_back(profile(gen, LOCUSALLELES));
    }
    for (int p = 0; p < NPOP; ++p) {
        const std::vector<double> f = perturb(gen, mhcbase, 8.0);
        std::discrete_distribution<int> mhc(f.begin(), f.end());
        for (int i = 0; i < NIND; ++i)
            for (int c = 0; c < COPIES; ++c) ds->mhc[p][i][c] = mhccodes[static_cast<std::size_t>(mhc(gen))];
        for (int l = 0; l < NLOCI; ++l) {
            const std::vector<double> g = perturb(gen, locbase[static_cast<std::size_t>(l)], 20.0);
            std::discrete_distribution<int> mic(g.begin(), g.end());
            for (int i = 0; i < NIND; ++i)
                for (int a = 0; a < 2; ++a)
                    ds->mic[p][i][l][a] = loccodes[static_cast<std::size_t>(l)][static_cast<std::size_t>(mic(gen))];
        }
    }
    markpresent(*ds);
    return ds;
}

std::unique_ptr<DataSet> copyof(const DataSet& ds) {
    auto out = std::make_unique<DataSet>();
    *out = ds;
    return out;
}

// Checksums keep the scores from being optimised away and tell runs apart.
double checksum(int npop, const PairTable& t) {
    double s = 0.0;
    for (int i = 0; i + 1 < npop; ++i)
        for (int j = i + 1; j < npop; ++j)
            if (std::isfinite(t[i][j])) s += t[i][j];
    return s;
}

struct Timed {
    double seconds;
    double sum;
};

template <typename Score>
Timed timeit(const DataSet& ds, int replicates, Score score) {
    auto idx = std::make_unique<ReplicateIndex>();
    Random rng;
    rng.srand(12345);
    double sum = 0.0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < replicates; ++r) {
        drawreplicate(ds, *idx, rng);
        sum += score(*idx);
    }
    const auto t1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), sum};
}

Timed engine(const DataSet& ds, int replicates) {
    const Engine e(ds, chosenisa());
    auto work = e.makework();
    auto est = std::make_unique<PairEstimates>();
    return timeit(ds, replicates, [&](const ReplicateIndex& idx) {
        e.score(idx, *work, est->mhc);
        return checksum(ds.npop, est->mhc);
    });
}

Timed missing(const DataSet& ds, int replicates) {
    const MicEngine m(ds, chosenisa());
    auto work = m.makework();
    auto est = std::make_unique<PairEstimates>();
    return timeit(ds, replicates, [&](const ReplicateIndex& idx) {
        est->shape(ds.npop);
        m.score(idx, *work, est->mic);
        return checksum(ds.npop, est->mic);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int replicates = argc > 1 ? std::atoi(argv[1]) : NREP;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const auto complete = largest();
    // The same study with 3% of its MIC genotypes untyped.
    auto gapped = copyof(*complete);
    {
        std::mt19937 gen(2);
        std::bernoulli_distribution drop(MISSINGRATE);
        long dropped = 0;
        for (int p = 0; p < NPOP; ++p)
            for (int i = 0; i < NIND; ++i)
                for (int l = 0; l < NLOCI; ++l)
                    if (drop(gen)) {
                        gapped->mic[p][i][l][0] = gapped->mic[p][i][l][1] = MISSING;
                        ++dropped;
                    }
        markpresent(*gapped);
        std::printf("study: %d populations x %d, MHC %d copies of %d alleles, %d loci of %d alleles; "
                    "%ld of %d MIC genotypes missing; %d replicates, 1 thread, best of %d\n",
                    NPOP, NIND, COPIES, MHCALLELES, NLOCI, LOCUSALLELES, dropped, NPOP * NIND * NLOCI, replicates,
                    rounds);
    }
    double mhc = 1e300, mic = 1e300, gap = 1e300;
    for (int r = 0; r < rounds; ++r) {
        const Timed a = engine(*complete, replicates);
        const Timed b = missing(*complete, replicates);
        const Timed c = missing(*gapped, replicates);
        std::printf("round %d: MHC engine %.3f s, MIC complete %.3f s, MIC 3%% missing %.3f s (checksums %.6g %.6g "
                    "%.6g)\n",
                    r + 1, a.seconds, b.seconds, c.seconds, a.sum, b.sum, c.sum);
        mhc = std::min(mhc, a.seconds);
        mic = std::min(mic, b.seconds);
        gap = std::min(gap, c.seconds);
    }
    std::printf("MHC engine:                        %8.3f s\n", mhc);
    std::printf("MIC, complete study (pooled):      %8.3f s\n", mic);
    std::printf("MIC, 3%% missing (per locus):       %8.3f s\n", gap);
    std::printf("MIC ratio, missing / complete:     %8.3f\n", gap / mic);
    return 0;
}
