// Per-allele variance components of a nested analysis of variance (copies in
// individuals in populations), scaled by (N - k) * w * nc.
//
// Summed over the alleles of a data set, gstnum / gstden is the share of the
// total variance that lies among populations. The order of every floating
// point operation below is part of the results: frequencies are running sums
// of a reciprocal, never a count divided by a total.
#pragma once

#include <cstdint>

#include "data/limits.h"

namespace gstboot {

// One population block of a pair subset: [individual][copy].
using PopBlock = std::int32_t[MAXIND][MAXCOPIES];

// k populations; ni[i] individuals in block i (0..200); w copies per
// individual (0..10); data[i] the block of population i. Only individuals
// below ni[i] and copies below w are read.
//
// With N = sum ni >= 1 both results are finite. With N = 0 gstnum is 0 and
// gstden is not a number (nc divides zero by zero); callers carry that on.
double gstnum(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data);
double gstden(int k, const std::int32_t* ni, int w, int allele, const PopBlock* data);

}  // namespace gstboot
