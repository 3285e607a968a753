// Which MIC loci enter a pair's estimate.
#pragma once

#include "data/dataset.h"

namespace gstboot {

// Loci of the data as read at which both populations of the pair have a
// typed individual and the pair has at least three (N - 2 >= 1): the loci
// that enter its observed MIC estimate. Without missing genotypes this is
// every locus or none.
int micloci(const DataSet& ds, int i, int j);

}  // namespace gstboot
