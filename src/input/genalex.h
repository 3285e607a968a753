// The reader of GenAlEx sheets (codominant data), saved as CSV or as
// tab-separated text.
//
//   row 1  the number of loci, of samples and of populations, then the size
//          of each population;
//   row 2  a title, two cells left empty, then the populations' names;
//   row 3  the sample and population headers, then each locus name over its
//          two allele columns;
//   then   one row per sample: its label, its population's name, two
//          alleles per locus.
// Cells are separated as in a table (see tidytable.h); cells after the
// loci's columns are not read. A cell that MissingCodes calls missing (0
// among the usual codes) is a missing allele. The MHC set is the alleles of
// one locus as its copies: the file's one locus (or loci of one name), or
// the one `mhclocus` picks (see mhcloci.h).
#pragma once

#include "input/missing.h"
#include "input/rawset.h"

namespace gstboot {

// Reads a GenAlEx sheet into `set`. Throws Error (status 1,
// "name:line:column: ..." with what was expected) on a sheet that breaks the
// layout, whose populations do not have the sizes of row 1, or beyond the
// limits of the data set.
void readgenalex(LineReader& lines, Role role, const MissingCodes& missing, RawSet& set,
                 std::string_view mhclocus = {});

}  // namespace gstboot
