// The report: one fixed-width line per pair on the console and in the report
// file, the console's continuing the countdown's line.
#pragma once

#include <string>

#include "output/summary.h"

namespace gstboot {

// Pair numbers, MHC median, 2.5% and 97.5% points, the same for the MIC,
// and p: "%4d%4d" then seven "%8.4f" fields and a line end.
std::string consoleline(const PairSummary& pair);

// As the console line with each data set's mean before its three points.
std::string fileline(const PairSummary& pair);

// Every pair's line, in the summary's order.
std::string consoletext(const RunSummary& run);
std::string filetext(const RunSummary& run);

}  // namespace gstboot
