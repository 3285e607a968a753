// The reader of GENEPOP files.
//
// A title line; the locus names, one per line or several on a line separated
// by commas (a line may end with a comma); then populations, each begun by a
// Pop line. An individual is a line "label, genotypes": one genotype per
// locus, separated by blanks, each of 4 or 6 digits (2 or 3 per allele, the
// same width throughout the file); an allele of all zeros is missing. Labels
// may repeat. A Pop line may name its population ("Pop Ammersee",
// "POP, Ammersee"); a population without a name is known by the label of its
// first individual, shown but not matched by name with the other file. Blank
// lines are ignored; the title is the first line that is not blank.
#pragma once

#include <string>
#include <string_view>

#include "input/rawset.h"

namespace gstboot {

// Reads a GENEPOP file into `set`. An MHC file has one locus, whose two
// alleles are the individual's two copies (loci of one name: their copies),
// or `mhclocus` picks one of its loci (see mhcloci.h). Throws Error (status 1,
// "name:line:column: ..." with what was expected) on a file that breaks the
// rules above or the limits of the data set.
void readgenepop(LineReader& lines, Role role, RawSet& set, std::string_view mhclocus = {});

// The line is a Pop line: its first word (up to a blank, a comma or the
// end) is "pop" in any case, and it is not an individual whose label begins
// with that word (a ',' followed by genotypes). `name`, when given, is set
// to the rest of the line without blanks and a leading comma: the
// population's name, or empty.
bool ispopline(std::string_view line, std::string_view* name = nullptr);

}  // namespace gstboot
