// The reader of GENEPOP files.
//
// A title line; the locus names, one per line or several on a line separated
// by commas; then populations, each begun by a line that reads "Pop" (any
// case). An individual is a line "label, genotypes": one genotype per locus,
// separated by blanks, each of 4 or 6 digits (2 or 3 per allele, the same
// width throughout the file); an allele of all zeros is missing. A
// population is named by the label of its first individual. Blank lines are
// ignored; the title is the first line that is not blank.
#pragma once

#include <string>
#include <string_view>

#include "data/rawset.h"

namespace gstboot {

// Reads the whole text of a GENEPOP file into `set`. An MHC file has exactly
// one locus, whose two alleles are the individual's two copies. Throws Error
// (status 1, "name:line:column: ..." with what was expected) on a file that
// breaks the rules above or the limits of the data set.
void readgenepop(std::string_view text, const std::string& name, Role role, RawSet& set);

// The line is a "Pop" line: nothing but the word, in any case, and blanks.
bool ispopline(std::string_view line);

}  // namespace gstboot
