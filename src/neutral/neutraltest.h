// The neutral test of one pair: is the MHC more, or less, differentiated
// than the MIC loci predict? Each locus is placed within a drift null of
// its own, and the MHC's place is compared with the spread of the MIC
// loci's places. On the data as read, with plain estimates (no
// heterozygosity correction).
//
// For pair (i, j):
// - Loci: the MIC loci that enter the pair's MIC estimate (both populations
//   typed there, N_l - 2 >= 1) and hold two alleles or more in the pair
//   (den_l > 0); beyond MAXTESTLOCI, that many evenly spaced in file order.
// - G_X = num_X / den_X of each such locus and of the MHC (locussums());
//   G_MIC over all the loci and G_-l over all but l, each locus weighted as
//   in the MIC estimate: sum num_l / F_l over sum den_l / F_l.
// - Null of locus X: F = G_-l (MIC locus l) or G_MIC (the MHC), clamped to
//   [FLOOR, CEILING]; pi the mean of the two populations' sample allele
//   frequencies. Each of R draws takes q_i and q_j from Dirichlet(pi (1 - F)
//   / F), independently, then n_i w and n_j w copies from them, w to an
//   individual (both at once by the Polya urn, PolyaUrn), and scores
//   them with locussums(). R is the MHC's draws; each MIC locus takes
//   micdraws(R). Draws that are not finite (one allele drawn, among them)
//   are dropped (R' kept); a locus with R' < R/2 is left out.
// - u_X = (#{G_r < G_X} + #{G_r = G_X}/2 + 1/2) / (R' + 1), z_X = Phi^-1(u_X).
// - Several MHC loci: each is placed in its own null (F = G_MIC), and z_MHC
//   is the mean of the K placed, as a mean of K new loci is predicted.
// - T = (z_MHC - mean z) / (s sqrt(1/K + 1/m)) over the m MIC loci kept (s
//   with divisor m - 1); p two-sided from Student's t with m - 1 degrees of
//   freedom. m < MINLOCI, s = 0 or no MHC position: not a number.
// The draws of locus X in population i come from Stream{seed, i, j, X, 0},
// in population j from Stream{seed, i, j, X, 1} (X = 0 the first MHC locus,
// 1 + l MIC locus l, nloci + k MHC locus k >= 1), so a pair's result depends
// on nothing else.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "model/dataset.h"
#include "neutral/locusterms.h"
#include "numeric/draws.h"

namespace gstboot {

constexpr int MINLOCI = 8;
constexpr int MAXTESTLOCI = 200;
constexpr double FLOOR = 1e-4;
constexpr double CEILING = 0.999;
constexpr int DEFAULTDRAWS = 200;

// The draws of each MIC locus when the MHC takes `draws`: a tenth, at least
// 20 (or all of them below 20). The MIC loci's positions enter the test
// only through their mean and spread over the loci, where the Monte Carlo
// error of 50 draws adds about 3% to a variance that drift makes; the MHC's
// one position needs the resolution of all its draws.
constexpr int micdraws(int draws) { return draws / 10 > 20 ? draws / 10 : draws < 20 ? draws : 20; }

struct NeutralResult {
    double t = std::numeric_limits<double>::quiet_NaN();  // T
    double p = std::numeric_limits<double>::quiet_NaN();
    int loci = 0;          // m, the MIC loci kept
    bool fewloci = false;  // m < MINLOCI
    // The positions z, for the study's answer: the MHC's (the mean over the
    // MHC loci placed), each MHC locus's, and each MIC locus's by its index
    // in the data set; not a number where the locus was not placed (or the
    // test stopped before it).
    double zmhc = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> zmhcs;
    std::vector<double> zmic;
};

// Scratch of one thread, reused from pair to pair.
struct NeutralScratch {
    LocusGenotypes genotypes;
    LocusScratch sums;
    AliasTable base;
    PolyaUrn urn;
    std::vector<std::int32_t> rank;  // of each code, for the pair's loci
};

// What the choice of a pair's MIC loci needs, taken once from a data set:
// each population's typed individuals at each locus and whether it holds
// one allele there, so that a pair's loci are chosen before any is read.
// A locus that enters a pair and holds two alleles or more in it has
// den_l > 0 (its coefficients are positive, and its squares or its
// heterozygotes' copies are not all zero).
class NeutralPanel {
public:
    explicit NeutralPanel(const DataSet& ds);
    // Whether MIC locus l is one of pair (i, j)'s loci before the cap.
    bool candidate(int i, int j, int l) const;

private:
    std::size_t nloci_;
    std::vector<int> typed_;            // [p * nloci + l] (mictypedtable)
    std::vector<std::int32_t> single_;  // [p * nloci + l]: its one code, NOCOPY or SEVERAL
};

// The test of pair (i, j), i < j < npop, with `draws` >= 1 draws of the MHC's
// null (micdraws(draws) of each MIC locus's); `panel` is of `ds`.
NeutralResult neutralpair(const DataSet& ds, const NeutralPanel& panel, int i, int j, std::uint32_t seed, int draws,
                          NeutralScratch& scratch);
// The same, with the panel taken for the call.
NeutralResult neutralpair(const DataSet& ds, int i, int j, std::uint32_t seed, int draws, NeutralScratch& scratch);

// Benjamini-Hochberg q-values: q_(k) = min over k' >= k of p_(k') M / k',
// capped at 1, over the M entries whose p is finite (ties in p ordered by
// position); the other entries get not a number.
std::vector<double> bhqvalues(const std::vector<double>& p);

}  // namespace gstboot
