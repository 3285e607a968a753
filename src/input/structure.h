// The reader of STRUCTURE files: cells separated by blanks.
//
// An optional header row of locus names; then each individual as one row
// (label, population, two alleles per locus) or as two rows of the same
// label and population (label, population, one allele per locus; the first
// row holds the first alleles). With a header, rows in pairs of one label
// and population are two rows per individual, others one; the header names
// each locus once, or, in a file of one row per individual, once per allele
// column (DRB DRB MS1 MS1, or DRB_1 DRB_2 as a table's columns), and up to
// two integer columns (PopFlag, LocData) may stand between the population
// and the alleles, told by the number of cells. Without one, two rows in a
// row with the same label mean two rows per individual, and a file whose
// third column holds only 0 and 1 (a PopFlag column, as far as can be told)
// is refused. A cell that MissingCodes calls missing (-9 among the usual
// codes) is a missing allele. The MHC set is the alleles of one locus as its
// copies: the file's only one (loci of one name are one; a file without a
// header names none), or the one `mhclocus` picks (see mhcloci.h). Loci
// without a header are named L1, L2...
#pragma once

#include "input/missing.h"
#include "input/rawset.h"

namespace gstboot {

// Reads a STRUCTURE file into `set`. Throws Error (status 1,
// "name:line:column: ..." with what was expected) on a file that breaks the
// layout or the limits of the data set.
void readstructure(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set,
                   std::string_view mhclocus = {});

}  // namespace gstboot
