// Data sets with missing MIC genotypes built in memory, for the tests of the
// missing-genotype scoring.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "model/dataset.h"

namespace missingstudy {

using gstboot::DataSet;
using gstboot::NALLELE;

// Marks `present` from the genotypes below the counts (MISSING never) and
// sets micmissing.
inline void finish(DataSet& ds) {
    ds.present.assign(1 + ds.nloci, NALLELE);
    ds.micmissing = false;
    for (int p = 0; p < ds.npop; ++p) {
        for (int i = 0; i < ds.nmhc[p]; ++i)
            for (int c = 0; c < ds.mhccopies; ++c) ds.present[0][ds.mhc[p][i][c]] = 1;
        for (int i = 0; i < ds.nmic[p]; ++i) {
            for (int l = 0; l < ds.nloci; ++l) {
                for (int a = 0; a < 2; ++a) {
                    const std::int32_t code = ds.mic[p][i][l][a];
                    if (code == gstboot::MISSING) {
                        ds.micmissing = true;
                    } else {
                        ds.present[1 + l][code] = 1;
                    }
                }
            }
        }
    }
}

// The shape of a random study; each field is drawn when negative.
struct Shape {
    int npop = -1;
    int nloci = -1;
    int maxind = -1;     // largest population
    int alleles = -1;    // codes per locus pool
    bool exact = false;  // every locus has exactly `alleles` codes, none missing at random
    int corrflag = -1;
    int bootmic = -1;
    int bootloci = -1;
};

// A random study: population sizes reaching 0, 1, 2 and maxind; per
// population and locus its own allele frequencies, some single-allele loci;
// missing genotypes at 0 to 10% of a locus, and at some loci up to all of a
// population or all of the locus. MHC: two copies of few codes.
inline std::unique_ptr<DataSet> random(std::mt19937& gen, Shape s) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    auto ds = std::make_unique<DataSet>();
    const int npop = s.npop >= 0 ? s.npop : pick(10);
    const int nloci = s.nloci >= 0 ? s.nloci : pick(7);
    const int maxind = s.maxind >= 0 ? s.maxind : 1 + pick(pick(4) == 0 ? 200 : 12);
    const int switches[] = {0, 1, 1, 2, -1};
    ds->settings.corrflag = (s.corrflag >= 0 ? s.corrflag : switches[pick(5)]) == 1;
    ds->settings.bootmic = (s.bootmic >= 0 ? s.bootmic : switches[pick(5)]) == 1;
    ds->settings.bootloci = (s.bootloci >= 0 ? s.bootloci : switches[pick(5)]) == 1;
    ds->settings.bootmhc = true;
    std::vector<std::int32_t> nmic, nmhc;
    std::vector<int> mhccodes;
    for (int p = 0; p < npop; ++p) {
        const int r = pick(10);
        nmic.push_back(r == 0 ? 0 : r == 1 ? 1 : r == 2 ? 2 : r == 3 ? maxind : 1 + pick(maxind));
        nmhc.push_back(pick(4));
        for (int i = 0; i < 2 * nmhc.back(); ++i) mhccodes.push_back(pick(3));
    }
    ds->shapemhc(nmhc, 2, NALLELE);
    ds->shapemic(nmic, nloci, {NALLELE});
    std::size_t next = 0;
    for (int p = 0; p < npop; ++p)
        for (int i = 0; i < ds->nmhc[p]; ++i)
            for (int c = 0; c < 2; ++c) ds->mhc[p][i][c] = mhccodes[next++];
    for (int l = 0; l < ds->nloci; ++l) {
        std::vector<int> codes;
        if (s.exact) {
            for (int a = 0; a < s.alleles; ++a) codes.push_back(a * 5 % NALLELE);
        } else {
            const int k = pick(6) == 0 ? 1 : 1 + pick(s.alleles > 0 ? s.alleles : 1 + pick(25));
            for (int a = 0; a < k; ++a) codes.push_back(pick(5) == 0 ? (pick(2) ? 0 : 350) : pick(351));
        }
        // Share of missing genotypes: mostly 0 to 10%, sometimes much more.
        const int kind = s.exact ? 3 : pick(8);
        const double locusrate = kind == 0 ? 1.0 : kind == 1 ? 0.5 : kind == 2 ? 0.0 : 0.01 * pick(11);
        for (int p = 0; p < ds->npop; ++p) {
            std::vector<double> f(codes.size());
            for (double& x : f) x = !s.exact && pick(3) == 0 ? std::pow(1.0 + pick(1000), 3.0) : 1.0 + pick(10);
            std::discrete_distribution<int> dist(f.begin(), f.end());
            const double rate = !s.exact && pick(10) == 0 ? 1.0 : locusrate;  // a population typed nowhere here
            const bool inbred = pick(3) == 0;
            std::bernoulli_distribution missing(rate);
            for (int i = 0; i < ds->nmic[p]; ++i) {
                gstboot::MicGenotype& g = ds->mic[p][i][l];
                if (missing(gen)) {
                    g[0] = g[1] = gstboot::MISSING;
                    continue;
                }
                g[0] = codes[static_cast<std::size_t>(dist(gen))];
                g[1] = inbred && pick(2) ? g[0] : codes[static_cast<std::size_t>(dist(gen))];
            }
        }
    }
    finish(*ds);
    return ds;
}

}  // namespace missingstudy
