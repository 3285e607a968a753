// What standard error says of the neutral test: its one summary line, and
// the warnings for pairs it could not test.
#pragma once

#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// "neutral test: 7 of 105 pairs differ at q < 0.05 (5 less differentiated
// than the neutral loci, 2 more); 29 MIC loci calibrate it", counting the
// pairs with a finite p; the loci as a range when pairs differ in them.
// Empty when the test is off or there is no pair.
std::string neutralline(const RunSummary& run);

// The study's answer on standard error: one line for the MHC over all pairs
// ("study: over 45 pairs the MHC is less differentiated than the 20 MIC
// loci predict (T = -3.21, p = 0.0041)"), one for the populations where it
// stands apart at q < 0.05, or a warning, naming the MIC file, when the
// answer is not a number. Empty when the test is off.
std::vector<std::string> studylines(const RunSummary& run);

// What to report, for the end of a run: the estimates with their intervals,
// and every pair the neutral test calls different at q < 0.05 with its
// direction, one line each, or why there is none.
std::vector<std::string> reportlines(const RunSummary& run);

// One line for the pairs with fewer than `minloci` MIC loci with variation,
// one for the other pairs that could not be tested; each starts with the
// data set's file name, as the other warnings do.
std::vector<std::string> neutralwarnings(const RunSummary& run, int minloci);

}  // namespace gstboot
