// The reader of STRUCTURE files: cells separated by blanks.
//
// An optional header row of locus names; then each individual as one row
// (label, population, two alleles per locus) or as two rows of the same
// label and population (label, population, one allele per locus; the first
// row holds the first alleles). With a header, the number of cells tells
// which; without one, two rows in a row with the same label mean two rows
// per individual. A cell that MissingCodes calls missing (-9 among the
// usual codes) is a missing allele. The MHC set is the alleles of every
// locus, in order, as its copies. Loci without a header are named L1, L2...
#pragma once

#include "data/missing.h"
#include "data/rawset.h"

namespace gstboot {

// Reads a STRUCTURE file into `set`. Throws Error (status 1,
// "name:line:column: ..." with what was expected) on a file that breaks the
// layout or the limits of the data set.
void readstructure(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set);

}  // namespace gstboot
