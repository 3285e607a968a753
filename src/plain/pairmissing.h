// The MIC estimate of a data set with missing genotypes, scored plainly: the
// oracle the fast scorer is held to, and what --reference runs.
//
// Each pair (i, j) and locus l is taken over the individuals typed there:
// n_i(l) and n_j(l) count them (in slot order, untyped ones skipped), and the
// locus's per-allele terms are gstnum/gstden (k = 2, w = 2) over those
// individuals alone, summed from 0.0 in ascending code order into num_l and
// den_l. Loci are made comparable by their scale factor
//
//     F_l = (double)((N_l - 2) * 2) * nc_l,
//     N_l = n_i(l) + n_j(l), S_l = n_i(l)^2 + n_j(l)^2 (integers),
//     nc_l = (double)N_l - (double)S_l / (double)N_l,
//
// the (N - k) * w * nc by which gstnum/gstden are scaled. The estimate is
//
//     (sum_l num_l / F_l) / (sum_l den_l / F_l),
//
// both sums from 0.0 over the entering loci in (replicate) locus order. A
// locus enters only when n_i(l) >= 1, n_j(l) >= 1 and N_l - 2 >= 1; with no
// entering locus the estimate is 0.0 / 0.0 (a not-a-number, printed -nan).
//
// With the correction on, the estimate is divided by (1 - het), het being
// 1.0 / (double)T added once per heterozygous typed genotype of the pair
// (population i then j, slot, locus), T the pair's typed genotypes over all
// loci; with nothing missing that is the complete-data sum.
#pragma once

#include <cstdint>
#include <vector>

#include "model/dataset.h"
#include "plain/components.h"
#include "plain/pairgst.h"

namespace gstboot {

// Whether a locus with n_i and n_j typed individuals enters a pair.
inline bool locusenters(int ni, int nj) { return ni >= 1 && nj >= 1 && ni + nj - 2 >= 1; }

// F_l of a locus with n_i and n_j typed individuals (as defined above).
double locusfactor(int ni, int nj);

// Scratch of the plain scoring: one locus of a pair in gstnum's layout.
struct MissingScratch {
    PopBlock block[2];
};

// The MIC estimate of every pair [i][j], i < j < npop, of one replicate
// given as genotypes `gc` (MISSING where untyped) and the presence table of
// its codes; `ds` gives the counts, nloci and the correction switch.
// Entries of `out` outside those pairs are left as they are.
void scoremissingpairs(const DataSet& ds, const Presence& present, const MicArray& gc, MissingScratch& scratch,
                       PairTable& out);

// Loci that enter the estimate of pair (i, j) on the data as read. For
// complete data: nloci when both populations have individuals and together
// at least 3, else 0.
int micloci(const DataSet& ds, int i, int j);

// Individuals of population p typed at locus l of the data as read.
int mictypedat(const DataSet& ds, int p, int l);

// mictypedat of every population and locus, [p * nloci + l], read in the
// genotypes' order; and micloci from it.
std::vector<int> mictypedtable(const DataSet& ds);
int micloci(const std::vector<int>& typed, int nloci, int i, int j);

}  // namespace gstboot
