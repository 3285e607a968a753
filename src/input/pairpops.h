// Which population of the MIC file is which population of the MHC file,
// from what the two files say: their names, the labels of their
// individuals, and only when neither says anything, their positions.
#pragma once

#include <string>
#include <vector>

#include "input/rawset.h"

namespace gstboot {

struct PopPairing {
    std::vector<std::size_t> order;  // the MIC population of each MHC population, in the MHC file's order
    std::string shown;               // a line for standard error on how they were paired; empty when by name
};

// In a file whose Pop lines do not all carry a name, a population whose
// individuals all carry one label (the usual convention) is named by it.
// The file then names its populations when every one is named so and the
// names are distinct.
void namebylabels(RawSet& set);

// Pairs the populations of two files read in a named format, after
// namebylabels on both:
//   1. individuals: when the files share individuals' labels (labels given
//      once in each file), a population is paired with the population of
//      the other file that holds its individuals. A population whose
//      individuals sit in two populations of the other file, one that
//      shares none while the files cannot pair it by name, and individuals
//      that pair populations whose names pair them otherwise are refused.
//   2. names: when both files name their populations (names taken from
//      labels count only if the other file has at least one of them).
//   3. position, the files holding as many populations.
// Throws Error (input) at the place in the file that shows the conflict.
PopPairing pairpopulations(const RawSet& mhc, const RawSet& mic);

}  // namespace gstboot
