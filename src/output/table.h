// The per-pair table: tab-separated, one header line, one row per pair in the
// report's order, loadable with default settings by R's read.delim and by
// Python's csv module (excel-tab dialect).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// A double in the shortest form that reads back to the same bits (strtod,
// R, Python); non-finite values as NaN, Inf, -Inf, which both read as
// numbers. Negative zero keeps its sign: "-0".
std::string shortest(double value);

// The header line, tab-separated, with its line end.
std::string tableheader();

// Header and one line per pair; populations numbered from 1. Every line ends
// in "\n". frac_mhc_gt_mic and p come from each pair's count `greater`, not
// from the report's running sum.
std::string tabletext(const RunSummary& run);

}  // namespace gstboot
