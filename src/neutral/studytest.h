// The study's answer: is the MHC, over all pairs, more or less
// differentiated than the neutral loci predict? And where: each population
// against the rest. Both place the MHC's value among the MIC loci's values
// taken the same way, so that the loci's own spread, which the pairs share
// (pairs that share a population are not independent), is the yardstick.
//
// From the positions z of one test per pair (neutraltest.h): z_MHC(p) and
// z_l(p) of each MIC locus l tested in pair p.
// - Locus: Z_X = the mean of z_X over the pairs where X was placed, for the
//   MHC and each MIC locus with at least MINPAIRS pairs;
//   T = (Z_MHC - mean Z_l) / (s sqrt(1/K + 1/m)) over the m MIC loci, s their
//   standard deviation (divisor m - 1), and the two-sided p of Student's t
//   with m - 1 degrees of freedom. With K MHC loci, z_MHC(p) is the mean of
//   their positions in pair p (the joint answer, a mean of K loci, hence
//   1/K); each MHC locus k is also placed alone, its Z_k with 1/1.
// - Population i: C_X(i) = the mean, over the pairs p that hold i and where X
//   was placed, of z_X(p) minus the mean of the other loci's z in p (the
//   MIC loci for the MHC; the MIC loci but l for locus l); T and p as above
//   from C_MHC(i) among the C_l(i); Benjamini-Hochberg q over the
//   populations with a finite p.
// Not a number with fewer than MINLOCI MIC loci or fewer than MINPAIRS
// pairs with a finite MHC position.
#pragma once

#include <limits>
#include <vector>

namespace gstboot {

constexpr int MINPAIRS = 3;

// The positions of one pair's test: not a number where a locus was not
// placed.
struct PairPositions {
    int pop1 = 0, pop2 = 0;
    double mhc = std::numeric_limits<double>::quiet_NaN();  // the mean over the MHC loci placed
    std::vector<double> mhcs;  // by MHC locus
    std::vector<double> mic;   // by MIC locus of the data set
};

struct Placement {
    double t = std::numeric_limits<double>::quiet_NaN();
    double p = std::numeric_limits<double>::quiet_NaN();
    double q = std::numeric_limits<double>::quiet_NaN();  // populations only
    int loci = 0;   // the MIC loci it is placed among
    int pairs = 0;  // the pairs with a finite MHC position behind it
};

struct StudyAnswer {
    Placement locus;                     // the MHC (all its loci jointly)
    std::vector<Placement> mhcloci;      // each MHC locus alone, when there are several
    std::vector<Placement> populations;  // by population
};

// The answer over `pairs` of a study of `npop` populations, `nloci` MIC
// loci and `mhcloci` MHC loci.
StudyAnswer studyanswer(const std::vector<PairPositions>& pairs, int npop, int nloci, int mhcloci = 1);

}  // namespace gstboot
