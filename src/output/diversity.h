// The diversity of every population in each data set, on the data as read:
// the first table of most population studies (--diversity).
#pragma once

#include <string>

#include "model/dataset.h"

namespace gstboot {

// A tab-separated table with the header
// "set\tpop\tname\tloci\tn\talleles\trichness\tho\the\tfis" and one row per
// data set (mhc, then mic) and population (numbered from 1, with its name or
// empty). Per locus and population, of n typed individuals of w copies and
// allele counts c_a of N = w n copies, p_a = c_a / N:
//   Ho = the mean over individuals of 1 - sum_a x_a (x_a - 1) / (w (w - 1)),
//        x_a the individual's copies of a (not a number for w = 1);
//   He = N / (N - 1) (1 - sum_a p_a^2);
//   alleles = how many a have c_a > 0;
//   richness = sum_a [1 - prod_{t=0}^{g-1} (N - c_a - t) / (N - t)], g the
//        smallest N of the locus over the populations where it is typed.
// A row holds n, alleles, richness, Ho and He averaged over the set's loci
// typed in the population (`loci` of them; the MHC is one locus of its
// copies) and FIS = 1 - Ho / He of those averages. Values as the per-pair
// table writes them.
std::string diversitytext(const DataSet& ds);

}  // namespace gstboot
