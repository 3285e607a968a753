// One line per input file that says what was read, so that a misread shows
// before the numbers: "MICdata.gen: GENEPOP, 6 populations, 180
// individuals, 6 loci, 4.1% genotypes missing", "MHC.csv: table, 6
// populations, 176 individuals, 4 copies, 38 alleles".
#pragma once

#include <string>

#include "model/dataset.h"
#include "input/rawset.h"

namespace gstboot {

// A file of a named format, as read (before incomplete MHC individuals are
// left out).
std::string describeraw(const RawSet& set);

// A legacy file, from the data set it filled.
std::string describelegacy(const std::string& file, const DataSet& ds, Role role);

// `part` of `whole` as a percentage with one decimal, rounded half up in
// integers so that the text is the same on every platform: "4.1%".
std::string percent(long long part, long long whole);

}  // namespace gstboot
